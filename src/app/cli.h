#pragma once

#include <csignal>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/types.h"
#include "cpu/mc6809_state.h"

namespace tarvok::cli {

// The command line of tarvok-cli, parsed. Users grade and script programs with it: keep it stable.
struct Options {
    std::optional<std::string> romFile;
    std::vector<std::string> loads;
    std::vector<std::pair<Address, std::vector<Byte>>> pokes;
    std::vector<std::pair<Mc6809Register, unsigned>> registers;
    std::vector<Address> breakpoints;
    std::optional<std::uint64_t> steps;
    std::optional<std::uint64_t> stepOvers;  // --step-over N
    std::optional<std::uint64_t> stepBack;   // --step-back N: after the run
    std::optional<std::string> symbolsFile;
    unsigned speed = 0;  // a multiple of the board's 1 MHz; 0 runs flat out
    std::optional<std::uint64_t> cycles;
    std::optional<Address> until;
    std::vector<std::pair<Address, Address>> dumps;
    std::vector<std::pair<Address, Address>> disassemblies;
    struct SaveHex {
        Address first;
        Address last;
        std::string file;
    };
    std::optional<SaveHex> saveHex;
    bool json = false;
    bool trace = false;
    bool display = false;
    std::vector<std::string> keys;
    std::uint64_t keyCycles = 20000;
    std::vector<std::pair<int, Byte>> piaInputs;  // port 1 = A, 2 = B
    std::vector<std::pair<int, std::string>> piaPlay;
    std::vector<std::pair<int, std::string>> piaRecord;
    std::optional<std::string> siaPlay;
    std::optional<std::string> siaRecord;
};

// Parses argv; on a usage error returns nullopt and sets `error`.
std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error);

// The exit code of a run that was interrupted (as a shell reports death by SIGINT).
inline constexpr int kInterruptedExit = 130;

// Builds the machine, runs it as the options say and prints the result. Returns the exit code:
// 0 success, 2 bad input (usage, unreadable or malformed files, outputs that cannot be written),
// kInterruptedExit when *interrupted became non-zero (the run then ends after the current step;
// recordings are still written, --save-hex is not).
int Run(const Options& options, std::ostream& out, std::ostream& err,
        const volatile std::sig_atomic_t* interrupted = nullptr);

std::string Usage();

}  // namespace tarvok::cli
