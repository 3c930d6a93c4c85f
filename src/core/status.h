#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace tarvok {

// A message box for the user: what the GUI shows modally and the command-line tool prints.
struct UserMessage {
    std::string caption;
    std::string text;
};

// The outcome of an operation on the user's files (loading, saving, signal files, the ROM image).
// A failure carries its reason in English (the operating system's words or the parser's, for tools
// and logs), the message box the program shows for it where there is one, and the 1-based line of
// a format fault (0 otherwise).
class [[nodiscard]] Status {
public:
    Status() = default;
    static Status Failure(std::string reason, UserMessage message = {}, std::size_t line = 0) {
        Status status;
        status.failed_ = true;
        status.reason_ = std::move(reason);
        status.message_ = std::move(message);
        status.line_ = line;
        return status;
    }

    bool Ok() const { return !failed_; }
    explicit operator bool() const { return !failed_; }
    const std::string& Reason() const { return reason_; }
    const UserMessage& Message() const { return message_; }
    std::size_t Line() const { return line_; }

    // A failure gets the message box of the operation the user asked for; success stays success.
    Status WithMessage(UserMessage message) && {
        if (failed_) message_ = std::move(message);
        return std::move(*this);
    }

private:
    bool failed_ = false;
    std::string reason_;
    UserMessage message_;
    std::size_t line_ = 0;
};

}  // namespace tarvok
