#include "core/symbol_table.h"

#include <gtest/gtest.h>

namespace tarvok {
namespace {

SymbolTable Sample() {
    SymbolTable table;
    table.Add("MAIN.loop", 0x0410);
    table.Add("MAIN", 0x0400);
    table.Add("PRINT", 0x0410);
    table.Add("Data", 0x0500);
    table.Add("DATA", 0x0502);
    table.Add("MAIN", 0x0600);  // a second definition does not count
    return table;
}

TEST(SymbolTable, FindsNamesByAddressAndAddressesByName) {
    const SymbolTable table = Sample();
    ASSERT_NE(table.NameAt(0x0400), nullptr);
    EXPECT_EQ(*table.NameAt(0x0400), "MAIN");
    EXPECT_EQ(*table.NameAt(0x0410), "PRINT");  // a global label before a local one
    EXPECT_EQ(table.NameAt(0x0401), nullptr);
    EXPECT_EQ(table.AddressOf("MAIN"), Address{0x0400});
    EXPECT_EQ(table.AddressOf("print"), Address{0x0410});  // case ignored when unique
    EXPECT_EQ(table.AddressOf("Data"), Address{0x0500});   // exact match first
    EXPECT_EQ(table.AddressOf("data"), std::nullopt);      // two differ in case alone
    EXPECT_EQ(table.AddressOf("MISSING"), std::nullopt);
    EXPECT_TRUE(table.HasNameStartingWith("pri"));
    EXPECT_FALSE(table.HasNameStartingWith("PRINTX"));
}

TEST(SymbolTable, DescribesAnAddressByTheNearestLabelBelow) {
    const SymbolTable table = Sample();
    EXPECT_EQ(table.Describe(0x0400), "MAIN");
    EXPECT_EQ(table.Describe(0x0403), "MAIN+3");
    EXPECT_EQ(table.Describe(0x050F), "DATA+13");
    EXPECT_EQ(table.Describe(0x0601), "DATA+255");
    EXPECT_EQ(table.Describe(0x0602), "");  // too far away
    EXPECT_EQ(table.Describe(0x03FF), "");
}

TEST(SymbolFile, RoundTripsAndSkipsComments) {
    SymbolTable parsed;
    ASSERT_TRUE(ParseSymbolFile("; labels\n* more\n\nSTART $0400\r\n  LOOP\t40A\n", parsed));
    EXPECT_EQ(parsed.AddressOf("LOOP"), Address{0x040A});
    EXPECT_EQ(FormatSymbolFile(parsed), "START $0400\nLOOP $040A\n");

    const SymbolTable table = Sample();
    SymbolTable again;
    ASSERT_TRUE(ParseSymbolFile(FormatSymbolFile(table), again));
    EXPECT_EQ(again.Size(), 5u);
    EXPECT_EQ(*again.NameAt(0x0410), "PRINT");
}

TEST(SymbolFile, AFaultyLineLeavesTheTableAsItWas) {
    SymbolTable table = Sample();
    for (const char* text : {"START $0400\nLOOP\n", "START $0400\nLOOP $10000\n",
                             "START $0400\nLOOP $04G0\n", "START $0400\nLOOP $0400 extra\n"}) {
        const Status status = ParseSymbolFile(text, table);
        EXPECT_FALSE(status) << text;
        EXPECT_EQ(status.Line(), 2u) << text;
        EXPECT_EQ(table.Size(), 5u) << text;
    }
    EXPECT_EQ(SymbolFileFor("/tmp/prog.hex"), "/tmp/prog.sym");
}

}  // namespace
}  // namespace tarvok
