// The text and look of the error box.
#pragma once

#include <exception>
#include <string>

namespace zavo {

// The message with "." appended when its last character sorts after "." (any multibyte character
// does; a closing parenthesis, a blank or a full stop does not). An empty message stays empty.
std::string ErrorBoxText(const std::string& message);

// The message an exception shows. Running out of memory in any layer, the C++ library's and Qt's
// included, is the program's own out-of-memory failure, never the library's English text.
std::string ExceptionMessage(const std::exception& e);

// Shows a modal box with the stop icon and one OK button that has the keyboard focus from the
// start, centred on the monitor of the active window.
void ShowStopBox(const std::string& text, const std::string& caption);

}  // namespace zavo
