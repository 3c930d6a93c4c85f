// Hostile sources: deep expressions, INCLUDE cycles and blow-ups end in an error, not a crash.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "asm_test_support.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

using asm_test::Messages;

// Serves the files of `files` and counts the reads.
struct MemoryFiles {
    std::map<std::string, std::string> files;
    int reads = 0;

    void Attach(Assembler& assembler) {
        assembler.SetFileIdentity([](const std::string& path) { return path; });
        assembler.SetFileLoader([this](const std::string& path, std::string& content) {
            ++reads;
            const auto it = files.find(path);
            if (it == files.end()) return Status::Failure("not found");
            content = it->second;
            return Status();
        });
    }
};

TEST(LimitTest, DeeplyNestedExpressionsAreAnErrorAtTheirColumn) {
    const AsmResult parentheses = AssembleSource(
        " LDA #" + std::string(4000, '(') + "1" + std::string(4000, ')') + "\n", "t.asm");
    EXPECT_EQ(Messages(parentheses),
              "t.asm:1:107: error: expression nested too deeply (at most 100 parentheses and "
              "signs)\n");
    const AsmResult signs = AssembleSource(" FDB " + std::string(1000000, '-') + "1\n", "t.asm");
    EXPECT_NE(Messages(signs).find("t.asm:1:106: error: expression nested too deeply"),
              std::string::npos);
    EXPECT_TRUE(
        AssembleSource(" FDB " + std::string(100, '(') + "1" + std::string(100, ')'), "t.asm").ok);
}

TEST(LimitTest, IncludeCycleIsReportedOnce) {
    Assembler assembler;
    MemoryFiles memory;
    memory.files = {{"self.inc", " INCLUDE self.inc\n INCLUDE self.inc\n INCLUDE self.inc\n"},
                    {"a.inc", " INCLUDE b.inc\n"},
                    {"b.inc", " NOP\n INCLUDE a.inc\n"}};
    memory.Attach(assembler);
    EXPECT_EQ(Messages(assembler.Assemble(" INCLUDE self.inc\n", "m.asm")),
              "self.inc:1:10: error: INCLUDE cycle 'self.inc' -> 'self.inc': a file cannot "
              "include itself\n");
    EXPECT_EQ(Messages(assembler.Assemble(" INCLUDE a.inc\n INCLUDE a.inc\n", "m.asm")),
              "b.inc:2:10: error: INCLUDE cycle 'a.inc' -> 'b.inc' -> 'a.inc': a file cannot "
              "include itself\n");
}

TEST(LimitTest, IncludeCycleIsFoundByFileIdentity) {
    test::TempDir dir;
    dir.Write("loop.inc", " NOP\n INCLUDE ./loop.inc\n");
    const std::string main = dir.Write("m.asm", " INCLUDE loop.inc\n");
    const AsmResult result = AssembleSource(" INCLUDE loop.inc\n", main);
    ASSERT_EQ(result.diagnostics.size(), 1u) << Messages(result);
    EXPECT_NE(result.diagnostics[0].message.find("INCLUDE cycle"), std::string::npos);
    ASSERT_EQ(result.inputFiles.size(), 2u);
    EXPECT_EQ(result.inputFiles[1], dir.Path("loop.inc"));
}

TEST(LimitTest, RepeatedIncludesAreReadOnceAndCappedInLines) {
    // Each level includes the next twice: 2^12 copies of the last file.
    Assembler assembler;
    MemoryFiles memory;
    for (int level = 0; level < 12; ++level) {
        const std::string next = "f" + std::to_string(level + 1);
        memory.files["f" + std::to_string(level)] =
            " INCLUDE " + next + "\n INCLUDE " + next + "\n";
    }
    memory.files["f12"] = "X SET 1\n";
    memory.Attach(assembler);
    assembler.SetMaxSourceLines(1000);
    const AsmResult result = assembler.Assemble(" INCLUDE f0\n", "m.asm");
    EXPECT_EQ(memory.reads, 13);
    ASSERT_EQ(result.diagnostics.size(), 1u) << Messages(result);
    EXPECT_EQ(result.diagnostics[0].message,
              "source too large: more than 1000 lines read in all (does INCLUDE read the same "
              "files again and again?)");
}

TEST(LimitTest, ErrorCapCoversIncludeErrorsAndWarnings) {
    std::string source;
    for (int i = 0; i < 50; ++i)
        source += " INCLUDE missing" + std::to_string(i) + ".inc\nRTS\n";
    Assembler assembler;
    MemoryFiles memory;
    memory.Attach(assembler);
    assembler.SetMaxErrors(5);
    const AsmResult result = assembler.Assemble(source, "m.asm");
    ASSERT_EQ(result.diagnostics.size(), 6u) << Messages(result);
    EXPECT_EQ(result.diagnostics[1].severity, AsmSeverity::Warning);
    EXPECT_EQ(result.diagnostics[5].message, "too many errors and warnings, assembly stopped");
}

TEST(LimitTest, ErrorsOfAFileIncludedTwiceCountOnce) {
    Assembler assembler;
    MemoryFiles memory;
    memory.files = {{"bad.inc", " LDAX\n"}};
    memory.Attach(assembler);
    EXPECT_EQ(Messages(assembler.Assemble(" INCLUDE bad.inc\n INCLUDE bad.inc\n", "m.asm")),
              "bad.inc:1:2: error: unknown mnemonic 'LDAX'\n");
}

}  // namespace
}  // namespace tarvok
