#include "base/pathtext.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace zavo {

namespace {

// Length of the character starting at text[i]; 1 for a byte that starts no valid character.
size_t CharLength(std::string_view text, size_t i, std::mbstate_t& state) {
    size_t n = std::mbrlen(text.data() + i, text.size() - i, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2) || n == 0) {
        state = std::mbstate_t{};
        return 1;
    }
    return n;
}

}  // namespace

namespace {

// Index of the dot that starts the extension: the last '.', '/', '\' or ':' of the name when it is
// a dot; npos when there is none.
size_t ExtensionDot(std::string_view name) {
    std::mbstate_t state{};
    size_t found = std::string_view::npos;
    bool isDot = false;
    for (size_t i = 0; i < name.size();) {
        size_t n = CharLength(name, i, state);
        if (n == 1) {
            char c = name[i];
            if (c == '.' || c == '/' || c == '\\' || c == ':') {
                found = i;
                isDot = c == '.';
            }
        }
        i += n;
    }
    return isDot ? found : std::string_view::npos;
}

}  // namespace

std::string_view ExtensionOf(std::string_view name) {
    size_t dot = ExtensionDot(name);
    if (dot == std::string_view::npos) return {};
    return name.substr(dot + 1);
}

bool HasExtension(std::string_view name) { return ExtensionDot(name) != std::string_view::npos; }

std::string LowerCaseText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::mbstate_t in{};
    for (size_t i = 0; i < text.size();) {
        wchar_t wc = 0;
        size_t n = std::mbrtowc(&wc, text.data() + i, text.size() - i, &in);
        if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2) || n == 0) {
            in = std::mbstate_t{};
            char c = text[i];
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            ++i;
            continue;
        }
        char buffer[MB_LEN_MAX];
        std::mbstate_t outState{};
        size_t m = std::wcrtomb(buffer, static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wc))), &outState);
        if (m == static_cast<size_t>(-1))
            out.append(text.data() + i, n);
        else
            out.append(buffer, m);
        i += n;
    }
    return out;
}

}  // namespace zavo
