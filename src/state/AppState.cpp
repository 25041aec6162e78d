#include "state/AppState.h"
#include "platform/LogCategories.h"
#include "platform/RegularFile.h"
#include "platform/SettingsFile.h"

#include <QCoreApplication>
#include <QSettings>
#include <utility>

namespace tidewell {

namespace {

// Larger settings files are not looked through for a value's text.
constexpr qsizetype kMaxSettingsFileBytes = 4 * 1024 * 1024;

// The text of `key` as an ini settings file holds it, before the file's reader split or unquoted it:
// the [General] section's line "key=text". Nothing for another format or when the line is not found.
std::optional<QString> storedText(const QSettings& settings, const QString& key)
{
    if (settings.format() != QSettings::IniFormat && settings.format() != QSettings::NativeFormat)
        return std::nullopt;
    const Result<QByteArray> content = RegularFile::read(settings.fileName(), kMaxSettingsFileBytes);
    if (!content)
        return std::nullopt;
    const QByteArray wanted = key.toUtf8();
    bool general = true;
    for (const QByteArray& raw : content->split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            general = line == "[General]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (general && equals > 0 && line.left(equals).trimmed() == wanted)
            return QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return std::nullopt;
}

template <typename Value, typename Signal>
void assign(AppState* state, Value& field, Value value, Signal changed)
{
    if (field == value)
        return;
    field = value;
    emit(state->*changed)(value);
}

} // namespace

AppState::AppState(std::unique_ptr<QSettings> settings, std::optional<QString> vercelToken, QObject* parent)
    : QObject(parent), m_settings(settings ? std::move(settings) : userSettings()),
      m_vercelToken(std::move(vercelToken))
{}

AppState::~AppState() = default;

std::unique_ptr<QSettings> AppState::userSettings()
{
    // The organisation domain, reversed, and the application name make up the bundle identifier
    // under which macOS keeps the user defaults.
    return SettingsFile::open(QStringLiteral("orvane.com"), QStringLiteral("Tidewell"));
}

void AppState::setXrayMode(bool on)
{
    assign(this, m_xrayMode, on, &AppState::xrayModeChanged);
}

void AppState::setFilterText(const QString& text)
{
    assign(this, m_filterText, text, &AppState::filterTextChanged);
}

void AppState::setIsVisible(bool visible)
{
    if (m_isVisible != visible) {
        qCDebug(lcState).noquote() << (QStringLiteral("state.isVisible ") +
                                       (visible ? QStringLiteral("true") : QStringLiteral("false")));
    }
    assign(this, m_isVisible, visible, &AppState::isVisibleChanged);
}

void AppState::setShowIgnoredPorts(bool show)
{
    assign(this, m_showIgnoredPorts, show, &AppState::showIgnoredPortsChanged);
}

void AppState::setSelectedTab(SelectedTab tab)
{
    assign(this, m_selectedTab, tab, &AppState::selectedTabChanged);
}

void AppState::setSelectedView(SelectedView view)
{
    if (m_selectedView != view) {
        static const char* const names[] = {"home", "settings", "checkForUpdate"};
        qCDebug(lcState).noquote() << (QStringLiteral("state.selectedView ") +
                                       QLatin1String(names[int(view)]));
    }
    assign(this, m_selectedView, view, &AppState::selectedViewChanged);
}

void AppState::setProjectData(const ProjectResponse& projects)
{
    m_projectData = projects;
    emit projectDataChanged();
}

void AppState::setTeamsData(const TeamsResponse& teams)
{
    m_teamsData = teams;
    emit teamsDataChanged();
}

void AppState::setUserData(const UserResponse& user)
{
    m_userData = user;
    emit userDataChanged();
}

void AppState::setDeploymentsFailure(const QString& text)
{
    if (std::exchange(m_deploymentsFailure, text) != text)
        emit deploymentsFailureChanged();
}

std::optional<QString> AppState::selectedTeam() const
{
    const QVariant value = m_settings->value(kSelectedTeamKey);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void AppState::setSelectedTeam(const std::optional<QString>& team)
{
    if (team)
        m_settings->setValue(kSelectedTeamKey, *team);
    else
        m_settings->remove(kSelectedTeamKey);
    m_settings->sync();
    emit selectedTeamWritten();
}

QString AppState::quickLaunchData() const
{
    const QVariant value = m_settings->value(kQuickLaunchKey);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

bool AppState::quickLaunchValueIsNotText() const
{
    const QVariant value = m_settings->value(kQuickLaunchKey);
    return value.isValid() && value.typeId() != QMetaType::QString;
}

bool AppState::setQuickLaunchData(const QString& json)
{
    const QVariant before = m_settings->value(kQuickLaunchKey);
    m_settings->setValue(kQuickLaunchKey, json);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        // The file still holds the list before: so does every later read in this run.
        if (before.isValid())
            m_settings->setValue(kQuickLaunchKey, before);
        else
            m_settings->remove(kQuickLaunchKey);
        return false;
    }
    emit quickLaunchDataChanged(json);
    return true;
}

void AppState::copyQuickLaunchValue(const QString& key)
{
    const QVariant value = m_settings->value(kQuickLaunchKey);
    // A value the file's reader made into something else (a list, from an unquoted text with commas)
    // is kept as the text the file held, inner quotes and all.
    const std::optional<QString> text =
        value.typeId() == QMetaType::QStringList ? storedText(*m_settings, kQuickLaunchKey) : std::nullopt;
    m_settings->setValue(key, text ? QVariant(*text) : value);
    m_settings->sync();
}

bool AppState::notifyServerChanges() const
{
    return m_settings->value(kNotifyServersKey, false).toBool();
}

void AppState::setNotifyServerChanges(bool on)
{
    m_settings->setValue(kNotifyServersKey, on);
    m_settings->sync();
    emit notificationSettingsChanged();
}

QString AppState::remoteMachinesData() const
{
    const QVariant value = m_settings->value(kRemoteMachinesKey);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

void AppState::setRemoteMachinesData(const QString& json)
{
    m_settings->setValue(kRemoteMachinesKey, json);
    m_settings->sync();
    emit remoteMachinesChanged();
}

bool AppState::notifyDeploymentFinished() const
{
    return m_settings->value(kNotifyDeploymentsKey, true).toBool();
}

void AppState::setNotifyDeploymentFinished(bool on)
{
    m_settings->setValue(kNotifyDeploymentsKey, on);
    m_settings->sync();
    emit notificationSettingsChanged();
}

} // namespace tidewell
