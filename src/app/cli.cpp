#include "app/cli.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

#include "core/file_util.h"
#include "core/hex_text.h"
#include "cpu/instruction_length.h"
#include "devices/keypad.h"
#include "devices/seven_segment.h"
#include "disasm/disassembler.h"
#include "machine/history.h"
#include "machine/key_script.h"
#include "machine/machine.h"
#include "machine/pacing.h"
#include "machine/program_file.h"
#include "machine/stepping.h"

namespace tarvok::cli {

namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u00" + Hex2(static_cast<unsigned char>(c));
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string RegisterLine(Mc6809& cpu) {
    return "A=" + Hex2(cpu.A()) + " B=" + Hex2(cpu.B()) + " X=" + Hex4(cpu.X()) +
           " Y=" + Hex4(cpu.Y()) + " U=" + Hex4(cpu.U()) + " S=" + Hex4(cpu.S()) +
           " PC=" + Hex4(cpu.PC()) + " DP=" + Hex2(cpu.DP()) + " CC=" + Hex2(cpu.CC());
}

void SetRegister(Mc6809& cpu, Mc6809Register reg, unsigned value) {
    const auto byte = static_cast<Byte>(value);
    const auto word = static_cast<std::uint16_t>(value);
    switch (reg) {
        case Mc6809Register::A:
            cpu.SetA(byte);
            break;
        case Mc6809Register::B:
            cpu.SetB(byte);
            break;
        case Mc6809Register::D:
            cpu.SetD(word);
            break;
        case Mc6809Register::X:
            cpu.SetX(word);
            break;
        case Mc6809Register::Y:
            cpu.SetY(word);
            break;
        case Mc6809Register::U:
            cpu.SetU(word);
            break;
        case Mc6809Register::S:
            cpu.SetS(word);
            break;
        case Mc6809Register::PC:
            cpu.SetPC(word);
            break;
        case Mc6809Register::DP:
            cpu.SetDP(byte);
            break;
        case Mc6809Register::CC:
            cpu.SetCC(byte);
            break;
    }
}

// A failure on a file: what was tried and why it failed, then the message box's text where the
// program shows one.
std::string Explain(const std::string& what, const Status& status) {
    std::string text = what + ": " + status.Reason();
    if (!status.Message().text.empty()) text += "\n" + status.Message().text;
    return text;
}

// The first columns of a trace line: an instruction's bytes, or the interrupt and its vector.
std::string TraceWhat(AddressDecoder& decoder, Address pc,
                      const std::optional<InterruptEntry>& entry) {
    std::string what;
    if (entry) {
        what = "<" + std::string(entry->name) + " " + Hex4(entry->vector) + ">";
    } else {
        const int length = Mc6809InstructionLength(
            decoder.Read(pc, true), decoder.Read(static_cast<Address>(pc + 1), true),
            decoder.Read(static_cast<Address>(pc + 2), true));
        for (int i = 0; i < length; ++i)
            what += Hex2(decoder.Read(static_cast<Address>(pc + i), true)) + " ";
    }
    what.resize(16, ' ');  // the longest instruction takes 15
    return Hex4(pc) + "  " + what;
}

std::string PortName(int port) {
    return port == 1 ? "A" : "B";
}

struct DisplayText {
    std::string text, low, high;
};

DisplayText ReadDisplay(SevenSegmentDisplay& display) {
    DisplayText result;
    for (int digit = 7; digit >= 0; --digit) {
        const Byte low = display.Pattern(digit);
        const Byte high = display.Pattern(8 + digit);
        result.text += DecodeSevenSegment(static_cast<Byte>(low | high));
        result.low += Hex2(low);
        result.high += Hex2(high);
    }
    return result;
}

}  // namespace

int Run(const Options& options, std::ostream& out, std::ostream& err,
        const volatile std::sig_atomic_t* interrupted) {
    const auto fail = [&err](const std::string& message) {
        err << "tarvok-cli: " << message << "\n";
        return 2;
    };
    std::vector<KeypadKey> keys;
    for (const std::string& token : options.keys) {
        const auto key = ParseKeyToken(token);
        if (!key) return fail("unknown key '" + token + "' in --keys");
        keys.push_back(*key);
    }
    // Found out before anything runs, not after a long run.
    if (options.saveHex) {
        if (const Status writable = CheckWritable(options.saveHex->file); !writable) {
            return fail(Explain("cannot save to '" + options.saveHex->file + "'", writable));
        }
    }
    MachineOptions machineOptions;
    if (options.romFile) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(*options.romFile, ec)) {
            return fail("cannot read ROM image '" + *options.romFile + "'");
        }
        machineOptions.romFile = *options.romFile;
    }
    Machine machine(machineOptions);
    if (options.romFile && !machine.Rom().FileStatus()) {
        return fail("cannot read ROM image '" + *options.romFile +
                    "': " + machine.Rom().FileStatus().Reason());
    }
    AddressDecoder& decoder = machine.Decoder();
    decoder.SetBeepOnMessage(false);
    Mc6809& cpu = machine.Cpu();

    SymbolTable symbols;
    if (options.symbolsFile) {
        std::string text;
        Status loaded = ReadWholeFile(*options.symbolsFile, text);
        if (loaded) loaded = ParseSymbolFile(text, symbols);
        if (!loaded) {
            std::string where = *options.symbolsFile;
            if (loaded.Line() != 0) where += ":" + std::to_string(loaded.Line());
            return fail(Explain(where, loaded));
        }
    }
    for (const std::string& file : options.loads) {
        if (const Status loaded = LoadProgramFile(decoder, file); !loaded) {
            std::string where = file;
            if (loaded.Line() != 0) where += ":" + std::to_string(loaded.Line());
            return fail(Explain(where, loaded));
        }
    }
    for (const auto& [address, bytes] : options.pokes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            decoder.Write(static_cast<Address>(address + i), bytes[i]);
        }
    }
    for (const auto& [reg, value] : options.registers)
        SetRegister(cpu, reg, value);
    for (const auto& [port, value] : options.piaInputs)
        machine.Pia().SetInputSwitches(port, value);
    for (const Address address : options.breakpoints)
        decoder.SetBreakpoint(address, true);
    if (options.until) decoder.SetBreakpoint(*options.until, true);

    for (const auto& [port, file] : options.piaPlay) {
        if (const Status started = machine.Pia().StartReading(file, port); !started) {
            return fail(Explain("port " + PortName(port) + " cannot play '" + file + "'", started));
        }
    }
    for (const auto& [port, file] : options.piaRecord) {
        if (const Status started = machine.Pia().StartRecording(file, port); !started) {
            return fail(
                Explain("port " + PortName(port) + " cannot record to '" + file + "'", started));
        }
    }
    if (options.siaPlay) {
        if (const Status started = machine.Acia().StartReading(*options.siaPlay); !started) {
            return fail(Explain("the serial port cannot play '" + *options.siaPlay + "'", started));
        }
    }
    if (options.siaRecord) {
        if (const Status started = machine.Acia().StartRecording(*options.siaRecord); !started) {
            return fail(
                Explain("the serial port cannot record to '" + *options.siaRecord + "'", started));
        }
    }

    // The trace is written as it happens; in JSON it opens the object.
    if (options.json) out << "{" << (options.trace ? "\"trace\": [" : "");
    bool firstTraceLine = true;
    const auto trace = [&](const std::string& line) {
        if (options.json) {
            out << (firstTraceLine ? "" : ", ") << JsonString(line);
        } else {
            out << line << "\n";
        }
        firstTraceLine = false;
    };

    // Run: processor step, then the other clocked modules; the breakpoint test follows each step.
    // A traced run goes step by step; otherwise the machine runs as far as it can at once, and
    // an interrupt request is seen between such runs. --step-over runs its steps through the
    // debugger's step over, one command after the other.
    constexpr std::uint64_t kUntracedRunCycles = std::uint64_t{1} << 20;
    std::string stop = "none";
    std::uint64_t steps = 0;
    std::uint64_t stepOvers = 0;
    std::optional<SteppingRun> stepping;
    KeyFeeder keyFeeder(std::move(keys), options.keyCycles, machine.TotalCycles());
    const auto stopRequested = [interrupted] { return interrupted != nullptr && *interrupted; };
    Pacer pacer(options.speed);
    pacer.Restart(Pacer::Clock::now(), machine.TotalCycles());
    // Only --step-back keeps the past: without it the run costs nothing more.
    StepBackHistory history(machine);
    if (options.stepBack) history.Attach();
    if (options.steps || options.cycles || options.stepOvers) {
        machine.SetSystemRunning(true);
        const std::uint64_t startCycles = machine.TotalCycles();
        for (;;) {
            if (stopRequested()) {
                stop = "interrupted";
                break;
            }
            if (options.steps && steps >= *options.steps) {
                stop = "steps";
                break;
            }
            if (options.cycles && machine.TotalCycles() - startCycles >= *options.cycles) {
                stop = "cycles";
                break;
            }
            if (options.stepOvers && !stepping) {
                if (stepOvers >= *options.stepOvers) {
                    stop = "step-over";
                    break;
                }
                stepping.emplace(machine, StepKind::StepOver);
            }
            // Paced: ahead of the wall clock, wait a millisecond at a time.
            while (pacer.Paced() && !stopRequested() &&
                   machine.TotalCycles() >=
                       pacer.Allowance(Pacer::Clock::now(), machine.TotalCycles())) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            keyFeeder.Advance(machine);
            // A key may have reset the machine onto a breakpoint, which stops it.
            if (!machine.SystemRunning()) {
                stop = "breakpoint";
                break;
            }
            if (!options.trace && !stepping) {
                // Up to the next limit or key in one run, which ends at the same step as the
                // step-by-step loop would.
                std::uint64_t budget = kUntracedRunCycles;
                if (options.cycles) {
                    budget =
                        std::min(budget, startCycles + *options.cycles - machine.TotalCycles());
                }
                if (!keyFeeder.Done() && keyFeeder.NextCycle() > machine.TotalCycles()) {
                    budget = std::min(budget, keyFeeder.NextCycle() - machine.TotalCycles());
                } else if (!keyFeeder.Done()) {
                    budget = 1;
                }
                if (pacer.Paced()) {
                    const std::uint64_t allowed =
                        pacer.Allowance(Pacer::Clock::now(), machine.TotalCycles());
                    budget = std::clamp<std::uint64_t>(allowed - machine.TotalCycles(), 1, budget);
                }
                const Mc6809::RunResult run = machine.RunFor(
                    budget, options.steps ? *options.steps - steps : Mc6809::kNoStepLimit);
                steps += run.steps;
                if (run.end == Mc6809::RunEnd::Breakpoint) {
                    stop = "breakpoint";
                    break;
                }
                continue;
            }
            const Address pc = cpu.PC();
            std::string traced;
            if (options.trace) traced = TraceWhat(decoder, pc, NextInterruptEntry(cpu.State()));
            const std::uint64_t cyclesBefore = machine.TotalCycles();
            bool breakpoint = false;
            if (stepping) {
                const StepOutcome outcome = stepping->Advance(1);
                breakpoint = outcome == StepOutcome::Breakpoint;
                if (outcome != StepOutcome::Running) stepping.reset();
                if (outcome == StepOutcome::Done) ++stepOvers;
            } else {
                machine.Step();
                breakpoint = machine.CheckBreakpoint();
            }
            ++steps;
            if (options.trace) {
                trace(traced + RegisterLine(cpu) +
                      "  cycles=" + std::to_string(machine.TotalCycles() - cyclesBefore) +
                      " total=" + std::to_string(machine.TotalCycles()));
            }
            if (breakpoint) {
                stop = "breakpoint";
                break;
            }
        }
    }
    if (options.json && options.trace) out << "], ";

    int exitCode = 0;
    // Back from the state the run ended in (recordings are cut back with it).
    if (options.stepBack && !stopRequested()) {
        const std::uint64_t back = *options.stepBack;
        if (back > steps) {
            exitCode = fail("cannot step back " + std::to_string(back) + " steps: the run took " +
                            std::to_string(steps));
        } else if (back != 0) {
            const Status went = history.StepBackTo(machine.TotalSteps() - back);
            if (went) {
                steps -= back;
            } else {
                exitCode =
                    fail("cannot step back " + std::to_string(back) + " steps: " + went.Reason());
            }
        }
    }
    for (const auto& [port, file] : options.piaRecord) {
        if (const Status stopped = machine.Pia().StopReadingAndRecording(port); !stopped) {
            exitCode =
                fail(Explain("port " + PortName(port) + " recording to '" + file + "'", stopped));
        }
    }
    if (options.siaRecord) {
        if (const Status stopped = machine.Acia().StopReadingAndRecording(); !stopped) {
            exitCode =
                fail(Explain("the serial recording to '" + *options.siaRecord + "'", stopped));
        }
    }
    // An interrupted run leaves the file it would have saved alone.
    if (options.saveHex && !stopRequested()) {
        const Status saved = SaveProgramFile(decoder, options.saveHex->first, options.saveHex->last,
                                             options.saveHex->file);
        if (!saved)
            exitCode = fail(Explain("cannot save to '" + options.saveHex->file + "'", saved));
    }
    if (stopRequested()) {
        err << "tarvok-cli: interrupted\n";
        exitCode = kInterruptedExit;
    }

    std::vector<std::pair<std::string, std::string>> dumps;
    for (const auto& [first, last] : options.dumps) {
        std::string bytes;
        for (unsigned address = first; address <= last; ++address) {
            bytes += Hex2(decoder.Read(static_cast<Address>(address), true));
        }
        dumps.emplace_back(Hex4(first) + "-" + Hex4(last), bytes);
    }
    const DisasmByteReader peek = [&decoder](Address address) {
        return decoder.Read(address, true);
    };
    std::vector<std::pair<std::string, std::vector<std::string>>> listings;
    for (const auto& [first, last] : options.disassemblies) {
        std::vector<std::string> listing;
        for (ListingLine& line : DisassembleListing(peek, first, last, &symbols))
            listing.push_back(std::move(line.text));
        listings.emplace_back(Hex4(first) + "-" + Hex4(last), std::move(listing));
    }
    const auto& lines = machine.Messages().Lines();

    if (options.json) {
        std::ostringstream json;
        json << "\"regs\": {\"a\": " << unsigned{cpu.A()} << ", \"b\": " << unsigned{cpu.B()}
             << ", \"d\": " << cpu.D() << ", \"x\": " << cpu.X() << ", \"y\": " << cpu.Y()
             << ", \"u\": " << cpu.U() << ", \"s\": " << cpu.S() << ", \"pc\": " << cpu.PC()
             << ", \"dp\": " << unsigned{cpu.DP()} << ", \"cc\": " << unsigned{cpu.CC()}
             << "}, \"cycles\": " << machine.TotalCycles() << ", \"steps\": " << steps
             << (options.stepOvers ? ", \"step_overs\": " + std::to_string(stepOvers) : "")
             << ", \"stop\": \"" << stop << "\", \"messages\": [";
        for (std::size_t i = 0; i < lines.size(); ++i)
            json << (i ? ", " : "") << JsonString(lines[i]);
        json << "], \"dumps\": {";
        for (std::size_t i = 0; i < dumps.size(); ++i) {
            json << (i ? ", " : "") << JsonString(dumps[i].first) << ": "
                 << JsonString(dumps[i].second);
        }
        json << "}";
        if (!listings.empty()) {
            json << ", \"disasm\": {";
            for (std::size_t i = 0; i < listings.size(); ++i) {
                json << (i ? ", " : "") << JsonString(listings[i].first) << ": [";
                for (std::size_t j = 0; j < listings[i].second.size(); ++j)
                    json << (j ? ", " : "") << JsonString(listings[i].second[j]);
                json << "]";
            }
            json << "}";
        }
        if (options.display) {
            const DisplayText display = ReadDisplay(machine.Display());
            json << ", \"display\": {\"text\": " << JsonString(display.text)
                 << ", \"low\": " << JsonString(display.low)
                 << ", \"high\": " << JsonString(display.high) << "}";
        }
        json << "}\n";
        out << json.str();
        return exitCode;
    }

    out << "Registers: " << RegisterLine(cpu) << "\n";
    out << "Cycles:    " << machine.TotalCycles() << "\n";
    out << "Steps:     " << steps << "\n";
    if (options.stepOvers) out << "Step-overs: " << stepOvers << "\n";
    out << "Stop:      " << stop << "\n";
    for (const auto& [range, bytes] : dumps)
        out << "Dump " << range << ": " << bytes << "\n";
    for (const auto& [range, listing] : listings) {
        out << "Disassembly " << range << ":\n";
        for (const std::string& line : listing)
            out << line << "\n";
    }
    if (options.display) {
        const DisplayText display = ReadDisplay(machine.Display());
        out << "Display:   [" << display.text << "] low " << display.low << " high " << display.high
            << "\n";
    }
    out << "Messages:" << (lines.empty() ? " none" : "") << "\n";
    for (const std::string& line : lines)
        out << "  " << line << "\n";
    return exitCode;
}

}  // namespace tarvok::cli
