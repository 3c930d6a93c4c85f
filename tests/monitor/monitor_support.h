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

// Serial line timing at 1200 baud: 1536 crystal ticks per bit, 1.8432 ticks per cycle.
constexpr double kCyclesPerBit = 1536.0 / 1.8432;

// A .sia file that plays `text` into the receiver at 1200 baud, 8 data bits, 2 stop bits,
// starting after `startCycles` of idle line. DSR and CTS are switched on throughout.
inline std::string SiaFromText(const std::string& text, double startCycles = 100000) {
    struct TEdge {
        long time;
        int level;
    };
    std::vector<TEdge> edges{{0, 1}};
    double t = startCycles;
    for (const unsigned char c : text) {
        int bits[11] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
        for (int b = 0; b < 8; ++b)
            bits[1 + b] = (c >> b) & 1;
        for (int i = 0; i < 11; ++i) {
            edges.push_back({std::lround(t + i * kCyclesPerBit), bits[i]});
        }
        t += 12 * kCyclesPerBit;  // one bit time of idle line between characters
    }
    edges.push_back({std::lround(t), 1});
    edges.push_back({std::lround(t) + 1000, 1});  // makes the line before it take effect
    std::string out = "TxD RxC DTR RTS      Zeit\r\n";
    long previous = 0;
    for (const TEdge& edge : edges) {
        char line[64];
        std::snprintf(line, sizeof line, "%d   0   0   0   %10ld # %10ld\r\n", edge.level,
                      edge.time - previous, edge.time);
        out += line;
        previous = edge.time;
    }
    return out;
}

// The bytes sent on TxD in a recorded .sia file (8 data bits, sampled at the bit centres).
inline std::string TextFromSia(const std::string& sia) {
    struct TSegment {
        double start;
        int level;
    };
    std::vector<TSegment> segments;
    std::istringstream in(sia);
    std::string line;
    bool header = false;
    double t = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!header) {
            header = line.find("TxD RxC DTR RTS") != std::string::npos;
            continue;
        }
        if (line.size() < 26) continue;
        t += std::stod(line.substr(16, 10));
        segments.push_back({t, line[0] == '1' ? 1 : 0});
    }
    auto levelAt = [&](double when) {
        int level = 1;
        for (const TSegment& s : segments) {
            if (s.start > when) break;
            level = s.level;
        }
        return level;
    };
    std::string text;
    double busyUntil = -1;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const bool falling = segments[i].level == 0 && (i == 0 || segments[i - 1].level == 1);
        if (!falling || segments[i].start < busyUntil) continue;
        const double edge = segments[i].start;
        int value = 0;
        for (int b = 0; b < 8; ++b)
            value |= levelAt(edge + (1.5 + b) * kCyclesPerBit) << b;
        text += static_cast<char>(value);
        busyUntil = edge + 9.5 * kCyclesPerBit;
    }
    return text;
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
