#pragma once

#include <QWidget>

class QAbstractButton;
class QLabel;

namespace tidewell {

class LoginItemService;
class ToggleSwitch;

// The "Settings" page: the "Auto Start" switch that registers the login item, the service's
// status under it, and the reason when a change did not take.
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    // `loginItem` outlives the page.
    explicit SettingsPage(LoginItemService* loginItem, QWidget* parent = nullptr);

    QAbstractButton* autoStartSwitch() const;
    QString statusText() const;
    // Empty while no change has failed since the page was shown.
    QString errorText() const;

protected:
    // The registration may change in the desktop's own settings, so it is read at every showing.
    void showEvent(QShowEvent* event) override;

private:
    void showStatus();
    void switchChanged(bool on);

    LoginItemService* m_loginItem;
    ToggleSwitch* m_switch = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace tidewell
