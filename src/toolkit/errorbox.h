// The text and look of the error box.
#pragma once

#include <string>

namespace zavo {

// The message with "." appended when its last character sorts after "." (any multibyte character
// does; a closing parenthesis, a blank or a full stop does not). An empty message stays empty.
std::string ErrorBoxText(const std::string& message);

// Shows a modal box with the stop icon and one OK button.
void ShowStopBox(const std::string& text, const std::string& caption);

}  // namespace zavo
