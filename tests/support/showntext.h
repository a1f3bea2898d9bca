// The text a label draws: its text as written, or what remains of it once read as markup.
#pragma once

#include <QLabel>
#include <QTextDocument>

#include <string>

namespace zavotest {

inline std::string ShownText(const QLabel* label) {
    const QString text = label->text();
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    if (!rich) return text.toStdString();
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText().toStdString();
}

}  // namespace zavotest
