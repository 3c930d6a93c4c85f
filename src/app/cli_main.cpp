#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C ends the run after the current step and the recordings are still written; a second
// Ctrl-C ends the program at once.
void OnInterrupt(int) {
    interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << tarvok::cli::Usage();
        return 0;
    }
    std::string error;
    const auto options = tarvok::cli::ParseArguments(args, error);
    if (!options) {
        std::cerr << "tarvok-cli: " << error << "\n" << tarvok::cli::Usage();
        return 2;
    }
    std::signal(SIGINT, &OnInterrupt);
    return tarvok::cli::Run(*options, std::cout, std::cerr, &interrupted);
}
