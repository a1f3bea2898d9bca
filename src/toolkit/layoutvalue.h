// A value read from a stored layout: an integer, a quoted text, an identifier (clGreen,
// taRightJustify, true) or a set of identifiers ([akTop, akRight]).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zavo {

struct LayoutValue {
    enum class Kind { Integer, Text, Ident, Set } kind = Kind::Integer;
    int64_t integer = 0;
    std::string text;  // the text, or the identifier
    std::vector<std::string> set;

    int Int() const {
        if (kind != Kind::Integer) throw std::runtime_error("layout: integer expected");
        return static_cast<int>(integer);
    }
    const std::string& Str() const {
        if (kind != Kind::Text) throw std::runtime_error("layout: text expected");
        return text;
    }
    const std::string& Ident() const {
        if (kind != Kind::Ident) throw std::runtime_error("layout: identifier expected");
        return text;
    }
    bool Bool() const {
        if (kind == Kind::Ident && (text == "true" || text == "false")) return text == "true";
        throw std::runtime_error("layout: true or false expected");
    }
};

}  // namespace zavo
