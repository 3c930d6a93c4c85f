// The monitor driven inside the test process, so that every processor step can be checked and
// several keys can be held at once.

#include <random>

#include "core/hex_text.h"
#include "devices/keypad.h"
#include "devices/seven_segment.h"
#include "machine/machine.h"
#include "monitor/monitor_support.h"

namespace tarvok {
namespace {

using K = KeypadKey;

// The monitor's own stack lies between its variables and the program memory.
constexpr Address kMonitorVariablesEnd = 0x0350;
constexpr Address kMonitorStackTop = 0x0400;
constexpr std::uint64_t kHold = 30000;  // cycles a key is held, and the gap after it

class MonitorMachineTest : public ::testing::Test {
protected:
    MonitorMachineTest() : machine_(Options()) {
        EXPECT_TRUE(machine_.Rom().FileStatus());
        machine_.SetSystemRunning(true);
    }

    static MachineOptions Options() {
        MachineOptions options;
        options.romFile = test::MonitorRomPath();
        return options;
    }

    // Runs the machine; with `watch` set, the first step that leaves the monitor's code or its
    // stack is noted in fault_.
    void RunCycles(std::uint64_t cycles, bool watch = false) {
        const std::uint64_t end = machine_.TotalCycles() + cycles;
        while (machine_.TotalCycles() < end) {
            machine_.Step();
            if (!watch || !fault_.empty()) continue;
            const Address pc = machine_.Cpu().PC();
            const Address s = machine_.Cpu().S();
            const bool inCode = pc >= 0xE000 && (pc < 0xF000 || pc >= 0xF030);
            if (!inCode || s < kMonitorVariablesEnd || s > kMonitorStackTop) {
                fault_ = "PC=" + Hex4(pc) + " S=" + Hex4(s);
            }
        }
    }
    void Tap(K key, bool watch = false) {
        machine_.PressKey(key);
        RunCycles(kHold, watch);
        machine_.ReleaseKey(key);
        RunCycles(kHold, watch);
    }
    void EnterAddress(const char* digits) {
        Tap(K::FnAddress);
        for (const char* c = digits; *c != '\0'; ++c)
            Tap(HexKey(*c));
    }
    static K HexKey(char c) {
        const int value = c <= '9' ? c - '0' : c - 'A' + 10;
        return static_cast<K>(static_cast<int>(K::Data0) + value);
    }
    // The key as tarvok-cli --keys names it, to repeat a failing run.
    static std::string Token(K key) {
        static const char* const kTokens[kKeypadKeyCount] = {
            "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",   "8",   "9",
            "A",  "B",  "C",  "D",  "E",  "F",  "^T", "^F1", "^F2", "^F3",
            "^S", "^R", "^A", "^+", "^L", "^G", "^D", "^-",  "^F4", "^C"};
        return kTokens[static_cast<int>(key)];
    }
    std::string Text() {
        std::string text;
        for (int digit = 7; digit >= 0; --digit) {
            const Byte low = machine_.Display().Pattern(digit);
            const Byte high = machine_.Display().Pattern(8 + digit);
            text += DecodeSevenSegment(static_cast<Byte>(low | high));
        }
        return text;
    }

    Machine machine_;
    std::string fault_;
};

TEST_F(MonitorMachineTest, SeveralKeysHeldOnlyNewPressesAct) {
    RunCycles(100000);
    EnterAddress("0400");
    machine_.PressKey(K::Data1);
    RunCycles(kHold);
    machine_.PressKey(K::Data2);  // 1 still held
    RunCycles(kHold);
    machine_.ReleaseKey(K::Data2);
    RunCycles(kHold);
    machine_.PressKey(K::Data3);
    RunCycles(kHold);
    machine_.ReleaseKey(K::Data1);  // 3 still held: releasing acts on nothing
    RunCycles(kHold);
    EXPECT_EQ(Text().substr(0, 4), "0123");
    machine_.PressKey(K::Data1);  // pressed again while 3 is still down
    RunCycles(kHold);
    machine_.ReleaseKey(K::Data1);
    machine_.ReleaseKey(K::Data3);
    RunCycles(kHold);
    EXPECT_EQ(Text().substr(0, 4), "1231");
}

TEST_F(MonitorMachineTest, AGlitchShorterThanTheDebounceTimeIsIgnored) {
    RunCycles(100000);
    EnterAddress("0400");
    machine_.PressKey(K::Data7);
    RunCycles(300);
    machine_.ReleaseKey(K::Data7);
    RunCycles(kHold);
    EXPECT_EQ(Text().substr(0, 4), "0400");
}

// FIRQ stacks only CC and PC; without a hook the monitor must still stop the program with all
// of its registers, also when the program's stack lies over the register image ($00F2-$00FF).
TEST_F(MonitorMachineTest, FirqWithoutHookStopsWithEveryRegisterWhateverTheStack) {
    RunCycles(100000);
    const std::uint16_t input = 2;  // FIRQ; nothing in the machine drives it
    for (const Address s : {0x00F8, 0x0100, 0x0108, 0x1F00}) {
        // LDS #s; LDA #$99; TFR A,DP; LDA #$11; LDB #$22; LDX #$3344; LDY #$5566; LDU #$7788;
        // ANDCC #$BF (FIRQ enabled); BRA *
        const std::string program =
            "10CE" + Hex4(s) + "86991F8B8611C6228E3344108E5566CE77881CBF20FE";
        for (std::size_t i = 0; i < program.size(); i += 2) {
            machine_.Decoder().Write(
                static_cast<Address>(0x0400 + i / 2),
                static_cast<Byte>(std::stoi(program.substr(i, 2), nullptr, 16)));
        }
        EnterAddress("0400");
        Tap(K::Go);
        machine_.Cpu().SetInterruptInput(this, 1, input, false);
        RunCycles(1000);
        machine_.Cpu().SetInterruptInput(this, 1, input, true);
        RunCycles(20000);
        std::string image;
        for (Address a = 0x00F2; a <= 0x00FF; ++a)
            image += Hex2(machine_.Decoder().Read(a, true));
        // S CC A B DP X Y U PC; FIRQ cleared E, the program cleared F.
        EXPECT_EQ(image, Hex4(s) + "001122993344556677880418") << Hex4(s);
        std::string mark;
        for (int digit = 7; digit >= 0; --digit)
            mark += Hex2(machine_.Display().Pattern(digit));
        EXPECT_EQ(mark, "0654780071065067") << Hex4(s);  // Int FIrQ
    }
}

// Random key sequences from every key that does not start user code (Go and Trace do), each
// beginning in data mode at an address from a list that reaches the hooks, the register image, the
// monitor's page, the input/output registers and the top of memory. The monitor must stay in its
// code and on its stack throughout, show only shapes it means to show, and answer keys afterwards.
TEST_F(MonitorMachineTest, RandomKeySequencesNeverCrashOrHangIt) {
    static constexpr K kKeys[] = {
        K::Data0,  K::Data1,  K::Data2,     K::Data3,  K::Data4,    K::Data5,     K::Data6,
        K::Data7,  K::Data8,  K::Data9,     K::DataA,  K::DataB,    K::DataC,     K::DataD,
        K::DataE,  K::DataF,  K::FnAddress, K::FnData, K::Register, K::Increment, K::Decrement,
        K::Insert, K::Delete, K::Dump,      K::Save,   K::Load,     K::Break,     K::Clear};
    static constexpr const char* kStarts[] = {"0400", "00E0", "00F2", "02F8", "03F8", "1FF8",
                                              "F000", "F008", "F018", "F01A", "F020", "FFF0"};
    std::mt19937 random(6809);
    std::uniform_int_distribution<std::size_t> pickKey(0, std::size(kKeys) - 1);
    std::uniform_int_distribution<std::size_t> pickStart(0, std::size(kStarts) - 1);
    RunCycles(100000);
    for (int run = 0; run < 30; ++run) {
        // The runs follow one another on the same machine; `keys` lists this run's keys.
        const char* start = kStarts[pickStart(random)];
        EnterAddress(start);
        Tap(K::FnData);
        std::string keys = "^A";
        for (const char* c = start; *c != '\0'; ++c)
            keys += std::string(" ") + *c;
        keys += " ^D";
        bool unknownShape = false;
        for (int i = 0; i < 40; ++i) {
            const K key = kKeys[pickKey(random)];
            keys += " " + Token(key);
            Tap(key, true);
            unknownShape = unknownShape || Text().find('?') != std::string::npos;
        }
        // Insert and Delete are busy for a while; then a transfer may still run, which the
        // first A ends.
        RunCycles(200000, true);
        EnterAddress("");
        EnterAddress("0400");
        const std::string expected = "0400  " + Hex2(machine_.Decoder().Read(0x0400, true));
        EXPECT_EQ(Text(), expected) << "run " << run << ": " << keys;
        EXPECT_EQ(fault_, "") << "run " << run << ": " << keys;
        EXPECT_FALSE(unknownShape) << "run " << run << ": " << keys;
        if (!fault_.empty()) break;
    }
}

}  // namespace
}  // namespace tarvok
