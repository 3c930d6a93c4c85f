#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "asm/assembler.h"

namespace tarvok::asm_test {

// "86 12" -> {0x86, 0x12}
inline std::vector<Byte> ParseBytes(const std::string& hex) {
    std::vector<Byte> bytes;
    for (std::size_t i = 0; i < hex.size();) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(static_cast<Byte>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

// The bytes produced from `origin` on, up to the first address the program left alone.
inline std::vector<Byte> BytesFrom(const AsmResult& result, unsigned origin) {
    std::vector<Byte> bytes;
    for (unsigned a = origin; a <= 0xFFFF && result.image.used[a]; ++a) {
        bytes.push_back(result.image.bytes[a]);
    }
    return bytes;
}

inline std::string Messages(const AsmResult& result) {
    std::string text;
    for (const AsmDiagnostic& d : result.diagnostics)
        text += d.ToString() + "\n";
    return text;
}

inline std::int64_t SymbolValue(const AsmResult& result, const std::string& name) {
    for (const AsmSymbol& symbol : result.symbols) {
        if (symbol.name == name) return symbol.value;
    }
    ADD_FAILURE() << "no symbol " << name;
    return -1;
}

// Assembles a whole source that must have no errors.
inline AsmResult Ok(const std::string& source) {
    AsmResult result = AssembleSource(source, "t.asm");
    EXPECT_TRUE(result.ok) << Messages(result);
    return result;
}

// Assembles one instruction line at $1000 (with optional lines before and after it).
inline std::vector<Byte> AssembleLine(const std::string& line, const std::string& before = "",
                                      const std::string& after = "") {
    const AsmResult result =
        AssembleSource(" ORG $1000\n" + before + " " + line + "\n" + after, "t.asm");
    EXPECT_TRUE(result.ok) << line << "\n" << Messages(result);
    return BytesFrom(result, 0x1000);
}

}  // namespace tarvok::asm_test
