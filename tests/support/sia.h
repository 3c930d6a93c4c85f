#pragma once

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace tarvok::test {

// Serial line timing: the crystal's ticks per bit over 1.8432 ticks per processor cycle.
constexpr double kCyclesPerBit1200 = 1536.0 / 1.8432;
constexpr double kCyclesPerBit9600 = 192.0 / 1.8432;

// A .sia file that plays `text` into the receiver, 8 data bits, 2 stop bits and a bit time of
// idle line between characters, starting after `startCycles` of idle line. DSR and CTS are
// switched on throughout.
inline std::string SiaFromText(const std::string& text, double startCycles = 100000,
                               double cyclesPerBit = kCyclesPerBit1200) {
    struct Edge {
        long time;
        int level;
    };
    std::vector<Edge> edges{{0, 1}};
    double t = startCycles;
    for (const unsigned char c : text) {
        int bits[11] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
        for (int b = 0; b < 8; ++b)
            bits[1 + b] = (c >> b) & 1;
        for (int i = 0; i < 11; ++i) {
            edges.push_back({std::lround(t + i * cyclesPerBit), bits[i]});
        }
        t += 12 * cyclesPerBit;  // one bit time of idle line between characters
    }
    edges.push_back({std::lround(t), 1});
    edges.push_back({std::lround(t) + 1000, 1});  // makes the line before it take effect
    std::string out = "TxD RxC DTR RTS      Zeit\r\n";
    long previous = 0;
    for (const Edge& edge : edges) {
        char line[64];
        std::snprintf(line, sizeof line, "%d   0   0   0   %10ld # %10ld\r\n", edge.level,
                      edge.time - previous, edge.time);
        out += line;
        previous = edge.time;
    }
    return out;
}

// The bytes sent on TxD in a recorded .sia file (8 data bits, sampled at the bit centres).
inline std::string TextFromSia(const std::string& sia, double cyclesPerBit = kCyclesPerBit1200) {
    struct Segment {
        double start;
        int level;
    };
    std::vector<Segment> segments;
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
        for (const Segment& s : segments) {
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
            value |= levelAt(edge + (1.5 + b) * cyclesPerBit) << b;
        text += static_cast<char>(value);
        busyUntil = edge + 9.5 * cyclesPerBit;
    }
    return text;
}

}  // namespace tarvok::test
