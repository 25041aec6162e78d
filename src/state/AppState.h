#pragma once

#include "records/ProjectResponse.h"
#include "records/TeamsResponse.h"
#include "records/UserResponse.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace tidewell {

enum class SelectedTab
{
    ports,
    quickLaunch,
    vercel
};
enum class SelectedView
{
    home,
    settings,
    checkForUpdate
};

// The one shared state of the window: what it shows, whether it is open, and the two settings
// that outlive a run. It holds data only; whoever cares about a change connects to its signal.
class AppState : public QObject
{
    Q_OBJECT
public:
    static inline const QString kSelectedTeamKey = QStringLiteral("selected_vercel_team");
    static inline const QString kQuickLaunchKey = QStringLiteral("bc_quickLaunch");
    static inline const QString kNotifyServersKey = QStringLiteral("notify_server_started_or_stopped");
    static inline const QString kNotifyDeploymentsKey = QStringLiteral("notify_deployment_finished");
    static inline const QString kRemoteMachinesKey = QStringLiteral("remote_machines");

    // `settings` is the store of the two kept values; the user's own store when null. `vercelToken`
    // is the Vercel command-line tool's token as read once by whoever creates the state; it never
    // changes during the run.
    explicit AppState(std::unique_ptr<QSettings> settings = {}, std::optional<QString> vercelToken = {},
                      QObject* parent = nullptr);
    ~AppState() override;

    // The user's store. On macOS these are the user defaults of "com.orvane.Tidewell". A settings
    // file that may not be read (a FIFO, a device, far too large) is left alone, said in a warning,
    // and the settings of the run are kept for it only.
    static std::unique_ptr<QSettings> userSettings();

    bool xrayMode() const { return m_xrayMode; }
    void setXrayMode(bool on);
    bool isVisible() const { return m_isVisible; }
    void setIsVisible(bool visible);
    bool showIgnoredPorts() const { return m_showIgnoredPorts; }
    void setShowIgnoredPorts(bool show);
    SelectedTab selectedTab() const { return m_selectedTab; }
    void setSelectedTab(SelectedTab tab);
    SelectedView selectedView() const { return m_selectedView; }
    void setSelectedView(SelectedView view);
    // What the user typed to find a row; empty shows every row.
    QString filterText() const { return m_filterText; }
    void setFilterText(const QString& text);

    const std::optional<QString>& vercelToken() const { return m_vercelToken; }
    // The Vercel replies last received; each store is announced, equal to the previous one or not.
    const std::optional<ProjectResponse>& projectData() const { return m_projectData; }
    void setProjectData(const ProjectResponse& projects);
    const std::optional<TeamsResponse>& teamsData() const { return m_teamsData; }
    void setTeamsData(const TeamsResponse& teams);
    const std::optional<UserResponse>& userData() const { return m_userData; }
    void setUserData(const UserResponse& user);
    // Why the last Vercel fetch failed, as the user is told it, until the projects arrive again; empty
    // when nothing failed.
    const QString& deploymentsFailure() const { return m_deploymentsFailure; }
    void setDeploymentsFailure(const QString& text);
    // The editors found on this machine when the window last opened; nothing before the first look.
    const std::optional<QStringList>& installedEditors() const { return m_installedEditors; }
    void setInstalledEditors(const QStringList& editors) { m_installedEditors = editors; }

    // Kept across runs, read from and written to the store on every access.
    std::optional<QString> selectedTeam() const;
    void setSelectedTeam(const std::optional<QString>& team);
    // Empty also when the stored value is not a text.
    QString quickLaunchData() const;
    // False when the store could not be written (a full disk): the stored list stays as it was.
    bool setQuickLaunchData(const QString& json);
    // Whether the stored quick-launch value is something other than a text, such as the list a
    // settings file makes of an unquoted text with commas: unreadable, but not to be lost.
    bool quickLaunchValueIsNotText() const;
    // Copies the stored quick-launch value, of whatever type, under a key of its own in the same
    // store, for a value that is about to be replaced but could not be read. A value the settings
    // file's reader turned into a list is kept as the text the file held.
    void copyQuickLaunchValue(const QString& key);
    // The two notification switches: a server started or stopped (off until the user turns it on),
    // and a deployment finished (on until the user turns it off).
    bool notifyServerChanges() const;
    void setNotifyServerChanges(bool on);
    bool notifyDeploymentFinished() const;
    void setNotifyDeploymentFinished(bool on);
    // The remote machines of the settings page, as the JSON text RemoteMachineList writes; empty when
    // none was kept or the stored value is not a text.
    QString remoteMachinesData() const;
    void setRemoteMachinesData(const QString& json);

signals:
    void xrayModeChanged(bool on);
    void isVisibleChanged(bool visible);
    void showIgnoredPortsChanged(bool show);
    void selectedTabChanged(tidewell::SelectedTab tab);
    void selectedViewChanged(tidewell::SelectedView view);
    void filterTextChanged(const QString& text);
    void projectDataChanged();
    void teamsDataChanged();
    void userDataChanged();
    void deploymentsFailureChanged();
    // The stored team was written; it may equal the team before.
    void selectedTeamWritten();
    // The stored quick-launch text was written; it may equal the text before.
    void quickLaunchDataChanged(const QString& json);
    // One of the notification switches was written.
    void notificationSettingsChanged();
    // The stored remote machines were written.
    void remoteMachinesChanged();

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_xrayMode = false;
    bool m_isVisible = false;
    bool m_showIgnoredPorts = false;
    SelectedTab m_selectedTab = SelectedTab::ports;
    SelectedView m_selectedView = SelectedView::home;
    QString m_filterText;
    std::optional<QString> m_vercelToken;
    std::optional<ProjectResponse> m_projectData;
    std::optional<TeamsResponse> m_teamsData;
    std::optional<UserResponse> m_userData;
    QString m_deploymentsFailure;
    std::optional<QStringList> m_installedEditors;
};

} // namespace tidewell
