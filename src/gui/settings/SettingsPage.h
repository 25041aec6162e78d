#pragma once

#include <QWidget>

class QAbstractButton;
class QLabel;

namespace tidewell {

class AppState;
class LoginItemService;
class ToggleSwitch;

// The "Settings" page: the "Auto Start" switch that registers the login item, the service's
// status under it, and the reason when a change did not take; then the two notification switches,
// kept in the user's settings.
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    // Both outlive the page. Without a state to keep them in, the notification switches are left out.
    explicit SettingsPage(LoginItemService* loginItem, AppState* state = nullptr, QWidget* parent = nullptr);

    QAbstractButton* autoStartSwitch() const;
    // Null without a state.
    QAbstractButton* serverNotificationsSwitch() const;
    QAbstractButton* deploymentNotificationsSwitch() const;
    QString statusText() const;
    // Empty while no change has failed since the page was shown.
    QString errorText() const;

protected:
    // The registration may change in the desktop's own settings, so it is read at every showing.
    void showEvent(QShowEvent* event) override;

private:
    void showStatus();
    void switchChanged(bool on);
    void addNotificationSection();
    void showNotificationSettings();

    LoginItemService* m_loginItem;
    AppState* m_state;
    ToggleSwitch* m_switch = nullptr;
    ToggleSwitch* m_serverSwitch = nullptr;
    ToggleSwitch* m_deploymentSwitch = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace tidewell
