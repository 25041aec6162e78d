#include "gui/settings/SettingsPage.h"

#include "gui/widgets/StandardWidgets.h"
#include "gui/widgets/ToggleSwitch.h"
#include "platform/LogCategories.h"
#include "platform/LoginItemService.h"
#include "remote/RemoteMachineList.h"
#include "settings/AutoStartSetting.h"
#include "state/AppState.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    if (m_state) {
        addNotificationSection();
        addRemoteMachinesSection();
    }
}

void SettingsPage::addRemoteMachinesSection()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->addSpacing(6);
    layout->addWidget(sectionHeading(tr("Remote Machines"), "remoteMachines", this));
    m_remoteList = new QVBoxLayout;
    m_remoteList->setSpacing(2);
    layout->addLayout(m_remoteList);
    auto* addRow = new QHBoxLayout;
    addRow->setSpacing(6);
    m_remoteField = new QComboBox(this);
    m_remoteField->setObjectName(QStringLiteral("remoteMachineField"));
    m_remoteField->setAccessibleName(tr("Remote machine"));
    m_remoteField->setEditable(true);
    m_remoteField->setInsertPolicy(QComboBox::NoInsert);
    m_remoteField->lineEdit()->setPlaceholderText(tr("user@host or host:port"));
    addRow->addWidget(m_remoteField, 1);
    auto* add = new QPushButton(tr("Add"), this);
    add->setObjectName(QStringLiteral("addRemoteMachine"));
    add->setAccessibleName(tr("Add remote machine"));
    m_addRemote = add;
    addRow->addWidget(add);
    layout->addLayout(addRow);
    m_remoteError = new QLabel(this);
    m_remoteError->setObjectName(QStringLiteral("remoteMachineError"));
    m_remoteError->setTextFormat(Qt::PlainText);
    m_remoteError->setWordWrap(true);
    useSecondaryColour(m_remoteError);
    m_remoteError->hide();
    layout->addWidget(m_remoteError);
    connect(add, &QPushButton::clicked, this, &SettingsPage::addRemoteMachine);
    connect(m_remoteField->lineEdit(), &QLineEdit::returnPressed, this, &SettingsPage::addRemoteMachine);
    connect(m_state, &AppState::remoteMachinesChanged, this, &SettingsPage::showRemoteMachines);
    showRemoteMachines();
}

void SettingsPage::showRemoteMachines()
{
    while (QLayoutItem* item = m_remoteList->takeAt(0)) {
        if (QLayout* row = item->layout()) {
            while (QLayoutItem* part = row->takeAt(0)) {
                delete part->widget();
                delete part;
            }
        }
        delete item;
    }
    const QList<RemoteMachineList::Machine> machines =
        RemoteMachineList::fromJson(m_state->remoteMachinesData());
    for (const RemoteMachineList::Machine& machine : machines) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        auto* name = new QLabel(machine.destination, this);
        name->setTextFormat(Qt::PlainText);
        row->addWidget(name, 1);
        auto* toggle = new ToggleSwitch(this);
        toggle->setObjectName(QStringLiteral("remoteMachineSwitch:") + machine.destination);
        toggle->setAccessibleName(tr("List %1").arg(machine.destination));
        toggle->setChecked(machine.enabled);
        row->addWidget(toggle, 0, Qt::AlignVCenter);
        auto* remove = new QPushButton(tr("Remove"), this);
        remove->setObjectName(QStringLiteral("removeRemoteMachine:") + machine.destination);
        remove->setAccessibleName(tr("Remove %1").arg(machine.destination));
        remove->setFlat(true);
        row->addWidget(remove);
        m_remoteList->addLayout(row);
        const QString destination = machine.destination;
        connect(toggle, &ToggleSwitch::clicked, this, [this, destination](bool on) {
            QList<RemoteMachineList::Machine> list =
                RemoteMachineList::fromJson(m_state->remoteMachinesData());
            for (RemoteMachineList::Machine& entry : list) {
                if (entry.destination == destination)
                    entry.enabled = on;
            }
            // Queued, as below: the list is made anew, and the switch goes with it.
            QMetaObject::invokeMethod(
                this, [this, list] { m_state->setRemoteMachinesData(RemoteMachineList::toJson(list)); },
                Qt::QueuedConnection);
        });
        connect(remove, &QPushButton::clicked, this, [this, destination] {
            QList<RemoteMachineList::Machine> list =
                RemoteMachineList::fromJson(m_state->remoteMachinesData());
            list.removeIf(
                [&](const RemoteMachineList::Machine& entry) { return entry.destination == destination; });
            // Queued: the button that was clicked goes with the list it is in.
            QMetaObject::invokeMethod(
                this, [this, list] { m_state->setRemoteMachinesData(RemoteMachineList::toJson(list)); },
                Qt::QueuedConnection);
        });
    }
    // The hosts of ~/.ssh/config not listed yet are offered.
    const QString typed = m_remoteField->currentText();
    m_remoteField->clear();
    for (const QString& host : RemoteMachineList::userConfigHosts()) {
        const bool listed =
            std::any_of(machines.cbegin(), machines.cend(), [&](const RemoteMachineList::Machine& machine) {
                return machine.destination == host;
            });
        if (!listed)
            m_remoteField->addItem(host);
    }
    m_remoteField->setCurrentText(typed);
}

void SettingsPage::addRemoteMachine()
{
    const QString text = m_remoteField->currentText().trimmed();
    if (!SshDestination::parse(text)) {
        m_remoteError->setText(tr("Not an ssh destination: a host of ~/.ssh/config, user@host or host:port"));
        m_remoteError->show();
        return;
    }
    m_remoteError->hide();
    QList<RemoteMachineList::Machine> list = RemoteMachineList::fromJson(m_state->remoteMachinesData());
    if (std::none_of(list.cbegin(), list.cend(),
                     [&](const RemoteMachineList::Machine& machine) { return machine.destination == text; }))
        list.append({text, true});
    m_remoteField->setCurrentText(QString());
    m_state->setRemoteMachinesData(RemoteMachineList::toJson(list));
}

QAbstractButton* SettingsPage::remoteMachineSwitch(const QString& destination) const
{
    return findChild<QAbstractButton*>(QStringLiteral("remoteMachineSwitch:") + destination);
}

QAbstractButton* SettingsPage::removeRemoteMachineButton(const QString& destination) const
{
    return findChild<QAbstractButton*>(QStringLiteral("removeRemoteMachine:") + destination);
}

QString SettingsPage::remoteMachineErrorText() const
{
    return m_remoteError && !m_remoteError->isHidden() ? m_remoteError->text() : QString();
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
