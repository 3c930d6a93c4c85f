#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/json.h"
#include "support/run_program.h"
#include "support/sia.h"
#include "support/temp_dir.h"

namespace tarvok::test {

// The monitor as the build assembled it from rom/monitor.asm (the tests depend on that step).
inline std::string MonitorRomPath() {
    return std::string(TARVOK_BINARY_DIR) + "/rom/monitor.bin";
}

class MonitorTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return temp_.Path(name); }
    std::string File(const std::string& name, const std::string& content) const {
        return temp_.Write(name, content);
    }

    // Runs the monitor for `cycles` with the given key sequence and further options.
    Json Run(long cycles, const std::string& keys, std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"--rom", MonitorRomPath(), "--cycles", std::to_string(cycles),
                                   "--display", "--json"});
        if (!keys.empty()) {
            args.push_back("--keys");
            args.push_back(keys);
        }
        const auto result = RunProgram(CliPath(), args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return Json::Parse(result.out);
    }

    static std::string Text(const Json& json) { return json["display"]["text"].string; }
    // One character per digit S7..S0: '#' full brightness, '.' dimmed or dark.
    static std::string Brightness(const Json& json) {
        const std::string& high = json["display"]["high"].string;
        std::string out;
        for (std::size_t i = 0; i + 1 < high.size(); i += 2) {
            out += high.substr(i, 2) == "00" ? '.' : '#';
        }
        return out;
    }
    static std::string Dump(const Json& json, const std::string& range) {
        return json["dumps"][range].string;
    }
    // The register image S, CC, A, B, DP, X, Y, U, PC as 28 hex digits.
    static std::string Image(const Json& json) { return Dump(json, "00F2-00FF"); }

    TempDir temp_;
};

}  // namespace tarvok::test
