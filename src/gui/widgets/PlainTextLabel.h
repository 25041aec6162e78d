#pragma once

#include <QLabel>

namespace tidewell {

// A label that shows its text as it is, never as rich text: the label for every text that comes
// from outside (page titles, folders, branches, commands, service messages), which a QLabel would
// otherwise render as HTML, images included, and read any file an image names.
class PlainTextLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PlainTextLabel(QWidget* parent = nullptr);
    PlainTextLabel(const QString& text, QWidget* parent);

    // The tooltip that shows `text` as it is: the text itself when a tooltip would not take it
    // for rich text, else the text escaped in a paragraph that keeps its spaces.
    static QString toolTipFor(const QString& text);
};

} // namespace tidewell
