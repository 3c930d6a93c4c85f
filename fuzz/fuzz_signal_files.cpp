// libFuzzer target: the port (.pia) and serial (.sia) signal-file readers with playback.
//
// The first input byte picks the target (port A, port B or the serial port), the rest is the
// file's text. The machine plays it for a while with a program that keeps the ACIA receiving.
// Besides the sanitizers' findings: a refused file says why and shows a message box and leaves
// the port idle; an accepted one plays, and stopping it succeeds unless it ended by itself.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "machine/machine.h"

namespace {

constexpr std::uint64_t kCycles = 20000;

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_signal_files: check failed: %s\n", what);
    std::abort();
}

std::unique_ptr<std::streambuf> Text(const std::uint8_t* data, std::size_t size) {
    return std::make_unique<std::stringbuf>(std::string(reinterpret_cast<const char*>(data), size),
                                            std::ios::in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    tarvok::AddressDecoder& bus = machine.Decoder();
    bus.SetBeepOnMessage(false);
    // $0400: LDA #$1F; STA $F00B (19200 baud, 8N1); LDA #$09; STA $F00A (receive IRQ off);
    // loop: LDA $F008; LDA $F009; BRA loop
    const tarvok::Byte program[] = {0x86, 0x1F, 0xB7, 0xF0, 0x0B, 0x86, 0x0B, 0xB7, 0xF0,
                                    0x0A, 0xB6, 0xF0, 0x08, 0xB6, 0xF0, 0x09, 0x20, 0xF8};
    for (std::size_t i = 0; i < sizeof program; ++i)
        bus.Write(static_cast<tarvok::Address>(0x0400 + i), program[i]);
    machine.Cpu().SetPC(0x0400);

    const int target = data[0] % 3;  // 0: port A, 1: port B, 2: the serial port
    tarvok::Status started =
        target == 2 ? machine.Acia().StartReading(Text(data + 1, size - 1), "fuzz.sia")
                    : machine.Pia().StartReading(Text(data + 1, size - 1), "fuzz.pia", target + 1);
    const auto playing = [&] {
        return target == 2 ? machine.Acia().IsReading() : machine.Pia().IsReading(target + 1);
    };
    if (!started) {
        Check(!started.Reason().empty(), "a refused file says why");
        Check(!started.Message().caption.empty() && !started.Message().text.empty(),
              "a refused file has its message box");
        Check(!playing(), "a refused file leaves the port idle");
        return 0;
    }
    Check(playing(), "an accepted file plays");
    while (machine.TotalCycles() < kCycles && playing())
        machine.Step();
    if (playing()) {
        const tarvok::Status stopped = target == 2
                                           ? machine.Acia().StopReadingAndRecording()
                                           : machine.Pia().StopReadingAndRecording(target + 1);
        Check(stopped.Ok(), "stopping a playback succeeds");
    }
    Check(!playing(), "the port is idle at the end");
    return 0;
}
