#include "toolkit/colours.h"

#include <map>
#include <stdexcept>

namespace zavo {

QColor ColorFromIdent(const std::string& ident) {
    static const std::map<std::string, QColor> colors = {
        {"clBlack", QColor(0, 0, 0)},         {"clMaroon", QColor(128, 0, 0)},
        {"clGreen", QColor(0, 128, 0)},       {"clOlive", QColor(128, 128, 0)},
        {"clNavy", QColor(0, 0, 128)},        {"clPurple", QColor(128, 0, 128)},
        {"clTeal", QColor(0, 128, 128)},      {"clGray", QColor(128, 128, 128)},
        {"clSilver", QColor(192, 192, 192)},  {"clRed", QColor(255, 0, 0)},
        {"clLime", QColor(0, 255, 0)},        {"clYellow", QColor(255, 255, 0)},
        {"clBlue", QColor(0, 0, 255)},        {"clFuchsia", QColor(255, 0, 255)},
        {"clAqua", QColor(0, 255, 255)},      {"clWhite", QColor(255, 255, 255)},
        {"clBtnFace", QColor(240, 240, 240)}, {"clWindowText", QColor(0, 0, 0)},
        {"clWindow", QColor(255, 255, 255)},
    };
    auto it = colors.find(ident);
    if (it == colors.end()) throw std::runtime_error("layout: unknown colour " + ident);
    return it->second;
}

}  // namespace zavo
