#pragma once

#include "gui/widgets/PlainTextLabel.h"

namespace tidewell {

// A plain-text label that shortens its text with an ellipsis to the width it is given and shows it
// whole in its tooltip. It holds one line, or wraps at words into at most the lines it is allowed
// and shortens the last; it is always as tall as the lines it shows, so no line is ever cut.
class ElidedLabel : public PlainTextLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_fullText; }
    // Wrapping into more than one line shortens the last line at its end, whatever the mode.
    void setMaximumLines(int lines);
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return m_maximumLines > 1; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateShownText();
    // The lines shown at `width`.
    QStringList linesFor(int width) const;

    Qt::TextElideMode m_mode;
    QString m_fullText;
    int m_maximumLines = 1;
};

} // namespace tidewell
