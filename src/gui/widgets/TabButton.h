#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QIcon>

class QVariantAnimation;

namespace tidewell {

// A tab button of the window's header: a symbol tinted in the tab's colour while its tab is
// shown, with a thin indicator bar under it. A checkable one also shows a mode that is on (x-ray)
// with a tinted plate behind the symbol; its owner sets that state, a click does not.
class TabButton : public QAbstractButton
{
    Q_OBJECT
public:
    static constexpr int kBarTop = 22;
    static constexpr int kBarHeight = 2;

    TabButton(const QString& symbolName, const QColor& accent, QWidget* parent = nullptr);

    void setSymbol(const QString& symbolName);
    QString symbolName() const { return m_symbolName; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    // The icon's colour and the bar's, for the current state.
    QColor iconColor() const;
    QColor barColor() const;

    // Enlarged icon for a moment, to show that something was saved.
    void setIconScale(qreal scale);
    qreal iconScale() const { return m_iconScale; }
    // A short hop of the icon.
    void bounce();
    bool isBouncing() const;

    QSize sizeHint() const override { return {30, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The focus ring shows only for focus the keyboard brought: the window gives its first button
    // the focus as it opens, and a ring there would mark nothing the user did.
    void focusInEvent(QFocusEvent* event) override;
    // The mode the button shows is the application's; a click asks for a change, which comes back
    // through setChecked.
    void nextCheckState() override {}

private:
    QString m_symbolName;
    QIcon m_icon;
    QColor m_accent;
    bool m_selected = false;
    bool m_keyboardFocus = false;
    qreal m_iconScale = 1.0;
    qreal m_lift = 0;
    QVariantAnimation* m_scaleAnimation;
    QVariantAnimation* m_bounceAnimation;
};

} // namespace tidewell
