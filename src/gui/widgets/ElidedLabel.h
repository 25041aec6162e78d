#pragma once

#include "gui/widgets/PlainTextLabel.h"

namespace tidewell {

// A one-line plain-text label that shortens its text with an ellipsis to the width it is given
// and shows it whole in its tooltip.
class ElidedLabel : public PlainTextLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_fullText; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateShownText();

    Qt::TextElideMode m_mode;
    QString m_fullText;
};

} // namespace tidewell
