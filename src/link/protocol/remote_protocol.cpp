#include "link/protocol/remote_protocol.h"

#include <charconv>
#include <cstdio>

#include "core/hex_text.h"

namespace tarvok::remote {

namespace {

std::string Bytes(std::initializer_list<Byte> bytes) {
    std::string text;
    for (const Byte byte : bytes)
        text.push_back(static_cast<char>(byte));
    return text;
}

bool IsDigit(Byte byte) {
    return byte >= '0' && byte <= '9';
}

constexpr int kMaxPulseDigits = 5;

}  // namespace

std::string PulseWidthMessage(std::uint16_t milliseconds) {
    return Bytes({kSetPulseWidth}) + std::to_string(milliseconds);
}

std::string ResetMessage() {
    return Bytes({kReset});
}

std::string KeyReleaseMessage(Byte keyCode) {
    return Bytes({kKeyReleased, keyCode});
}

std::string ProgramMessage(const std::vector<std::string>& lines) {
    std::string message = Bytes({kProgram});
    for (const std::string& line : lines)
        message += line;
    message.push_back(static_cast<char>(kProgram));
    return message;
}

std::string ClearDisplayMessage() {
    return Bytes({kReset, kClearDisplay});
}

std::string DigitMessage(Byte digit, Byte value) {
    return Bytes({kReset, kOneDigit, digit, value});
}

std::string DigitPairMessage(Byte upperDigit, Byte upperValue, Byte lowerValue) {
    return Bytes({kReset, kTwoDigits, upperDigit, upperValue, lowerValue});
}

std::string AllDigitsMessage(const DigitValues& v) {
    return Bytes({kReset, kAllDigits, v[6], v[7], v[4], v[5], v[2], v[3], v[0], v[1]});
}

std::string UploadMessage(std::string_view hexText) {
    return Bytes({kBoardCommand, kUpload}) + std::string(hexText);
}

std::string ProgramRequestMessage() {
    return Bytes({kBoardCommand, kProgramRequest});
}

std::optional<std::uint16_t> ParseWordSetting(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

bool UploadLineIntact(std::string_view line) {
    if (line.empty()) return true;
    const std::string_view digits = line.substr(1);
    if (digits.size() % 2 != 0) return false;
    unsigned sum = 0;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        unsigned pair = 0;
        if (!ParseHexDigits(digits.substr(i, 2), pair)) return false;
        sum += pair;
    }
    return (sum & 0xFF) == 0;
}

std::string ClientParser::Feed(std::string_view bytes, ClientEvents& events) {
    std::string unconsumed;
    for (const char c : bytes) {
        if (!Step(static_cast<Byte>(c), events)) unconsumed.push_back(c);
    }
    return unconsumed;
}

void ClientParser::Reset() {
    state_ = State::Idle;
    uploading_ = false;
    uploadLost_ = false;
    uploadLine_.clear();
    uploadLines_.clear();
}

std::string ClientParser::FormatUnconsumed(std::string_view bytes) {
    std::string line;
    char cell[8];
    for (const char c : bytes) {
        std::snprintf(cell, sizeof cell, "%3x", static_cast<unsigned>(static_cast<Byte>(c)));
        line += cell;
    }
    return line;
}

bool ClientParser::Step(Byte byte, ClientEvents& events) {
    switch (state_) {
        case State::Idle:
            if (byte == kReset) {
                state_ = State::DisplayCommand;
            } else if (byte == kProgram) {
                state_ = State::SkipOne;
            } else if (byte == kBoardCommand) {
                state_ = State::BoardCommand;
            } else if (uploading_) {
                TakeUploadByte(static_cast<char>(byte), events);
            } else {
                return false;
            }
            return true;
        case State::DisplayCommand:
            if (byte == kClearDisplay) {
                events.ClearDisplay();
                state_ = State::Idle;
            } else if (byte == kOneDigit) {
                state_ = State::DigitIndex;
            } else if (byte == kTwoDigits) {
                state_ = State::PairIndex;
            } else if (byte == kAllDigits) {
                digitIndex_ = 0;
                state_ = State::AllDigits;
            }
            return true;
        case State::DigitIndex:
            index_ = byte;
            state_ = State::DigitValue;
            return true;
        case State::DigitValue:
            events.ShowDigit(index_ % kDigits, byte);
            state_ = State::Idle;
            return true;
        case State::PairIndex:
            index_ = byte;
            state_ = State::PairUpper;
            return true;
        case State::PairUpper:
            held_ = byte;
            state_ = State::PairLower;
            return true;
        case State::PairLower:
            // Digit i shows the first value and digit i - 1 the second; for i = 8 only digit 7
            // exists. Other indexes would name registers beside the display: they are ignored.
            if (index_ >= 1 && index_ <= kDigits) {
                events.ShowDigit(index_ - 1, byte);
                if (index_ < kDigits) events.ShowDigit(index_, held_);
            }
            state_ = State::Idle;
            return true;
        case State::AllDigits: {
            // Arrival order: digits 6, 7, 4, 5, 2, 3, 0, 1.
            static constexpr std::array<int, kDigits> kOrder{6, 7, 4, 5, 2, 3, 0, 1};
            collected_[static_cast<std::size_t>(kOrder[static_cast<std::size_t>(digitIndex_)])] =
                byte;
            if (++digitIndex_ == kDigits) {
                for (int k = 0; k < kDigits; ++k)
                    events.ShowDigit(k, collected_[static_cast<std::size_t>(k)]);
                state_ = State::Idle;
            }
            return true;
        }
        case State::SkipOne:
            state_ = State::Idle;
            return true;
        case State::BoardCommand:
            if (byte == kUpload) {
                uploading_ = true;
                state_ = State::Idle;
            } else if (byte == kProgramRequest) {
                state_ = State::Idle;
                events.ProgramRequested();
            }
            return true;
    }
    return true;
}

void ClientParser::TakeUploadByte(char byte, ClientEvents& events) {
    if (byte != '\n') {
        if (uploadLine_.size() < kMaxUploadLineLength) {
            uploadLine_.push_back(byte);
        } else {
            uploadLost_ = true;
        }
        return;
    }
    // The line without its end (CR LF, or a bare LF).
    if (!uploadLine_.empty() && uploadLine_.back() == '\r') uploadLine_.pop_back();
    const bool endRecord = uploadLine_.size() > 8 && uploadLine_.compare(7, 2, "01") == 0;
    if (uploadLines_.size() < kMaxUploadLines) {
        uploadLines_.push_back(std::move(uploadLine_));
    } else {
        uploadLost_ = true;
    }
    uploadLine_.clear();
    if (!endRecord) return;

    bool intact = !uploadLost_;
    for (const std::string& line : uploadLines_) {
        if (!intact) break;
        intact = UploadLineIntact(line);
    }
    // The parser is ready for the next message before the client asks the user anything.
    std::vector<std::string> lines = std::move(uploadLines_);
    uploadLines_.clear();
    uploading_ = false;
    uploadLost_ = false;
    events.UploadReceived(lines, intact);
}

void ServerParser::Feed(std::string_view bytes, ServerEvents& events) {
    for (const char c : bytes) {
        const auto byte = static_cast<Byte>(c);
        switch (state_) {
            case State::PulseDigits:
                if (IsDigit(byte) && pulseDigits_ < kMaxPulseDigits) {
                    pulseWidth_ = pulseWidth_ * 10 + (byte - '0');
                    ++pulseDigits_;
                    pulseReported_ = false;
                    continue;
                }
                FinishPulseWidth(events);
                state_ = State::Idle;
                break;  // the byte starts the next message
            case State::KeyCode:
                events.KeyReleased(byte);
                state_ = State::Idle;
                continue;
            case State::Program:
                if (byte == kProgram) {
                    events.ProgramReceived(program_);
                    program_.clear();
                    state_ = State::Idle;
                } else if (program_.size() < kMaxProgramSize) {
                    program_.push_back(c);
                }
                continue;
            case State::Idle:
                break;
        }
        if (byte == kSetPulseWidth) {
            state_ = State::PulseDigits;
            pulseWidth_ = 0;
            pulseDigits_ = 0;
            pulseReported_ = false;
        } else if (byte == kKeyReleased) {
            state_ = State::KeyCode;
        } else if (byte == kReset) {
            events.ResetRequested();
        } else if (byte == kProgram) {
            state_ = State::Program;
        } else {
            events.UnknownByte(byte);
        }
    }
}

void ServerParser::FinishPulseWidth(ServerEvents& events) {
    if (state_ != State::PulseDigits) return;
    if (pulseDigits_ > 0 && !pulseReported_) {
        events.PulseWidthSet(static_cast<std::uint16_t>(pulseWidth_));
        pulseReported_ = true;
    }
    // Digits that follow in a later read still belong to this message.
    if (pulseDigits_ == kMaxPulseDigits) state_ = State::Idle;
}

std::vector<std::string> SplitRecords(std::string_view text) {
    std::vector<std::string> records;
    for (const char c : text) {
        if (c == ':') records.emplace_back();
        if (c == '\r' || c == '\n' || records.empty()) continue;
        records.back().push_back(c);
    }
    return records;
}

}  // namespace tarvok::remote
