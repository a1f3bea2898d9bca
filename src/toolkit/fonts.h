// Fonts of stored layouts, and the face that stands in for the window font.
#pragma once

#include <QColor>
#include <QFont>

#include <string>

#include "toolkit/layoutvalue.h"

namespace zavo {

bool ApplyFontProperty(QFont& font, QColor& color, const std::string& name, const LayoutValue& value);
// The window font face maps to an installed Japanese gothic.
void RegisterFontSubstitutions();

}  // namespace zavo
