// libFuzzer target: the remote protocol's receive parsers on any bytes.
//
// The first input byte chooses where the rest is cut into reads. Besides the sanitizers' findings:
// the client parser gives the same events and leftover bytes however the bytes are cut, shows only
// the eight digits, keeps uploads within their limits, and the server parser survives the same.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "link/protocol/remote_protocol.h"

namespace {

namespace remote = tarvok::remote;

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_remote_protocol: check failed: %s\n", what);
    std::abort();
}

// Every event as text, to compare two runs.
class Recorder : public remote::ClientEvents, public remote::ServerEvents {
public:
    std::string log;

    void ClearDisplay() override { log += "C"; }
    void ShowDigit(int digit, tarvok::Byte value) override {
        Check(digit >= 0 && digit < remote::kDigits, "digits stay on the display");
        log += "D" + std::to_string(digit) + "=" + std::to_string(value);
    }
    void UploadReceived(const std::vector<std::string>& lines, bool intact) override {
        Check(lines.size() <= remote::kMaxUploadLines, "upload lines are bounded");
        for (const std::string& line : lines)
            Check(line.size() <= remote::kMaxUploadLineLength, "upload lines are bounded");
        log += "U" + std::to_string(lines.size()) + (intact ? "+" : "-");
    }
    void ProgramRequested() override { log += "P"; }

    void PulseWidthSet(std::uint16_t) override {}
    void ResetRequested() override {}
    void KeyReleased(tarvok::Byte) override {}
    void ProgramReceived(const std::string& text) override {
        Check(text.size() <= remote::kMaxProgramSize, "programs are bounded");
    }
    void UnknownByte(tarvok::Byte) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 7;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    Recorder whole;
    remote::ClientParser wholeParser;
    const std::string wholeLeft = wholeParser.Feed(bytes, whole);

    Recorder cut;
    remote::ClientParser cutParser;
    std::string cutLeft;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        cutLeft += cutParser.Feed(bytes.substr(at, piece), cut);
    Check(whole.log == cut.log, "the same events however the bytes are cut");
    Check(wholeLeft == cutLeft, "the same leftover bytes however the bytes are cut");
    Check(remote::ClientParser::FormatUnconsumed(wholeLeft).size() == 3 * wholeLeft.size(),
          "three characters per leftover byte");

    remote::ServerParser server;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        server.Feed(bytes.substr(at, piece), cut);
        server.FinishPulseWidth(cut);
    }
    for (const std::string& record : remote::SplitRecords(bytes))
        Check(!record.empty() && record.front() == ':', "records start with their colon");
    return 0;
}
