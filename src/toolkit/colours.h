// The colours stored layouts name.
#pragma once

#include <QColor>

#include <string>

namespace zavo {

QColor ColorFromIdent(const std::string& ident);

}  // namespace zavo
