// The text and look of the error box.
#pragma once

#include <string>

#include "base/format.h"

namespace zavo {

// Shows a modal box with the stop icon and one OK button.
void ShowStopBox(const std::string& text, const std::string& caption);

}  // namespace zavo
