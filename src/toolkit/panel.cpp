#include "toolkit/panel.h"

#include <QFontMetrics>
#include <QPainter>

#include "toolkit/colours.h"

namespace zavo {

namespace {

const QColor kHighlight(255, 255, 255);
const QColor kShadow(160, 160, 160);
const QColor kFrame(100, 100, 100);

// A one-pixel bevel along the inside of r; r shrinks by one pixel on every side.
void DrawBevel(QPainter& p, QRect& r, TBevel bevel) {
    if (bevel == TBevel::None) return;
    const QColor& topLeft = bevel == TBevel::Raised ? kHighlight : kShadow;
    const QColor& bottomRight = bevel == TBevel::Raised ? kShadow : kHighlight;
    p.fillRect(r.left(), r.top(), r.width(), 1, topLeft);
    p.fillRect(r.left(), r.top(), 1, r.height(), topLeft);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
    p.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
    r.adjust(1, 1, -1, -1);
}

}  // namespace

TPanel::TPanel(QWidget* parent) : QWidget(parent), color_(ColorFromIdent("clBtnFace")) { Changed(); }

void TPanel::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    update();
}

void TPanel::SetBevelOuter(TBevel bevel) {
    outer_ = bevel;
    Changed();
}

void TPanel::SetBevelInner(TBevel bevel) {
    inner_ = bevel;
    Changed();
}

void TPanel::SetBorderWidth(int width) {
    borderWidth_ = width;
    Changed();
}

void TPanel::SetSingleBorder(bool on) {
    singleBorder_ = on;
    Changed();
}

void TPanel::SetColor(const QColor& color) {
    color_ = color;
    update();
}

int TPanel::Inset() const {
    return (singleBorder_ ? 1 : 0) + (outer_ != TBevel::None ? 1 : 0) + borderWidth_ + (inner_ != TBevel::None ? 1 : 0);
}

QSize TPanel::ClientSize() const {
    const int frame = singleBorder_ ? 2 : 0;
    return {width() - frame, height() - frame};
}

void TPanel::Changed() {
    const int inset = Inset();
    setContentsMargins(inset, inset, inset, inset);
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    if (singleBorder_) {
        p.setPen(kFrame);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    DrawBevel(p, r, outer_);
    p.fillRect(r, color_);
    r.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    DrawBevel(p, r, inner_);
    if (caption_.empty() || r.isEmpty()) return;
    const QString text = QString::fromStdString(caption_);
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.boundingRect(QRect(), Qt::TextSingleLine, QStringLiteral("W")).height();
    const int y = r.top() + (r.height() - lineHeight) / 2;
    p.setPen(palette().color(QPalette::WindowText));
    p.setClipRect(r);
    p.drawText(QRect(r.left(), y, r.width(), lineHeight), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
               QString::fromStdString(caption_));
}

void TSilentPaintPanel::paintEvent(QPaintEvent* e) {
    PaintSilently([&] { TPanel::paintEvent(e); });
}

}  // namespace zavo
