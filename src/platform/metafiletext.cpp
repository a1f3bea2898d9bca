// Text records: character sets, fonts and the placing of each character.
#include <QFontMetricsF>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>

#include "platform/metafiledc.h"

namespace zavo::platform {

namespace {

constexpr uint32_t kTaUpdateCp = 1;
constexpr uint32_t kTaRight = 2;
constexpr uint32_t kTaCenter = 6;
constexpr uint32_t kTaBottom = 8;
constexpr uint32_t kTaBaseline = 24;

}  // namespace

QString DecodeAnsi(std::span<const uint8_t> bytes, int charSet) {
    const char* name = "Shift_JIS";
    switch (charSet) {
        case 0: name = "windows-1252"; break;
        case 2: name = "ISO-8859-1"; break;
        case 129: name = "windows-949"; break;
        case 134: name = "GBK"; break;
        case 136: name = "Big5"; break;
        case 161: name = "windows-1253"; break;
        case 162: name = "windows-1254"; break;
        case 177: name = "windows-1255"; break;
        case 178: name = "windows-1256"; break;
        case 186: name = "windows-1257"; break;
        case 204: name = "windows-1251"; break;
        case 222: name = "windows-874"; break;
        case 238: name = "windows-1250"; break;
        default: break;
    }
    QByteArrayView view(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QStringDecoder decoder(name);
    if (!decoder.isValid()) return QString::fromLatin1(view);
    return decoder.decode(view);
}

QFont MetafileDC::MakeFont(double pixelHeight) const {
    QFont font;
    if (!state_.font.face.isEmpty()) font.setFamilies({state_.font.face});
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelHeight))));
    int weight = state_.font.weight;
    if (weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    font.setItalic(state_.font.italic);
    font.setUnderline(state_.font.underline);
    font.setStrikeOut(state_.font.strikeOut);
    return font;
}

void MetafileDC::Text(QPointF ref, const QString& text, const std::vector<double>& dx, uint32_t options,
                      const std::optional<QRectF>& rect) {
    if (inPath_) return;
    QTransform t = Full();
    if (!Usable(t)) return;
    uint32_t align = state_.textAlign;
    if (align & kTaUpdateCp) ref = state_.current;
    double xScale = std::hypot(t.m11(), t.m12());
    double yScale = std::hypot(t.m21(), t.m22());
    double height = state_.font.height == 0 ? 12 : std::abs(state_.font.height) * yScale;
    if (!std::isfinite(height) || height < 0.5 || height > 16384) return;
    QFont font = MakeFont(height);
    if (state_.font.height > 0) {
        // A positive height is the cell height: ascent plus descent.
        double cell = QFontMetricsF(font).height();
        if (cell > 0) font = MakeFont(height * height / cell);
    }
    QFontMetricsF metrics(font);

    std::vector<double> advances(static_cast<size_t>(text.size()));
    double width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        double a = i < static_cast<qsizetype>(dx.size()) ? dx[i] * xScale : metrics.horizontalAdvance(text.at(i));
        advances[i] = a;
        width += a;
    }
    if (!std::isfinite(width)) return;

    QPointF origin = t.map(ref);
    if (!std::isfinite(origin.x()) || !std::isfinite(origin.y())) return;
    double x = 0;
    if ((align & kTaCenter) == kTaCenter) x = -width / 2;
    else if (align & kTaRight) x = -width;
    double y = metrics.ascent();
    if ((align & kTaBaseline) == kTaBaseline) y = 0;
    else if (align & kTaBottom) y = -metrics.descent();

    QRectF box(x, y - metrics.ascent(), width, metrics.height());
    QTransform placement = QTransform().rotate(-state_.font.escapement / 10.0) * QTransform::fromTranslate(origin.x(), origin.y());
    if (!Charge(placement.mapRect(box), text.size() + static_cast<int64_t>(height), false)) return;
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (rect && (options & 6)) {
        painter_.setTransform(t * base_);
        if (options & 2) painter_.fillRect(rect->normalized(), state_.bkColor);
        if (options & 4) painter_.setClipRect(rect->normalized(), Qt::IntersectClip);
    }
    painter_.setTransform(placement * base_);
    if (state_.bkMode == 2 && !(options & 2)) painter_.fillRect(box, state_.bkColor);
    painter_.setFont(font);
    painter_.setPen(state_.textColor);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size()) {
            painter_.drawText(QPointF(x, y), text.mid(i, 2));
            x += advances[i] + advances[i + 1];
            ++i;
            continue;
        }
        painter_.drawText(QPointF(x, y), QString(text.at(i)));
        x += advances[i];
    }
    if (rect && (options & 4)) SetClip(state_.clip);
    if (align & kTaUpdateCp) {
        QTransform back = t.inverted();
        state_.current = back.map(placement.map(QPointF(x, y)));
    }
}

}  // namespace zavo::platform
