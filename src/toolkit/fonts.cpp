#include "toolkit/fonts.h"

#include <QFontDatabase>

#include <algorithm>
#include <stdexcept>

#include "toolkit/colours.h"

namespace zavo {

bool ApplyFontProperty(QFont& font, QColor& color, const std::string& name, const LayoutValue& value) {
    if (name == "Font.Name") {
        font.setFamily(QString::fromStdString(value.Str()));
    } else if (name == "Font.Height") {
        // A negative height is the character height in pixels, as the layouts store it.
        int h = value.Int();
        font.setPixelSize(std::max(1, h < 0 ? -h : h));
    } else if (name == "Font.Color") {
        color = ColorFromIdent(value.Ident());
    } else if (name == "Font.Style") {
        if (value.kind != LayoutValue::Kind::Set) throw std::runtime_error("layout: Font.Style takes a set");
        font.setBold(false);
        font.setItalic(false);
        font.setUnderline(false);
        for (const std::string& s : value.set) {
            if (s == "fsBold") font.setBold(true);
            else if (s == "fsItalic") font.setItalic(true);
            else if (s == "fsUnderline") font.setUnderline(true);
            else throw std::runtime_error("layout: unknown font style " + s);
        }
    } else if (name == "Font.Charset") {
        value.Ident();  // the character set follows from the face on this system
    } else {
        return false;
    }
    return true;
}

void RegisterFontSubstitutions() {
    // The layouts name the Japanese proportional gothic of their home system; any installed
    // Japanese gothic stands in, and Qt's own fallback applies when none is installed.
    const QStringList candidates = {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic"};
    QStringList found;
    const QStringList families = QFontDatabase::families();
    for (const QString& c : candidates)
        if (families.contains(c)) found << c;
    if (!found.isEmpty()) QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"), found);
}

}  // namespace zavo
