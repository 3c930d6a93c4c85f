#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/json.h"
#include "support/run_program.h"
#include "support/sia.h"

namespace tarvok::test {

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The monitor assembled from rom/monitor.asm, once per test program.
inline const std::string& MonitorRomPath() {
    struct TRomDir {
        std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("tarvok_monitor_rom_" + std::to_string(::getpid()));
        ~TRomDir() {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    };
    static const TRomDir romDir;
    static const std::string path = [] {
        const auto& dir = romDir.dir;
        std::filesystem::create_directories(dir);
        const std::string bin = (dir / "monitor.bin").string();
        // tests/data may not exist, so the path is formed without going through it.
        const std::string source =
            (std::filesystem::path(TARVOK_TEST_DATA_DIR).parent_path().parent_path() / "rom" /
             "monitor.asm")
                .string();
        const auto result =
            RunProgram(AsmPath(), {source, "--bin", bin, "--range", "E000-FFFF", "--fill", "FF"});
        if (result.exitCode != 0) ADD_FAILURE() << "monitor does not assemble:\n" << result.err;
        return bin;
    }();
    return path;
}

class MonitorTest : public ::testing::Test {
protected:
    MonitorTest() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name) {
            if (c == '/') c = '_';  // parameterized tests
        }
        dir_ = std::filesystem::temp_directory_path() /
               ("tarvok_monitor_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::create_directories(dir_);
    }
    ~MonitorTest() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string File(const std::string& name, const std::string& content) const {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Runs the monitor for `cycles` with the given key sequence and further options.
    TJson Run(long cycles, const std::string& keys, std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"--rom", MonitorRomPath(), "--cycles", std::to_string(cycles),
                                   "--display", "--json"});
        if (!keys.empty()) {
            args.push_back("--keys");
            args.push_back(keys);
        }
        const auto result = RunProgram(CliPath(), args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return TJson::Parse(result.out);
    }

    static std::string Text(const TJson& json) { return json["display"]["text"].string; }
    // One character per digit S7..S0: '#' full brightness, '.' dimmed or dark.
    static std::string Brightness(const TJson& json) {
        const std::string& high = json["display"]["high"].string;
        std::string out;
        for (std::size_t i = 0; i + 1 < high.size(); i += 2) {
            out += high.substr(i, 2) == "00" ? '.' : '#';
        }
        return out;
    }
    static std::string Dump(const TJson& json, const std::string& range) {
        return json["dumps"][range].string;
    }
    // The register image S, CC, A, B, DP, X, Y, U, PC as 28 hex digits.
    static std::string Image(const TJson& json) { return Dump(json, "00F2-00FF"); }

    std::filesystem::path dir_;
};

}  // namespace tarvok::test
