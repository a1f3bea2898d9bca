#include "base/numbertext.h"

#include <limits>

#include "base/exceptions.h"
#include "base/format.h"

namespace zavo {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Parse(std::string_view s, int32_t& out) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    if (hex) {
        uint64_t v = 0;
        size_t digits = 0;
        for (; i < s.size(); ++i, ++digits) {
            int d = HexDigit(s[i]);
            if (d < 0 || digits >= 8) return false;
            v = v * 16 + static_cast<uint64_t>(d);
        }
        uint32_t pattern = static_cast<uint32_t>(v);
        if (negative) pattern = 0u - pattern;
        out = static_cast<int32_t>(pattern);
        return true;
    }
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) return false;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
    out = static_cast<int32_t>(v);
    return true;
}

}  // namespace

int32_t StrToInt(std::string_view text) {
    int32_t v = 0;
    if (!Parse(text, v)) throw EConvertError(Format(msg::InvalidInteger, text));
    return v;
}

std::string SizeText(int64_t bytes) { return std::to_string(bytes / 1024) + " k"; }

}  // namespace zavo
