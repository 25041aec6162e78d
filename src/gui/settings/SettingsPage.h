#pragma once

#include <QWidget>

class QAbstractButton;
class QComboBox;
class QLabel;
class QVBoxLayout;

namespace tidewell {

class AppState;
class LoginItemService;
class ToggleSwitch;

// The "Settings" page: the "Auto Start" switch that registers the login item, the service's
// status under it, and the reason when a change did not take; then the two notification switches,
// kept in the user's settings; then "Remote Machines", the ssh destinations listed under the local rows,
// each with a switch and a remove button, and a field that offers the hosts of ~/.ssh/config.
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
    // The remote machines' field, where a host is chosen or typed, and its "Add" button.
    QComboBox* remoteMachineField() const { return m_remoteField; }
    QAbstractButton* addRemoteMachineButton() const { return m_addRemote; }
    // The switch and the remove button of a listed machine; null when it is not listed.
    QAbstractButton* remoteMachineSwitch(const QString& destination) const;
    QAbstractButton* removeRemoteMachineButton(const QString& destination) const;
    QString remoteMachineErrorText() const;

protected:
    // The registration may change in the desktop's own settings, so it is read at every showing.
    void showEvent(QShowEvent* event) override;

private:
    void showStatus();
    void switchChanged(bool on);
    void addNotificationSection();
    void showNotificationSettings();
    void addRemoteMachinesSection();
    void showRemoteMachines();
    void addRemoteMachine();

    LoginItemService* m_loginItem;
    AppState* m_state;
    ToggleSwitch* m_switch = nullptr;
    ToggleSwitch* m_serverSwitch = nullptr;
    ToggleSwitch* m_deploymentSwitch = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_error = nullptr;
    QVBoxLayout* m_remoteList = nullptr;
    QComboBox* m_remoteField = nullptr;
    QAbstractButton* m_addRemote = nullptr;
    QLabel* m_remoteError = nullptr;
};

} // namespace tidewell
