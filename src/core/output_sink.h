#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace tarvok {

// The output field of the main window as the decoder sees it: a list of lines.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual std::size_t LineCount() const = 0;
    virtual void DeleteFirstLine() = 0;
    virtual void AppendLine(const std::string& line) = 0;
    virtual void Clear() = 0;
};

// Plain in-memory output field, used by the command-line tool and the tests.
class MessageLines : public OutputSink {
public:
    std::size_t LineCount() const override { return lines_.size(); }
    void DeleteFirstLine() override {
        if (!lines_.empty()) lines_.pop_front();
    }
    void AppendLine(const std::string& line) override { lines_.push_back(line); }
    void Clear() override { lines_.clear(); }
    const std::deque<std::string>& Lines() const { return lines_; }

private:
    std::deque<std::string> lines_;
};

}  // namespace tarvok
