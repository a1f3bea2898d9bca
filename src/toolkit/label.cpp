#include "toolkit/label.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTextDocument>

namespace zavo {

TLabel::TLabel(TForm* form, TControl* parent) : TControl(form, parent) {
    auto* w = new QLabel(parent->ClientWidget());
    w->setAutoFillBackground(false);
    w->setTextFormat(Qt::PlainText);
    w->setContentsMargins(0, 0, 0, 0);
    w->setIndent(0);
    w->setMargin(0);
    Attach(w);
    w->lower();
    SetAlignment(TAlignment::LeftJustify);
}

void TLabel::SetCaption(const std::string& caption) {
    caption_ = caption;
    static_cast<QLabel*>(Widget())->setText(QString::fromStdString(caption));
    Fit();
}

void TLabel::SetHint(const std::string& hint) {
    hint_ = hint;
    // A tool tip that looks like markup is drawn as markup; such a hint goes as the markup that
    // draws its own text.
    const QString text = QString::fromStdString(hint);
    Widget()->setToolTip(Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text);
}

void TLabel::SetAutoSize(bool v) {
    autoSize_ = v;
    Fit();
}

void TLabel::SetAlignment(TAlignment a) {
    alignment_ = a;
    Qt::Alignment h = a == TAlignment::RightJustify ? Qt::AlignRight : a == TAlignment::Center ? Qt::AlignHCenter : Qt::AlignLeft;
    static_cast<QLabel*>(Widget())->setAlignment(h | Qt::AlignTop);
}

void TLabel::ApplyFont() { Fit(); }

void TLabel::Fit() {
    if (!autoSize_ || !Widget()) return;
    QFontMetrics m(Font());
    int w = m.horizontalAdvance(QString::fromStdString(caption_));
    int h = m.height();
    if (alignment_ == TAlignment::RightJustify)
        SetBounds(Left() + Width() - w, Top(), w, h);
    else
        SetBounds(Left(), Top(), w, h);
}

bool TLabel::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Caption") SetCaption(value.Str());
    else if (name == "AutoSize") SetAutoSize(value.Bool());
    else if (name == "Alignment") {
        const std::string& a = value.Ident();
        if (a == "taRightJustify") SetAlignment(TAlignment::RightJustify);
        else if (a == "taLeftJustify") SetAlignment(TAlignment::LeftJustify);
        else if (a == "taCenter") SetAlignment(TAlignment::Center);
        else return false;
    } else
        return TControl::SetProperty(name, value);
    return true;
}

}  // namespace zavo
