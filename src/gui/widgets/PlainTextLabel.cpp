#include "gui/widgets/PlainTextLabel.h"

#include <QTextDocument>

namespace tidewell {

PlainTextLabel::PlainTextLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

PlainTextLabel::PlainTextLabel(const QString& text, QWidget* parent) : PlainTextLabel(parent)
{
    setText(text);
}

QString PlainTextLabel::toolTipFor(const QString& text)
{
    // A tooltip has no format of its own: it is rich text whenever it looks like rich text.
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace tidewell
