#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/address_decoder.h"
#include "core/memory_devices.h"
#include "core/output_sink.h"
#include "cpu/mc6809.h"

namespace tarvok::testing {

// Records every notice of the processor, in order.
class RecordingListener : public Mc6809Listener {
public:
    void RegisterChanged(Mc6809Register reg, std::uint16_t value) override {
        registers.emplace_back(reg, value);
    }
    void InputLevelChanged(std::uint16_t input, bool level) override {
        inputs.emplace_back(input, level);
    }
    std::vector<std::pair<Mc6809Register, std::uint16_t>> registers;
    std::vector<std::pair<std::uint16_t, bool>> inputs;
};

// Processor on a bus with RAM at $0000 and writable RAM in the top 8K, so vectors can be set.
class CpuTest : public ::testing::Test {
protected:
    static constexpr Address kProgram = 0x0400;

    CpuTest() {
        decoder.SetOutput(&messages);
        decoder.SetBeepOnMessage(false);
        ram.SetDecoder(&decoder);
        ram.Install();
        top.SetBaseAddress(0xE000);
        top.SetDecoder(&decoder);
        top.Install();
        SetWord(0xFFFE, kProgram);
        cpu.SetDecoder(&decoder);
        cpu.Install();
    }

    void Poke(Address address, std::initializer_list<Byte> bytes) {
        for (Byte b : bytes)
            decoder.Write(address++, b);
    }
    void Poke(Address address, const std::vector<Byte>& bytes) {
        for (Byte b : bytes)
            decoder.Write(address++, b);
    }
    void SetWord(Address address, std::uint16_t value) {
        decoder.Write(address, static_cast<Byte>(value >> 8));
        decoder.Write(static_cast<Address>(address + 1), static_cast<Byte>(value));
    }
    Byte Peek(Address address) { return decoder.Read(address, true); }
    std::uint16_t PeekWord(Address address) {
        return static_cast<std::uint16_t>((Peek(address) << 8) | Peek(address + 1));
    }
    // Places the program at kProgram and points PC at it.
    void Program(std::initializer_list<Byte> bytes) {
        Poke(kProgram, bytes);
        cpu.SetPC(kProgram);
    }
    int Step() { return cpu.Run(0); }
    int Steps(int n) {
        int total = 0;
        for (int i = 0; i < n; ++i)
            total += Step();
        return total;
    }
    // Runs until PC reaches `address`; returns the cycles, or -1 after `limit` steps.
    long RunUntil(Address address, long limit = 1000000) {
        long total = 0;
        for (long i = 0; i < limit; ++i) {
            if (cpu.PC() == address) return total;
            total += Step();
        }
        return -1;
    }
    std::string LastMessage() const {
        return messages.Lines().empty() ? std::string() : messages.Lines().back();
    }
    std::size_t MessageCount() const { return messages.Lines().size(); }

    AddressDecoder decoder;
    MessageLines messages;
    Ram ram;
    Ram top;
    Mc6809 cpu;
};

}  // namespace tarvok::testing
