#include <charconv>
#include <filesystem>
#include <iterator>

#include "app/cli.h"
#include "core/hex_text.h"

namespace tarvok::cli {

namespace {

bool ParseHex(std::string_view text, unsigned limit, unsigned& value) {
    return ParseHexDigits(text, value) && value <= limit;
}

bool ParseAddress(std::string_view text, Address& address) {
    const auto parsed = ParseHexAddress(text);
    if (parsed) address = *parsed;
    return parsed.has_value();
}

bool ParseRange(std::string_view text, Address& first, Address& last) {
    const std::size_t dash = text.find('-');
    return dash != std::string_view::npos && ParseAddress(text.substr(0, dash), first) &&
           ParseAddress(text.substr(dash + 1), last) && first <= last;
}

bool ParseCount(std::string_view text, std::uint64_t& value) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return ec == std::errc{} && end == text.data() + text.size();
}

bool ParsePort(std::string_view text, int& port) {
    if (text == "A" || text == "a") {
        port = 1;
    } else if (text == "B" || text == "b") {
        port = 2;
    } else {
        return false;
    }
    return true;
}

bool ParsePoke(std::string_view text, std::pair<Address, std::vector<Byte>>& poke) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || !ParseAddress(text.substr(0, colon), poke.first)) {
        return false;
    }
    const std::string_view bytes = text.substr(colon + 1);
    if (bytes.empty() || bytes.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        unsigned value;
        if (!ParseHex(bytes.substr(i, 2), 0xFF, value)) return false;
        poke.second.push_back(static_cast<Byte>(value));
    }
    return true;
}

struct RegisterName {
    const char* name;
    Mc6809Register reg;
    unsigned limit;
};

constexpr RegisterName kRegisterNames[] = {
    {"A", Mc6809Register::A, 0xFF},   {"B", Mc6809Register::B, 0xFF},
    {"D", Mc6809Register::D, 0xFFFF}, {"X", Mc6809Register::X, 0xFFFF},
    {"Y", Mc6809Register::Y, 0xFFFF}, {"U", Mc6809Register::U, 0xFFFF},
    {"S", Mc6809Register::S, 0xFFFF}, {"PC", Mc6809Register::PC, 0xFFFF},
    {"DP", Mc6809Register::DP, 0xFF}, {"CC", Mc6809Register::CC, 0xFF}};

// NAME=HEX with a register name in either case and a value that fits the register. An unknown
// name is reported in `error` with the names there are.
bool ParseRegister(std::string_view text, std::pair<Mc6809Register, unsigned>& setting,
                   std::string& error) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return false;
    std::string name(text.substr(0, equals));
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const RegisterName& known : kRegisterNames) {
        if (name != known.name) continue;
        setting.first = known.reg;
        return ParseHex(text.substr(equals + 1), known.limit, setting.second);
    }
    std::string names;
    for (std::size_t i = 0; i < std::size(kRegisterNames); ++i) {
        if (i > 0) names += i + 1 < std::size(kRegisterNames) ? ", " : " or ";
        names += kRegisterNames[i].name;
    }
    error = "unknown register '" + std::string(text.substr(0, equals)) + "' in --reg " +
            std::string(text) + ": the registers are " + names;
    return false;
}

bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;  // both exist (links included)
    const fs::path first = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path second = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return !first.empty() && first == second;
}

// Refuses an output file that another output or an input names too: one of them would be lost.
std::string CheckFileUse(const Options& options) {
    struct Use {
        std::string option;
        std::string file;
    };
    std::vector<Use> inputs, outputs;
    if (options.romFile) inputs.push_back({"--rom", *options.romFile});
    for (const std::string& file : options.loads)
        inputs.push_back({"--load", file});
    for (const auto& [port, file] : options.piaPlay)
        inputs.push_back({"--pia-play", file});
    if (options.siaPlay) inputs.push_back({"--sia-play", *options.siaPlay});
    if (options.symbolsFile) inputs.push_back({"--symbols", *options.symbolsFile});
    for (const auto& [port, file] : options.piaRecord)
        outputs.push_back({"--pia-record", file});
    if (options.siaRecord) outputs.push_back({"--sia-record", *options.siaRecord});
    if (options.saveHex) outputs.push_back({"--save-hex", options.saveHex->file});
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (SameFile(outputs[i].file, outputs[j].file)) {
                return outputs[j].option + " and " + outputs[i].option + " both write '" +
                       outputs[i].file + "': each output needs a file of its own";
            }
        }
        for (const Use& input : inputs) {
            if (SameFile(outputs[i].file, input.file)) {
                return outputs[i].option + " would overwrite '" + outputs[i].file + "', which " +
                       input.option + " reads";
            }
        }
    }
    return {};
}

// A port, like the window it belongs to, plays back or records one file at a time.
std::string CheckPorts(const Options& options) {
    std::vector<std::pair<int, bool>> uses;  // port, recording
    for (const auto& [port, file] : options.piaPlay)
        uses.emplace_back(port, false);
    for (const auto& [port, file] : options.piaRecord)
        uses.emplace_back(port, true);
    for (std::size_t i = 0; i < uses.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (uses[i].first != uses[j].first) continue;
            if (uses[i].second != uses[j].second) {
                return "--pia-play and --pia-record name the same port: a port either plays "
                       "back or records";
            }
            return std::string(uses[i].second ? "--pia-record" : "--pia-play") + " names port " +
                   (uses[i].first == 1 ? "A" : "B") + " twice: a port takes one file at a time";
        }
    }
    if (options.siaPlay && options.siaRecord) {
        return "--sia-play and --sia-record cannot be combined: the serial port either plays "
               "back or records";
    }
    return {};
}

std::vector<std::string> SplitBlanks(const std::string& text) {
    std::vector<std::string> tokens;
    std::string token;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (!token.empty()) tokens.push_back(std::move(token));
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.empty()) tokens.push_back(std::move(token));
    return tokens;
}

}  // namespace

std::string Usage() {
    return "usage: tarvok-cli [--rom FILE] [--load FILE.hex|FILE.s19]... [--poke "
           "AAAA:HEXBYTES]...\n"
           "                  [--reg NAME=HEX]... [--break AAAA]... [--steps N] [--cycles N]\n"
           "                  [--step-over N] [--step-back N] [--until AAAA]\n"
           "                  [--speed 1|10|100|max]\n"
           "                  [--dump AAAA-BBBB]... [--save-hex AAAA-BBBB FILE]\n"
           "                  [--disasm AAAA-BBBB]... [--symbols FILE.sym]\n"
           "                  [--keys \"SEQ\"] [--key-cycles N] [--display] [--pia-in A|B=HH]\n"
           "                  [--pia-play A|B FILE] [--pia-record A|B FILE] [--sia-play FILE]\n"
           "                  [--sia-record FILE] [--trace] [--json]\n";
}

std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error) {
    Options options;
    std::size_t i = 0;
    // Takes the next argument of the current option; false when it is missing.
    const auto next = [&](std::string& value) {
        if (i + 1 >= args.size()) return false;
        value = args[++i];
        return true;
    };
    for (; i < args.size(); ++i) {
        const std::string& option = args[i];
        std::string value, value2;
        bool ok = true;
        if (option == "--json") {
            options.json = true;
        } else if (option == "--trace") {
            options.trace = true;
        } else if (option == "--display") {
            options.display = true;
        } else if (!next(value)) {
            error = option.rfind("--", 0) == 0 && option.size() > 2
                        ? "option " + option + " needs a value or is unknown"
                        : "unexpected argument " + option;
            return std::nullopt;
        } else if (option == "--rom") {
            options.romFile = value;
        } else if (option == "--load") {
            options.loads.push_back(value);
        } else if (option == "--poke") {
            std::pair<Address, std::vector<Byte>> poke;
            ok = ParsePoke(value, poke);
            options.pokes.push_back(std::move(poke));
        } else if (option == "--reg") {
            std::pair<Mc6809Register, unsigned> setting{};
            ok = ParseRegister(value, setting, error);
            if (!ok && !error.empty()) return std::nullopt;
            options.registers.push_back(setting);
        } else if (option == "--break" || option == "--until") {
            Address address = 0;
            ok = ParseAddress(value, address);
            if (option == "--break") {
                options.breakpoints.push_back(address);
            } else {
                options.until = address;
            }
        } else if (option == "--steps" || option == "--cycles" || option == "--key-cycles" ||
                   option == "--step-over" || option == "--step-back") {
            std::uint64_t count = 0;
            ok = ParseCount(value, count);
            if (option == "--steps") options.steps = count;
            if (option == "--step-over") options.stepOvers = count;
            if (option == "--step-back") options.stepBack = count;
            if (option == "--cycles") options.cycles = count;
            if (option == "--key-cycles") {
                ok = ok && count > 0;
                options.keyCycles = count;
            }
        } else if (option == "--dump" || option == "--disasm") {
            Address first = 0, last = 0;
            ok = ParseRange(value, first, last);
            (option == "--dump" ? options.dumps : options.disassemblies).emplace_back(first, last);
        } else if (option == "--save-hex") {
            Address first = 0, last = 0;
            ok = ParseRange(value, first, last);
            if (ok && !next(value2)) {
                error = "--save-hex needs a range AAAA-BBBB and a file";
                return std::nullopt;
            }
            options.saveHex = Options::SaveHex{first, last, value2};
        } else if (option == "--keys") {
            const std::vector<std::string> tokens = SplitBlanks(value);
            options.keys.insert(options.keys.end(), tokens.begin(), tokens.end());
        } else if (option == "--pia-in") {
            const std::size_t equals = value.find('=');
            int port = 0;
            unsigned number = 0;
            ok = equals != std::string::npos && ParsePort(value.substr(0, equals), port) &&
                 ParseHex(std::string_view(value).substr(equals + 1), 0xFF, number);
            options.piaInputs.emplace_back(port, static_cast<Byte>(number));
        } else if (option == "--pia-play" || option == "--pia-record") {
            int port = 0;
            ok = ParsePort(value, port) && next(value2);
            (option == "--pia-play" ? options.piaPlay : options.piaRecord)
                .emplace_back(port, value2);
        } else if (option == "--symbols") {
            options.symbolsFile = value;
        } else if (option == "--speed") {
            ok = value == "1" || value == "10" || value == "100" || value == "max";
            options.speed = value == "max" || !ok ? 0 : static_cast<unsigned>(std::stoul(value));
        } else if (option == "--sia-play") {
            options.siaPlay = value;
        } else if (option == "--sia-record") {
            options.siaRecord = value;
        } else {
            error = "unknown option " + option;
            return std::nullopt;
        }
        if (!ok) {
            error = "bad value for " + option + ": '" + value + "'";
            return std::nullopt;
        }
    }
    for (const auto check : {&CheckPorts, &CheckFileUse}) {
        error = check(options);
        if (!error.empty()) return std::nullopt;
    }
    return options;
}

}  // namespace tarvok::cli
