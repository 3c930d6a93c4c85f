#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"

// The byte protocol between this program (the client) and a lab-computer server over TCP. There
// is no framing beyond the command bytes, so both parsers keep their state between reads: a
// message may arrive in any number of pieces.
namespace tarvok::remote {

inline constexpr std::uint16_t kDefaultPort = 49703;

// Command bytes.
inline constexpr Byte kSetPulseWidth = 0xF0;   // client: F0 + 1 to 5 decimal digits
inline constexpr Byte kKeyReleased = 0xF1;     // client: F1 + key code 1 to 28
inline constexpr Byte kReset = 0xF2;           // client: reset; server: display command prefix
inline constexpr Byte kProgram = 0xF5;         // client: F5 text F5; server: skip one byte
inline constexpr Byte kBoardCommand = 0xFA;    // server: FA F2 upload, FA F5 program request
inline constexpr Byte kClearDisplay = 0xF2;    // after F2
inline constexpr Byte kOneDigit = 0xF5;        // after F2: index, value
inline constexpr Byte kTwoDigits = 0xFA;       // after F2: index, upper value, lower value
inline constexpr Byte kAllDigits = 0xFB;       // after F2: eight values
inline constexpr Byte kUpload = 0xF2;          // after FA
inline constexpr Byte kProgramRequest = 0xF5;  // after FA

inline constexpr int kDigits = 8;
using DigitValues = std::array<Byte, kDigits>;  // index 0 is the rightmost digit

// Upload lines longer than this are cut (and so fail their check), and an upload of more lines
// than this loses the rest and counts as defective: a server that never sends the end record
// cannot eat the client's memory.
inline constexpr std::size_t kMaxUploadLineLength = 1024;
inline constexpr std::size_t kMaxUploadLines = 70000;
// The server side keeps at most this much of a program.
inline constexpr std::size_t kMaxProgramSize = std::size_t{1} << 20;

// Client messages.
std::string PulseWidthMessage(std::uint16_t milliseconds);
std::string ResetMessage();
std::string KeyReleaseMessage(Byte keyCode);
// F5, every line without its line end, F5.
std::string ProgramMessage(const std::vector<std::string>& lines);

// Server messages.
std::string ClearDisplayMessage();
std::string DigitMessage(Byte digit, Byte value);
std::string DigitPairMessage(Byte upperDigit, Byte upperValue, Byte lowerValue);
std::string AllDigitsMessage(const DigitValues& values);
// FA F2 and the Intel HEX text as it is (its lines end in CR LF).
std::string UploadMessage(std::string_view hexText);
std::string ProgramRequestMessage();

// Settings typed by the user: a decimal integer (optionally signed) that fits 32 bits, kept in
// 16 bits as the setting is stored (70000 becomes 4464). Empty when the text is no integer.
std::optional<std::uint16_t> ParseWordSetting(std::string_view text);

// True when every pair of hexadecimal digits after the line's first character adds up to 0
// (modulo 256). A line with a character that is no hexadecimal digit, or an odd number of digits,
// is defective.
bool UploadLineIntact(std::string_view line);

// What the client does with the server's messages.
class ClientEvents {
public:
    virtual ~ClientEvents() = default;
    virtual void ClearDisplay() = 0;
    // Digit `digit` (0 to 7) shows `value`.
    virtual void ShowDigit(int digit, Byte value) = 0;
    // The board uploaded Intel HEX text: its lines without line ends. `intact` is false when a
    // line failed its check or lines were lost.
    virtual void UploadReceived(const std::vector<std::string>& lines, bool intact) = 0;
    virtual void ProgramRequested() = 0;
};

// The client's receive parser.
class ClientParser {
public:
    // Walks `bytes`; returns the bytes that no message took (shown to the user in hexadecimal).
    std::string Feed(std::string_view bytes, ClientEvents& events);
    // Back to idle; an upload in progress is dropped.
    void Reset();
    bool Uploading() const { return uploading_; }

    // "%3x" for every byte, as one output line.
    static std::string FormatUnconsumed(std::string_view bytes);

private:
    enum class State : std::uint8_t {
        Idle,
        DisplayCommand,
        DigitIndex,
        DigitValue,
        PairIndex,
        PairUpper,
        PairLower,
        AllDigits,
        SkipOne,
        BoardCommand
    };
    bool Step(Byte byte, ClientEvents& events);  // false when the byte is not consumed
    void TakeUploadByte(char byte, ClientEvents& events);

    State state_ = State::Idle;
    int digitIndex_ = 0;
    Byte index_ = 0;
    Byte held_ = 0;
    DigitValues collected_{};
    bool uploading_ = false;
    bool uploadLost_ = false;
    std::string uploadLine_;
    std::vector<std::string> uploadLines_;
};

// What a server does with the client's messages.
class ServerEvents {
public:
    virtual ~ServerEvents() = default;
    virtual void PulseWidthSet(std::uint16_t milliseconds) = 0;
    virtual void ResetRequested() = 0;
    virtual void KeyReleased(Byte keyCode) = 0;
    // The text between the two F5 bytes (records one after the other, no line ends).
    virtual void ProgramReceived(const std::string& text) = 0;
    // A byte that starts no message.
    virtual void UnknownByte(Byte byte) = 0;
};

// A server's receive parser. The pulse width has no terminator: it is reported when the next
// byte that is no digit arrives, or when FinishPulseWidth is called at the end of a read.
class ServerParser {
public:
    void Feed(std::string_view bytes, ServerEvents& events);
    void FinishPulseWidth(ServerEvents& events);

private:
    enum class State : std::uint8_t { Idle, PulseDigits, KeyCode, Program };
    State state_ = State::Idle;
    std::uint32_t pulseWidth_ = 0;
    int pulseDigits_ = 0;
    bool pulseReported_ = false;
    std::string program_;
};

// Splits a program's text (records following each other without line ends, or with them) into
// Intel HEX lines, one per colon.
std::vector<std::string> SplitRecords(std::string_view text);

}  // namespace tarvok::remote
