// Message formatting: "%s" takes the next text argument, "%d" the next integer, "%%" is a percent
// sign. Arguments that do not fit their directive are written as they are; missing ones as nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zavo {

using FormatArg = std::variant<std::string_view, int64_t>;

std::string FormatArgs(std::string_view pattern, const std::vector<FormatArg>& args);

inline FormatArg ToFormatArg(std::string_view s) { return s; }
inline FormatArg ToFormatArg(const std::string& s) { return std::string_view(s); }
inline FormatArg ToFormatArg(const char* s) { return std::string_view(s); }
inline FormatArg ToFormatArg(long long v) { return static_cast<int64_t>(v); }
inline FormatArg ToFormatArg(long v) { return static_cast<int64_t>(v); }
inline FormatArg ToFormatArg(int v) { return static_cast<int64_t>(v); }
inline FormatArg ToFormatArg(unsigned v) { return static_cast<int64_t>(v); }


template <typename... Args>
std::string Format(std::string_view pattern, const Args&... args) {
    std::vector<FormatArg> list;
    (list.push_back(ToFormatArg(args)), ...);
    return FormatArgs(pattern, list);
}

// A failure's message as the error box shows it: "." appended when its last character sorts after
// "." (any multibyte character does; a closing parenthesis, a blank or a full stop does not). An
// empty message stays empty.
std::string ErrorBoxText(const std::string& message);

}  // namespace zavo
