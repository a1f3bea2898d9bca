// The text and look of the error box.
#pragma once

#include <exception>
#include <string>

#include "base/format.h"

namespace zavo {

// The message an exception shows. Running out of memory in any layer, the C++ library's and Qt's
// included, is the program's own out-of-memory failure, never the library's English text.
std::string ExceptionMessage(const std::exception& e);

// Shows a modal box with the stop icon and one OK button that has the keyboard focus from the
// start, centred on the monitor of the active window. The text shows as plain text.
void ShowStopBox(const std::string& text, const std::string& caption);

}  // namespace zavo
