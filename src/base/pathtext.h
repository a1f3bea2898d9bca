// Text helpers for file names, which are byte strings in the locale's multibyte encoding.
#pragma once

#include <string>
#include <string_view>

namespace zavo {

// The extension of a file name as written, without its dot: what follows the last '.' when no
// '/', '\' or ':' comes after it; empty otherwise. The name is scanned character by character in the
// current locale (LC_CTYPE), so the trail byte of a double-byte character never counts as one of
// these separators.
std::string_view ExtensionOf(std::string_view name);
// Whether the name has an extension dot by the same scan; a name ending in "." has one.
bool HasExtension(std::string_view name);

// Lower-cases the letters of a multibyte text in the current locale; bytes that do not form a
// character there are kept as they are, except ASCII capitals, which are always lowered.
std::string LowerCaseText(std::string_view text);

}  // namespace zavo
