// Whole programs for the lab computer with timer interrupts, serial traffic both ways and port
// playback, and the comparison of two machines part by part.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "machine/machine.h"

namespace tarvok::test {

inline constexpr Address kNmiHandler = 0x0440;
inline constexpr Address kIrqHandler = 0x0460;

// Timer 1 raises NMI every 778 cycles; the main loop keeps the ACIA sending at 19200 baud and
// reads timer 1's counter, and the IRQ handler stores each received character in a ring at
// $0700-$07FF.
inline const std::vector<Byte> kSerialProgram = {
    0x10, 0xCE, 0x10, 0x00,  // $0400 LDS #$1000
    0x86, 0x1F,              // $0404 LDA #$1F      19200 baud, 8N1
    0xB7, 0xF0, 0x0B,        // $0406 STA $F00B
    0x86, 0x09,              // $0409 LDA #$09      DTR on, receive interrupt on
    0xB7, 0xF0, 0x0A,        // $040B STA $F00A
    0x86, 0x01,              // $040E LDA #$01      offset 0 addresses CR1
    0xB7, 0xF0, 0x19,        // $0410 STA $F019
    0xCC, 0x03, 0x09,        // $0413 LDD #777
    0xFD, 0xF0, 0x1A,        // $0416 STD $F01A
    0x86, 0xC2,              // $0419 LDA #$C2      continuous, internal clock, IRQ and output on
    0xB7, 0xF0, 0x18,        // $041B STA $F018
    0x1C, 0xEF,              // $041E ANDCC #$EF
    0xB6, 0xF0, 0x09,        // $0420 loop: LDA $F009
    0x85, 0x10,              // $0423 BITA #$10
    0x27, 0x04,              // $0425 BEQ skip
    0xF7, 0xF0, 0x08,        // $0427 STB $F008
    0x5C,                    // $042A INCB
    0xFE, 0xF0, 0x1A,        // $042B skip: LDU $F01A  counter, LSB through its buffer
    0xFF, 0x06, 0x00,        // $042E STU $0600
    0x20, 0xED,              // $0431 BRA loop
};
inline const std::vector<Byte> kSerialIrqHandler = {
    0xB6, 0xF0, 0x09,  // $0460 LDA $F009   status read ends the interrupt
    0x85, 0x08,        // $0463 BITA #$08
    0x27, 0x13,        // $0465 BEQ done
    0xB6, 0xF0, 0x08,  // $0467 LDA $F008
    0xBE, 0x05, 0x02,  // $046A LDX $0502
    0xA7, 0x80,        // $046D STA ,X+
    0x8C, 0x08, 0x00,  // $046F CMPX #$0800
    0x26, 0x03,        // $0472 BNE store
    0x8E, 0x07, 0x00,  // $0474 LDX #$0700
    0xBF, 0x05, 0x02,  // $0477 store: STX $0502
    0x3B,              // $047A done: RTI
};

// Port A plays a signal file whose CA2 edges interrupt; the IRQ handler copies port A to port B,
// whose write strobes CB2 for a cycle. Timer 1 counts in dual 8-bit mode and raises NMI; the main
// loop waits in SYNC between interrupts.
inline const std::vector<Byte> kPortProgram = {
    0x10, 0xCE, 0x10, 0x00,  // $0400 LDS #$1000
    0x86, 0xFF,              // $0404 LDA #$FF
    0xB7, 0xF0, 0x02,        // $0406 STA $F002     DDRB: all outputs
    0x86, 0x2C,              // $0409 LDA #$2C      CB2 pulse strobe, data register
    0xB7, 0xF0, 0x03,        // $040B STA $F003
    0x86, 0x1C,              // $040E LDA #$1C      CA2 rising edge interrupts, data register
    0xB7, 0xF0, 0x01,        // $0410 STA $F001
    0x86, 0x01,              // $0413 LDA #$01
    0xB7, 0xF0, 0x19,        // $0415 STA $F019
    0xCC, 0x05, 0x3A,        // $0418 LDD #$053A    5 * 59 periods
    0xFD, 0xF0, 0x1A,        // $041B STD $F01A
    0x86, 0xC6,              // $041E LDA #$C6      continuous, dual 8-bit, IRQ and output on
    0xB7, 0xF0, 0x18,        // $0420 STA $F018
    0x1C, 0xEF,              // $0423 ANDCC #$EF
    0x13,                    // $0425 loop: SYNC
    0x7C, 0x05, 0x04,        // $0426 INC $0504
    0xB6, 0xF0, 0x01,        // $0429 LDA $F001     CRA with the flags
    0xB7, 0x05, 0x05,        // $042C STA $0505
    0x20, 0xF4,              // $042F BRA loop
};
inline const std::vector<Byte> kPortIrqHandler = {
    0xB6, 0xF0, 0x00,  // $0460 LDA $F000   port A, ends the interrupt
    0xB7, 0xF0, 0x02,  // $0463 STA $F002   port B, strobes CB2
    0x7C, 0x05, 0x01,  // $0466 INC $0501
    0x3B,              // $0469 RTI
};

inline const std::vector<Byte> kNmiHandlerCode = {
    0xB6, 0xF0, 0x19,  // LDA $F019   status read marks timer 1
    0xB6, 0xF0, 0x1B,  // LDA $F01B   LSB read clears its flag
    0x7C, 0x05, 0x00,  // INC $0500
    0x3B,              // RTI
};

// Characters at 19200 baud (52 cycles a bit) with irregular pauses; DTR drops now and then,
// which the player turns into DSR changes.
inline std::string SerialSignalFile(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string text = std::string(R6551::kSignalFileHeader) + "\r\n";
    char line[64];
    const auto record = [&](int txd, int dtr, unsigned cycles) {
        std::snprintf(line, sizeof line, "%d   1   %d   0%13u\r\n", txd, dtr, cycles);
        text += line;
    };
    record(1, 0, 3000);
    for (int character = 0; character < 60; ++character) {
        const unsigned value = random() % 256;
        const int dtr = random() % 8 == 0 ? 1 : 0;
        record(0, dtr, 52);
        for (int bit = 0; bit < 8; ++bit)
            record((value >> bit) & 1, dtr, 52);
        record(1, 0, 52 + random() % 900);
    }
    return text;
}

// CA2 pulses with new port values at irregular distances.
inline std::string PortSignalFile(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string text = "#Px7-Px0  Cx1 Cx2     Zeit\r\n";
    char line[64];
    for (int pulse = 0; pulse < 400; ++pulse) {
        const unsigned value = random() % 256;
        char levels[9];
        for (int bit = 0; bit < 8; ++bit)
            levels[bit] = (value >> (7 - bit)) & 1 ? '1' : '0';
        levels[8] = '\0';
        std::snprintf(line, sizeof line, "%s   -   0%10u\r\n", levels,
                      static_cast<unsigned>(20 + random() % 3000));
        text += line;
        std::snprintf(line, sizeof line, "%s   -   1%10u\r\n", levels,
                      static_cast<unsigned>(1 + random() % 40));
        text += line;
    }
    return text;
}

enum class Program { kTimerAndSerial, kPortsAndSync };

inline std::unique_ptr<Machine> BuildMachine(Program program) {
    auto machine = std::make_unique<Machine>(MachineOptions{"6809.rom", true});
    machine->Decoder().SetBeepOnMessage(false);
    const auto load = [&](Address address, const std::vector<Byte>& bytes) {
        for (const Byte byte : bytes)
            machine->Decoder().Write(address++, byte);
    };
    const bool serial = program == Program::kTimerAndSerial;
    load(0x0400, serial ? kSerialProgram : kPortProgram);
    load(kIrqHandler, serial ? kSerialIrqHandler : kPortIrqHandler);
    load(kNmiHandler, kNmiHandlerCode);
    load(0x0502, {0x07, 0x00});
    for (const auto& [vector, handler] : {std::pair{0x1FFC, kNmiHandler}, {0x1FF8, kIrqHandler}}) {
        machine->Rom().StoreByte(vector, static_cast<Byte>(handler >> 8));
        machine->Rom().StoreByte(vector + 1, static_cast<Byte>(handler));
    }
    machine->Cpu().SetPC(0x0400);
    if (serial) {
        EXPECT_TRUE(machine->Acia().StartReading(
            std::make_unique<std::stringbuf>(SerialSignalFile(7)), "serial.sia"));
    } else {
        EXPECT_TRUE(machine->Pia().StartReading(
            std::make_unique<std::stringbuf>(PortSignalFile(11)), "ports.pia", kPortA));
    }
    machine->SetSystemRunning(true);
    return machine;
}

// The processor state with each interrupt sender named by its place in the machine instead of
// its address, so that two machines can be compared.
inline Mc6809State Comparable(Machine& machine, Mc6809State state) {
    for (InterruptInput* input : {&state.irq, &state.firq, &state.nmi}) {
        for (InterruptSource& source : input->sources) {
            for (const ModuleId id : {ModuleId::Pia, ModuleId::Timer, ModuleId::Acia}) {
                if (source.source == &machine.Module(id))
                    source.source = &kMachineWiring[static_cast<std::size_t>(id)];
            }
        }
    }
    return state;
}

// The first part in which the machines differ, or an empty text.
// `thorough` adds memory and every message line (else the count and the last line).
inline std::string Difference(Machine& a, Machine& b, bool thorough = true) {
    if (a.TotalSteps() != b.TotalSteps() || a.TotalCycles() != b.TotalCycles() ||
        a.CycleCounter() != b.CycleCounter()) {
        return "totals";
    }
    if (!(Comparable(a, a.Cpu().State()) == Comparable(b, b.Cpu().State()))) return "processor";
    if (!(a.Pia().State() == b.Pia().State())) return "PIA";
    if (!(a.Timer().State() == b.Timer().State())) return "timer";
    if (!(a.Acia().State() == b.Acia().State())) return "ACIA";
    if (!(a.Keypad().State() == b.Keypad().State())) return "keypad";
    if (!(a.Display().State() == b.Display().State())) return "display";
    const auto& aLines = a.Messages().Lines();
    const auto& bLines = b.Messages().Lines();
    if (aLines.size() != bLines.size() || (!aLines.empty() && aLines.back() != bLines.back()) ||
        (thorough && aLines != bLines)) {
        return "messages";
    }
    if (thorough && std::memcmp(a.Ram().DirectStorage(), b.Ram().DirectStorage(), 0x2000) != 0)
        return "memory";
    return {};
}

}  // namespace tarvok::test
