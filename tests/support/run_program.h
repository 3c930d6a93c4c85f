#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace tarvok::test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

inline std::string ShellQuote(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs one of the built programs with the given arguments and collects its output.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    static int counter = 0;
    const std::string errFile =
        "/tmp/tarvok_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + ".err";
    std::string command = ShellQuote(program);
    for (const std::string& arg : args)
        command += " " + ShellQuote(arg);
    command += " 2>" + ShellQuote(errFile) + " </dev/null";
    ProgramResult result;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        std::size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            result.out.append(buffer.data(), got);
        }
        const int status = ::pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (std::FILE* err = std::fopen(errFile.c_str(), "rb")) {
        std::array<char, 4096> buffer;
        std::size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), err)) > 0) {
            result.err.append(buffer.data(), got);
        }
        std::fclose(err);
    }
    std::remove(errFile.c_str());
    return result;
}

inline std::string CliPath() {
    return std::string(TARVOK_BINARY_DIR) + "/bin/tarvok-cli";
}

inline std::string AsmPath() {
    return std::string(TARVOK_BINARY_DIR) + "/bin/tarvok-asm";
}

}  // namespace tarvok::test
