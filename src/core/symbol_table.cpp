#include "core/symbol_table.h"

#include <algorithm>
#include <filesystem>

#include "core/file_util.h"
#include "core/hex_text.h"

namespace tarvok {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Upper(x) == Upper(y); });
}

bool IsLocal(const std::string& name) {
    return name.find('.') != std::string::npos;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

}  // namespace

void SymbolTable::Add(std::string name, Address address) {
    if (byName_.count(name) != 0) return;
    const std::size_t index = symbols_.size();
    byName_.emplace(name, index);
    auto [at, inserted] = byAddress_.emplace(address, index);
    // A global label takes the place of a local one at the same address.
    if (!inserted && IsLocal(symbols_[at->second].name) && !IsLocal(name)) at->second = index;
    symbols_.push_back({std::move(name), address});
}

void SymbolTable::Clear() {
    symbols_.clear();
    byName_.clear();
    byAddress_.clear();
}

const std::string* SymbolTable::NameAt(Address address) const {
    const auto it = byAddress_.find(address);
    return it == byAddress_.end() ? nullptr : &symbols_[it->second].name;
}

std::string SymbolTable::Describe(Address address) const {
    auto it = byAddress_.upper_bound(address);
    if (it == byAddress_.begin()) return {};
    --it;
    const unsigned offset = unsigned{address} - unsigned{it->first};
    if (offset > 0xFF) return {};
    const std::string& name = symbols_[it->second].name;
    return offset == 0 ? name : name + "+" + std::to_string(offset);
}

std::optional<Address> SymbolTable::AddressOf(std::string_view name) const {
    if (const auto it = byName_.find(std::string(name)); it != byName_.end()) {
        return symbols_[it->second].address;
    }
    std::optional<Address> found;
    for (const Symbol& symbol : symbols_) {
        if (!SameIgnoringCase(symbol.name, name)) continue;
        if (found) return std::nullopt;  // ambiguous
        found = symbol.address;
    }
    return found;
}

bool SymbolTable::HasNameStartingWith(std::string_view prefix) const {
    return std::any_of(symbols_.begin(), symbols_.end(), [prefix](const Symbol& symbol) {
        return symbol.name.size() >= prefix.size() &&
               SameIgnoringCase(std::string_view(symbol.name).substr(0, prefix.size()), prefix);
    });
}

Status ParseSymbolFile(std::string_view text, SymbolTable& table) {
    SymbolTable parsed;
    const std::vector<std::string_view> lines = SplitTextLines(text);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::vector<std::string_view> words = Words(lines[index]);
        if (words.empty() || words[0].front() == ';' || words[0].front() == '*') continue;
        if (words.size() != 2) {
            return Status::Failure("expected NAME $ADDR", {}, index + 1);
        }
        std::string_view digits = words[1];
        if (digits.front() == '$') digits.remove_prefix(1);
        const auto address = ParseHexAddress(digits);
        if (!address) {
            return Status::Failure("bad address '" + std::string(words[1]) + "'", {}, index + 1);
        }
        parsed.Add(std::string(words[0]), *address);
    }
    table = std::move(parsed);
    return {};
}

std::string FormatSymbolFile(const SymbolTable& table) {
    std::vector<Symbol> sorted = table.Symbols();
    std::stable_sort(sorted.begin(), sorted.end(), [](const Symbol& a, const Symbol& b) {
        return a.address != b.address ? a.address < b.address : a.name < b.name;
    });
    std::string out;
    for (const Symbol& symbol : sorted)
        out += symbol.name + " $" + Hex4(symbol.address) + "\n";
    return out;
}

std::string SymbolFileFor(const std::string& programPath) {
    return std::filesystem::path(programPath).replace_extension(".sym").string();
}

}  // namespace tarvok
