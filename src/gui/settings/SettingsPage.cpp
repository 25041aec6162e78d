#include "gui/settings/SettingsPage.h"

#include "gui/widgets/StandardWidgets.h"
#include "gui/widgets/ToggleSwitch.h"
#include "platform/LogCategories.h"
#include "platform/LoginItemService.h"
#include "settings/AutoStartSetting.h"
#include "state/AppState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tidewell {

namespace {

QLabel* sectionHeading(const QString& text, const char* objectName, QWidget* parent)
{
    auto* section = new QLabel(text, parent);
    section->setObjectName(QLatin1String(objectName));
    QFont sectionFont = section->font();
    sectionFont.setBold(true);
    section->setFont(sectionFont);
    return section;
}

// A one-line label with its switch at the trailing edge.
ToggleSwitch* addSwitchRow(QVBoxLayout* layout, const QString& label, const char* objectName, QWidget* parent)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(new QLabel(label, parent), 1);
    auto* toggle = new ToggleSwitch(parent);
    toggle->setObjectName(QLatin1String(objectName));
    toggle->setAccessibleName(label);
    row->addWidget(toggle, 0, Qt::AlignVCenter);
    layout->addLayout(row);
    return toggle;
}

} // namespace

SettingsPage::SettingsPage(LoginItemService* loginItem, AppState* state, QWidget* parent)
    : QWidget(parent), m_loginItem(loginItem), m_state(state)
{
    setObjectName(QStringLiteral("settingsPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 4);
    layout->setSpacing(6);

    layout->addWidget(sectionHeading(tr("General Settings"), "generalSettings", this));

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    auto* labels = new QVBoxLayout;
    labels->setSpacing(1);
    auto* title = new QLabel(tr("Auto Start"), this);
    title->setObjectName(QStringLiteral("autoStartLabel"));
    labels->addWidget(title);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    useSecondaryColour(m_status);
    labels->addWidget(m_status);
    row->addLayout(labels, 1);
    m_switch = new ToggleSwitch(this);
    m_switch->setObjectName(QStringLiteral("autoStart"));
    m_switch->setAccessibleName(tr("Auto Start"));
    row->addWidget(m_switch, 0, Qt::AlignVCenter);
    layout->addLayout(row);

    // The service's own words, so plain text.
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("error"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    useSecondaryColour(m_error);
    m_error->hide();
    layout->addWidget(m_error);

    connect(m_switch, &ToggleSwitch::clicked, this, &SettingsPage::switchChanged);
    if (m_state)
        addNotificationSection();
}

void SettingsPage::addNotificationSection()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->addSpacing(6);
    layout->addWidget(sectionHeading(tr("Notifications"), "notifications", this));
    m_serverSwitch = addSwitchRow(layout, tr("Server started or stopped"), "serverNotifications", this);
    m_deploymentSwitch = addSwitchRow(layout, tr("Deployment finished"), "deploymentNotifications", this);
    connect(m_serverSwitch, &ToggleSwitch::clicked, m_state, &AppState::setNotifyServerChanges);
    connect(m_deploymentSwitch, &ToggleSwitch::clicked, m_state, &AppState::setNotifyDeploymentFinished);
    showNotificationSettings();
}

void SettingsPage::showNotificationSettings()
{
    if (!m_state)
        return;
    m_serverSwitch->setChecked(m_state->notifyServerChanges());
    m_deploymentSwitch->setChecked(m_state->notifyDeploymentFinished());
}

QAbstractButton* SettingsPage::autoStartSwitch() const
{
    return m_switch;
}

QAbstractButton* SettingsPage::serverNotificationsSwitch() const
{
    return m_serverSwitch;
}

QAbstractButton* SettingsPage::deploymentNotificationsSwitch() const
{
    return m_deploymentSwitch;
}

QString SettingsPage::statusText() const
{
    return m_status->text();
}

QString SettingsPage::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

void SettingsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_error->hide();
    showStatus();
    showNotificationSettings();
}

void SettingsPage::showStatus()
{
    const int status = m_loginItem->status();
    m_switch->setChecked(status == LoginItemService::enabled);
    m_status->setText(AutoStartSetting::statusLine(status));
}

void SettingsPage::switchChanged(bool on)
{
    const LoginItemService::Change change = AutoStartSetting::change(*m_loginItem, on);
    if (change) {
        m_error->hide();
    } else {
        // With the reason the system gave, as the line under the switch shows it.
        qCWarning(lcSettings).noquote() << (QStringLiteral("Error: ") + change.error());
        m_error->setText(change.error());
        m_error->show();
    }
    // After a failure this puts the switch back where the service still is.
    showStatus();
}

} // namespace tidewell
