#include "platform/devicecontext.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

#include "platform/screen.h"
#include "platform/surfacepainter.h"

namespace zavo::platform {

namespace {

QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

QFont ToQFont(const FontAttributes& attributes) {
    // The window font of the layouts is a Japanese face that Linux does not have.
    static const bool substituted = [] {
        QFont::insertSubstitution(QString::fromUtf8("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
        return true;
    }();
    (void)substituted;
    QFont font(QString::fromStdString(attributes.family));
    int height = attributes.height == 0 ? 12 : std::abs(attributes.height);
    font.setPixelSize(std::max(height, 1));
    font.setBold(attributes.bold);
    font.setItalic(attributes.italic);
    font.setUnderline(attributes.underline);
    font.setStrikeOut(attributes.strikeOut);
    // Text comes out in its exact colour, as on a display without font smoothing.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

bool HaveFonts() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace

void PrepareBackgroundDrawing() {
    if (HaveFonts()) ToQFont(FontAttributes{});
    ScreenPixelsPerInch();
}

Surface* DeviceContext::SelectSurface(Surface* surface) {
    Surface* old = target_;
    target_ = surface;
    return old;
}

PaletteHandle DeviceContext::SelectPalette(PaletteHandle palette) {
    PaletteHandle old = std::move(palette_);
    palette_ = std::move(palette);
    return old;
}

int DeviceContext::BitsPerPixel() const { return target_ ? target_->BitCount() : kScreenBitsPerPixel; }

void DeviceContext::FillRect(const Rect& rect, ColorRef color) {
    if (target_) FillSurface(*target_, rect, color);
}

void DeviceContext::BitBlt(int x, int y, int width, int height, const Surface& source, int sx, int sy, RasterOp op) {
    if (target_) CopySurface(*target_, x, y, width, height, source, sx, sy, colors_, op);
}

void DeviceContext::StretchBlt(const Rect& dst, const Surface& source, const Rect& src, RasterOp op) {
    if (target_) StretchSurface(*target_, dst, source, src, colors_, op);
}

void DeviceContext::MaskedStretchBlt(const Rect& dst, const Surface& source, const Rect& src, const Surface& mask) {
    if (target_) MaskedStretchSurface(*target_, dst, source, src, mask, colors_);
}

Size DeviceContext::TextExtent(const std::string& utf8, const FontAttributes& font) const {
    if (!HaveFonts()) return {};
    QFontMetrics metrics(ToQFont(font));
    return {metrics.horizontalAdvance(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))),
            metrics.height()};
}

Size DeviceContext::TextOut(int x, int y, const std::string& utf8, const FontAttributes& font) {
    Size extent = TextExtent(utf8, font);
    if (!target_ || !HaveFonts() || extent.width <= 0) return extent;
    Rect area{x, y, x + extent.width, y + extent.height};
    SurfacePainter surfacePainter(*target_, area, colors_);
    QPainter& p = surfacePainter.Painter();
    // Wholly outside the surface: nothing to paint.
    if (!p.isActive()) return extent;
    QFont qfont = ToQFont(font);
    p.setFont(qfont);
    if (backgroundMode_ == BackgroundMode::Opaque)
        p.fillRect(QRect(x, y, extent.width, extent.height), ToQColor(colors_.background));
    p.setPen(ToQColor(colors_.text));
    p.drawText(QPoint(x, y + QFontMetrics(qfont).ascent()),
               QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    return extent;
}

}  // namespace zavo::platform

