#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/status.h"
#include "core/types.h"

namespace tarvok {

struct Symbol {
    std::string name;
    Address address = 0;
};

// The labels of a program: lookup by address (what the debugger windows show) and by name (what
// "Gehe zu" and run-to take). Names are compared exactly first, then without regard to case.
class SymbolTable {
public:
    // A name defined twice keeps its first address.
    void Add(std::string name, Address address);
    void Clear();
    bool Empty() const { return symbols_.empty(); }
    std::size_t Size() const { return symbols_.size(); }
    // In the order they were added.
    const std::vector<Symbol>& Symbols() const { return symbols_; }

    // The label shown for an address: the first global label there, else the first local one
    // ("GLOBAL.local"); nullptr when none.
    const std::string* NameAt(Address address) const;
    // The label at an address or the nearest one below it within 256 bytes: "LOOP", "LOOP+3";
    // empty when there is none.
    std::string Describe(Address address) const;
    // The address of a name: an exact match, else the only name that differs in case alone.
    std::optional<Address> AddressOf(std::string_view name) const;
    // Whether some name begins with `prefix` (case ignored): the user may still be typing it.
    bool HasNameStartingWith(std::string_view prefix) const;

private:
    std::vector<Symbol> symbols_;
    std::unordered_map<std::string, std::size_t> byName_;
    std::map<Address, std::size_t> byAddress_;
};

// The symbol file: one "NAME $ADDR" per line (1 to 4 hex digits, the "$" optional), blank lines
// and lines beginning with ";" or "*" skipped. All or nothing: on failure `table` is unchanged
// and the status names the line.
Status ParseSymbolFile(std::string_view text, SymbolTable& table);
// The table as a symbol file, ordered by address, then by name.
std::string FormatSymbolFile(const SymbolTable& table);
// The symbol file that belongs to a program file: the same name with the extension ".sym".
std::string SymbolFileFor(const std::string& programPath);

}  // namespace tarvok
