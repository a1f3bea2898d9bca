#include "base/format.h"

namespace zavo {

std::string FormatArgs(std::string_view pattern, const std::vector<FormatArg>& args) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        char d = pattern[++i];
        if (d == '%') {
            out += '%';
        } else if (d == 's' || d == 'd') {
            if (next < args.size()) {
                const FormatArg& a = args[next++];
                if (auto s = std::get_if<std::string_view>(&a))
                    out += *s;
                else
                    out += std::to_string(std::get<int64_t>(a));
            }
        } else {
            out += '%';
            out += d;
        }
    }
    return out;
}

std::string ErrorBoxText(const std::string& message) {
    if (message.empty()) return message;
    // Compared as bytes: a multibyte character's last byte is above 0x7F and so after '.'.
    unsigned char last = static_cast<unsigned char>(message.back());
    return last > '.' ? message + "." : message;
}

}  // namespace zavo
