#pragma once

#include <cctype>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvok::test {

// A small JSON reader for checking the command-line tool's output in tests.
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<Json> array;
    std::map<std::string, Json> object;

    const Json& operator[](const std::string& key) const {
        const auto it = object.find(key);
        if (kind != Kind::Object || it == object.end()) throw std::runtime_error("no key " + key);
        return it->second;
    }
    const Json& operator[](std::size_t index) const { return array.at(index); }
    bool Has(const std::string& key) const { return object.count(key) != 0; }
    long long Int() const { return static_cast<long long>(number); }

    static Json Parse(std::string_view text) {
        std::size_t pos = 0;
        Json value = ParseValue(text, pos);
        SkipBlanks(text, pos);
        if (pos != text.size()) throw std::runtime_error("trailing text after JSON");
        return value;
    }

private:
    static void SkipBlanks(std::string_view text, std::size_t& pos) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
            ++pos;
    }
    static void Expect(std::string_view text, std::size_t& pos, char c) {
        SkipBlanks(text, pos);
        if (pos >= text.size() || text[pos] != c) {
            throw std::runtime_error(std::string("expected '") + c + "' at " + std::to_string(pos));
        }
        ++pos;
    }
    static std::string ParseString(std::string_view text, std::size_t& pos) {
        Expect(text, pos, '"');
        std::string out;
        while (pos < text.size() && text[pos] != '"') {
            char c = text[pos++];
            if (c == '\\' && pos < text.size()) {
                const char e = text[pos++];
                if (e == 'n')
                    c = '\n';
                else if (e == 'r')
                    c = '\r';
                else if (e == 't')
                    c = '\t';
                else if (e == 'u') {
                    c = static_cast<char>(std::stoi(std::string(text.substr(pos, 4)), nullptr, 16));
                    pos += 4;
                } else {
                    c = e;
                }
            }
            out += c;
        }
        Expect(text, pos, '"');
        return out;
    }
    static Json ParseValue(std::string_view text, std::size_t& pos) {
        SkipBlanks(text, pos);
        if (pos >= text.size()) throw std::runtime_error("unexpected end of JSON");
        Json value;
        const char c = text[pos];
        if (c == '{') {
            value.kind = Kind::Object;
            ++pos;
            SkipBlanks(text, pos);
            if (pos < text.size() && text[pos] == '}') return ++pos, value;
            for (;;) {
                std::string key = ParseString(text, pos);
                Expect(text, pos, ':');
                value.object[key] = ParseValue(text, pos);
                SkipBlanks(text, pos);
                if (pos < text.size() && text[pos] == ',') {
                    ++pos;
                    continue;
                }
                Expect(text, pos, '}');
                return value;
            }
        }
        if (c == '[') {
            value.kind = Kind::Array;
            ++pos;
            SkipBlanks(text, pos);
            if (pos < text.size() && text[pos] == ']') return ++pos, value;
            for (;;) {
                value.array.push_back(ParseValue(text, pos));
                SkipBlanks(text, pos);
                if (pos < text.size() && text[pos] == ',') {
                    ++pos;
                    continue;
                }
                Expect(text, pos, ']');
                return value;
            }
        }
        if (c == '"') {
            value.kind = Kind::String;
            value.string = ParseString(text, pos);
            return value;
        }
        if (text.substr(pos, 4) == "true" || text.substr(pos, 5) == "false") {
            value.kind = Kind::Bool;
            value.boolean = text[pos] == 't';
            pos += value.boolean ? 4 : 5;
            return value;
        }
        if (text.substr(pos, 4) == "null") return pos += 4, value;
        std::size_t used = 0;
        value.kind = Kind::Number;
        value.number = std::stod(std::string(text.substr(pos, 32)), &used);
        pos += used;
        return value;
    }
};

}  // namespace tarvok::test
