// What the device windows cost while the program runs flat out: the three timer windows
// recording their graphs and the serial window showing its oscilloscope page while the ACIA
// sends, against the same program with no device window open. Both run inside the Qt event loop
// (offscreen), in alternating turns within one run.
#include <benchmark/benchmark.h>

#include <QTabWidget>
#include <initializer_list>
#include <memory>

#include "machine/machine.h"
#include "qt_benchmarks.h"
#include "ui/devices/device_windows.h"
#include "ui/devices/serial_window.h"
#include "ui/devices/timer_window.h"
#include "ui/main_window.h"
#include "ui/widgets/signal_graph.h"

namespace {

using tarvok::Address;
using tarvok::Byte;
using tarvok::Machine;
using tarvok::MainWindow;
using tarvok::bench::RunAlternatingTurns;

// All three timers run continuously with their outputs on: timer 1 with a period of 1000 cycles
// and an NMI, whose handler acknowledges it and counts at $0500; timer 2 every 500 cycles; timer
// 3 every 50 counts of its prescaler (400 cycles). The main loop keeps the ACIA sending at 19200
// baud, 8N1.
constexpr std::initializer_list<Byte> kProgram = {
    0x10, 0xCE, 0x10, 0x00,  // $0400 LDS #$1000
    0x86, 0x1F,              // $0404 LDA #$1F      19200 baud, 8 bits, 1 stop bit
    0xB7, 0xF0, 0x0B,        // $0406 STA $F00B
    0x86, 0x0B,              // $0409 LDA #$0B      DTR on, no receive interrupt
    0xB7, 0xF0, 0x0A,        // $040B STA $F00A
    0x86, 0x82,              // $040E LDA #$82      CR2: continuous, internal clock, output;
    0xB7, 0xF0, 0x19,        // $0410 STA $F019       offset 0 addresses CR3
    0x86, 0x83,              // $0413 LDA #$83      CR3: the same with the prescaler
    0xB7, 0xF0, 0x18,        // $0415 STA $F018
    0x86, 0x83,              // $0418 LDA #$83      CR2 again, offset 0 addresses CR1
    0xB7, 0xF0, 0x19,        // $041A STA $F019
    0xCC, 0x01, 0xF3,        // $041D LDD #499
    0xFD, 0xF0, 0x1C,        // $0420 STD $F01C     timer 2 latches
    0xCC, 0x00, 0x31,        // $0423 LDD #49
    0xFD, 0xF0, 0x1E,        // $0426 STD $F01E     timer 3 latches
    0xCC, 0x03, 0xE7,        // $0429 LDD #999
    0xFD, 0xF0, 0x1A,        // $042C STD $F01A     timer 1 latches
    0x86, 0xC2,              // $042F LDA #$C2      CR1: continuous, interrupt and output on
    0xB7, 0xF0, 0x18,        // $0431 STA $F018
    0xB6, 0xF0, 0x09,        // $0434 loop: LDA $F009
    0x85, 0x10,              // $0437 BITA #$10     transmit register empty?
    0x27, 0xF9,              // $0439 BEQ loop
    0xF7, 0xF0, 0x08,        // $043B STB $F008
    0x5C,                    // $043E INCB
    0x20, 0xF3,              // $043F BRA loop
};
constexpr Address kNmiHandler = 0x0450;
constexpr std::initializer_list<Byte> kNmiHandlerCode = {
    0xB6, 0xF0, 0x19,  // LDA $F019   status read marks timer 1
    0xB6, 0xF0, 0x1B,  // LDA $F01B   LSB read clears its flag
    0x7C, 0x05, 0x00,  // INC $0500
    0x3B,              // RTI
};

std::unique_ptr<MainWindow> NewWindow() {
    auto window = tarvok::bench::ShownWindowWithProgram(kProgram, 0x0400);
    Machine& machine = window->Board();
    Address address = kNmiHandler;
    for (const Byte byte : kNmiHandlerCode)
        machine.Decoder().Write(address++, byte);
    machine.Rom().StoreByte(0x1FFC, kNmiHandler >> 8);
    machine.Rom().StoreByte(0x1FFD, kNmiHandler & 0xFF);
    return window;
}

void BM_DeviceWindowsAgainstNone(benchmark::State& state) {
    const auto plain = NewWindow();
    const auto watched = NewWindow();
    const tarvok::MainCommands& commands = watched->Commands();
    for (QAction* item : {commands.timer1, commands.timer2, commands.timer3, commands.aciaWindow})
        item->trigger();
    tarvok::SerialWindow& serial = *watched->Devices()->Serial();
    serial.Pages()->setCurrentIndex(1);  // the oscilloscope
    QCoreApplication::processEvents();

    const auto [plainMHz, watchedMHz] = RunAlternatingTurns(state, *plain, *watched);
    for (MainWindow* window : {plain.get(), watched.get()}) {
        if (window->Board().Decoder().Read(0x0500, true) == 0)
            state.SkipWithError("no timer NMI taken");
    }
    for (int timer = 1; timer <= 3; ++timer) {
        if (watched->Devices()->Timer(timer)->OutputGraph()->SavedSteps() == 0)
            state.SkipWithError("a timer window recorded nothing");
    }
    if (serial.TxdGraph()->SavedSteps() == 0) state.SkipWithError("the TxD graph drew nothing");
    state.counters["no_windows_MHz"] = plainMHz;
    state.counters["windows_MHz"] = watchedMHz;
    state.counters["windows_share"] = watchedMHz / plainMHz;
}
BENCHMARK(BM_DeviceWindowsAgainstNone)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    return tarvok::bench::RunQtBenchmarks(argc, argv);
}
