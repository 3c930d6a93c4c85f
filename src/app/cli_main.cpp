#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"

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
    return tarvok::cli::Run(*options, std::cout, std::cerr);
}
