#include "app/cli.h"

#include <filesystem>
#include <sstream>

#include "core/hex_text.h"
#include "machine/machine.h"
#include "machine/program_file.h"
#include "cpu/instruction_length.h"
#include "devices/keyboard.h"
#include "devices/seven_segment.h"

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

// A key token of --keys as the PC key that the main window would see.
struct TKeyToken {
    int virtualKey;
    bool ctrl;
};

std::optional<TKeyToken> ParseKeyToken(const std::string& token) {
    if (token.size() == 1) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(token[0])));
        if (c >= '0' && c <= '9') return TKeyToken{c, false};
        if (c >= 'A' && c <= 'F') return TKeyToken{c, false};
        return std::nullopt;
    }
    if (token.size() < 2 || token[0] != '^') return std::nullopt;
    std::string name = token.substr(1);
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const std::pair<const char*, int> kControlKeys[] = {
        {"A", 65}, {"C", 67},  {"D", 68},  {"G", 71},   {"L", 76},   {"R", 82},   {"S", 83},
        {"T", 84}, {"+", 107}, {"-", 109}, {"F1", 112}, {"F2", 113}, {"F3", 114}, {"F4", 115}};
    for (const auto& [keyName, code] : kControlKeys) {
        if (name == keyName) return TKeyToken{code, true};
    }
    return std::nullopt;
}

// Feeds the key tokens: each is held for keyCycles cycles, then released, with the same gap.
class TKeyFeeder {
public:
    TKeyFeeder(std::vector<TKeyToken> tokens, std::uint64_t keyCycles, std::uint64_t start)
        : tokens_(std::move(tokens)), keyCycles_(keyCycles), next_(start) {}

    void Advance(TMachine& machine) {
        while (index_ < tokens_.size() && machine.TotalCycles() >= next_) {
            const TKeyToken& token = tokens_[index_];
            if (!pressed_) {
                if (const auto key = PcKeyDown(token.virtualKey, token.ctrl, false)) {
                    machine.PressKey(*key);
                }
                pressed_ = true;
            } else {
                for (const TKeypadKey& key : PcKeyUp(token.virtualKey, false)) {
                    machine.ReleaseKey(key);
                }
                pressed_ = false;
                ++index_;
            }
            next_ += keyCycles_;
        }
    }

private:
    std::vector<TKeyToken> tokens_;
    std::uint64_t keyCycles_;
    std::uint64_t next_;
    std::size_t index_ = 0;
    bool pressed_ = false;
};

std::string RegisterLine(TMC6809Module& cpu) {
    return "A=" + Hex2(cpu.GetRegA()) + " B=" + Hex2(cpu.GetRegB()) + " X=" + Hex4(cpu.GetRegX()) +
           " Y=" + Hex4(cpu.GetRegY()) + " U=" + Hex4(cpu.GetRegU()) + " S=" + Hex4(cpu.GetRegS()) +
           " PC=" + Hex4(cpu.GetRegPC()) + " DP=" + Hex2(cpu.GetRegDP()) +
           " CC=" + Hex2(cpu.GetRegCC());
}

void SetRegister(TMC6809Module& cpu, TMC6809Register reg, unsigned value) {
    const auto byte = static_cast<Byte>(value);
    const auto word = static_cast<std::uint16_t>(value);
    switch (reg) {
        case TMC6809Register::A:
            cpu.SetRegA(byte);
            break;
        case TMC6809Register::B:
            cpu.SetRegB(byte);
            break;
        case TMC6809Register::D:
            cpu.SetRegD(word);
            break;
        case TMC6809Register::X:
            cpu.SetRegX(word);
            break;
        case TMC6809Register::Y:
            cpu.SetRegY(word);
            break;
        case TMC6809Register::U:
            cpu.SetRegU(word);
            break;
        case TMC6809Register::S:
            cpu.SetRegS(word);
            break;
        case TMC6809Register::PC:
            cpu.SetRegPC(word);
            break;
        case TMC6809Register::DP:
            cpu.SetRegDP(byte);
            break;
        case TMC6809Register::CC:
            cpu.SetRegCC(byte);
            break;
    }
}

std::string PortName(int port) {
    return port == 1 ? "A" : "B";
}

struct TDisplayText {
    std::string text, low, high;
};

TDisplayText ReadDisplay(TSevenSegmentModule& display) {
    TDisplayText result;
    for (int digit = 7; digit >= 0; --digit) {
        const Byte low = display.GetMemory(digit);
        const Byte high = display.GetMemory(8 + digit);
        result.text += DecodeSevenSegment(static_cast<Byte>(low | high));
        result.low += Hex2(low);
        result.high += Hex2(high);
    }
    return result;
}

}  // namespace

int Run(const TOptions& options, std::ostream& out, std::ostream& err) {
    const auto fail = [&err](const std::string& message) {
        err << "tarvok-cli: " << message << "\n";
        return 2;
    };
    std::vector<TKeyToken> keyTokens;
    for (const std::string& token : options.keys) {
        const auto key = ParseKeyToken(token);
        if (!key) return fail("unknown key '" + token + "' in --keys");
        keyTokens.push_back(*key);
    }
    TMachineOptions machineOptions;
    if (options.romFile) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(*options.romFile, ec)) {
            return fail("cannot read ROM image '" + *options.romFile + "'");
        }
        machineOptions.romFile = *options.romFile;
    }
    TMachine machine(machineOptions);
    if (options.romFile && !machine.Rom().LoadedFromFile()) {
        return fail("cannot read ROM image '" + *options.romFile + "'");
    }
    TAddressDecoder& decoder = machine.Decoder();
    decoder.SetBeepOnMessage(false);
    TMC6809Module& cpu = machine.Cpu();

    for (const std::string& file : options.loads) {
        const TProgramLoadResult loaded = LoadProgramFile(decoder, file);
        if (!loaded.ok) {
            std::string where = file;
            if (loaded.errorLine != 0) where += ":" + std::to_string(loaded.errorLine);
            return fail(where + ": " + loaded.reason + "\n" + loaded.message->text);
        }
    }
    for (const auto& [address, bytes] : options.pokes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            decoder.SetValue(static_cast<Address>(address + i), bytes[i]);
        }
    }
    for (const auto& [reg, value] : options.registers)
        SetRegister(cpu, reg, value);
    for (const auto& [port, value] : options.piaInputs)
        machine.Pia().SetInputSwitches(port, value);
    for (const Address address : options.breakpoints)
        decoder.SetBreakpoint(address, true);
    if (options.until) decoder.SetBreakpoint(*options.until, true);

    TUserMessage message;
    for (const auto& [port, file] : options.piaPlay) {
        if (!machine.Pia().StartReading(file, port, &message)) {
            return fail("port " + PortName(port) + ": " + message.text);
        }
    }
    for (const auto& [port, file] : options.piaRecord) {
        if (!machine.Pia().StartRecording(file, port)) {
            return fail("port " + PortName(port) + " is busy and cannot record to '" + file + "'");
        }
    }
    if (options.siaPlay && !machine.Acia().StartReading(*options.siaPlay, &message)) {
        return fail(message.text);
    }
    if (options.siaRecord && !machine.Acia().StartRecording(*options.siaRecord)) {
        return fail("the serial port is busy and cannot record to '" + *options.siaRecord + "'");
    }

    // Run: processor step, then the other clocked modules; the breakpoint test follows each step.
    std::string stop = "none";
    std::uint64_t steps = 0;
    std::vector<std::string> trace;
    TKeyFeeder keys(std::move(keyTokens), options.keyCycles, machine.TotalCycles());
    if (options.steps || options.cycles) {
        machine.SetSystemRunning(true);
        const std::uint64_t startCycles = machine.TotalCycles();
        for (;;) {
            if (options.steps && steps >= *options.steps) {
                stop = "steps";
                break;
            }
            if (options.cycles && machine.TotalCycles() - startCycles >= *options.cycles) {
                stop = "cycles";
                break;
            }
            keys.Advance(machine);
            const Address pc = cpu.GetRegPC();
            const Byte cycles = machine.Step();
            ++steps;
            if (options.trace) {
                const int length = MC6809InstructionLength(decoder.GetValue(pc, true),
                                                           decoder.GetValue(pc + 1, true),
                                                           decoder.GetValue(pc + 2, true));
                std::string bytes;
                for (int i = 0; i < length; ++i) {
                    bytes += Hex2(decoder.GetValue(static_cast<Address>(pc + i), true)) + " ";
                }
                bytes.resize(16, ' ');
                trace.push_back(Hex4(pc) + "  " + bytes + RegisterLine(cpu) +
                                "  cycles=" + std::to_string(cycles));
            }
            if (machine.CheckBreakpoint()) {
                stop = "breakpoint";
                break;
            }
        }
    }

    int exitCode = 0;
    for (const auto& [port, file] : options.piaRecord) {
        if (!machine.Pia().StopReadingAndRecording(port, &message)) exitCode = fail(message.text);
    }
    if (options.siaRecord && !machine.Acia().StopReadingAndRecording(&message)) {
        exitCode = fail(message.text);
    }
    if (options.saveHex) {
        if (const auto error = SaveProgramFile(decoder, options.saveHex->first,
                                               options.saveHex->last, options.saveHex->file)) {
            exitCode = fail(error->text);
        }
    }

    std::vector<std::pair<std::string, std::string>> dumps;
    for (const auto& [first, last] : options.dumps) {
        std::string bytes;
        for (unsigned address = first; address <= last; ++address) {
            bytes += Hex2(decoder.GetValue(static_cast<Address>(address), true));
        }
        dumps.emplace_back(Hex4(first) + "-" + Hex4(last), bytes);
    }
    const auto& lines = machine.Messages().Lines();

    if (options.json) {
        std::ostringstream json;
        json << "{\"regs\": {\"a\": " << unsigned{cpu.GetRegA()}
             << ", \"b\": " << unsigned{cpu.GetRegB()} << ", \"d\": " << cpu.GetRegD()
             << ", \"x\": " << cpu.GetRegX() << ", \"y\": " << cpu.GetRegY()
             << ", \"u\": " << cpu.GetRegU() << ", \"s\": " << cpu.GetRegS()
             << ", \"pc\": " << cpu.GetRegPC() << ", \"dp\": " << unsigned{cpu.GetRegDP()}
             << ", \"cc\": " << unsigned{cpu.GetRegCC()}
             << "}, \"cycles\": " << machine.TotalCycles() << ", \"steps\": " << steps
             << ", \"stop\": \"" << stop << "\", \"messages\": [";
        for (std::size_t i = 0; i < lines.size(); ++i)
            json << (i ? ", " : "") << JsonString(lines[i]);
        json << "], \"dumps\": {";
        for (std::size_t i = 0; i < dumps.size(); ++i) {
            json << (i ? ", " : "") << JsonString(dumps[i].first) << ": "
                 << JsonString(dumps[i].second);
        }
        json << "}";
        if (options.display) {
            const TDisplayText display = ReadDisplay(machine.Display());
            json << ", \"display\": {\"text\": " << JsonString(display.text)
                 << ", \"low\": " << JsonString(display.low)
                 << ", \"high\": " << JsonString(display.high) << "}";
        }
        if (options.trace) {
            json << ", \"trace\": [";
            for (std::size_t i = 0; i < trace.size(); ++i)
                json << (i ? ", " : "") << JsonString(trace[i]);
            json << "]";
        }
        json << "}\n";
        out << json.str();
        return exitCode;
    }

    for (const std::string& line : trace)
        out << line << "\n";
    out << "Registers: " << RegisterLine(cpu) << "\n";
    out << "Cycles:    " << machine.TotalCycles() << "\n";
    out << "Steps:     " << steps << "\n";
    out << "Stop:      " << stop << "\n";
    for (const auto& [range, bytes] : dumps)
        out << "Dump " << range << ": " << bytes << "\n";
    if (options.display) {
        const TDisplayText display = ReadDisplay(machine.Display());
        out << "Display:   [" << display.text << "] low " << display.low << " high " << display.high
            << "\n";
    }
    out << "Messages:" << (lines.empty() ? " none" : "") << "\n";
    for (const std::string& line : lines)
        out << "  " << line << "\n";
    return exitCode;
}

}  // namespace tarvok::cli
