#include "gui/ports/RemoteServerRow.h"

#include "gui/process/ClipboardCopy.h"
#include "gui/widgets/StandardWidgets.h"
#include "platform/Desktop.h"
#include "platform/commands/ShellQuoting.h"
#include "remote/RemoteMachine.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tidewell {

namespace {

QPushButton* actionButton(const QString& text, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAccessibleName(text);
    button->setFlat(true);
    return button;
}

QLabel* plainLabel(const char* objectName, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(objectName));
    // Every text here comes from the far side.
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

RemoteServerRow::RemoteServerRow(const PortData& entry, bool answered, RemoteMachine* machine,
                                 std::shared_ptr<Desktop> desktop, QWidget* parent)
    : QWidget(parent), m_machine(machine), m_desktop(std::move(desktop)), m_title(plainLabel("title", this)),
      m_details(plainLabel("details", this)), m_forward(plainLabel("forward", this)),
      m_error(plainLabel("error", this)), m_open(actionButton(tr("Open"), "open", this)),
      m_copy(actionButton(tr("Copy Command"), "copyCommand", this)),
      m_terminal(actionButton(tr("Open in Terminal"), "openInTerminal", this)),
      m_stop(actionButton(tr("Stop"), "stop", this))
{
    setObjectName(QStringLiteral("remoteServerRow"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(2);
    layout->addWidget(m_title);
    useSecondaryColour(m_details);
    layout->addWidget(m_details);
    useSecondaryColour(m_forward);
    m_forward->hide();
    layout->addWidget(m_forward);
    auto* actions = new QHBoxLayout;
    actions->setSpacing(4);
    for (QPushButton* button : {m_open, m_copy, m_terminal, m_stop})
        actions->addWidget(button);
    actions->addStretch(1);
    layout->addLayout(actions);
    m_error->setStyleSheet(QStringLiteral("color: #d9534f;"));
    m_error->setWordWrap(true);
    m_error->hide();
    layout->addWidget(m_error);

    connect(m_open, &QPushButton::clicked, this, &RemoteServerRow::open);
    connect(m_copy, &QPushButton::clicked, this, [this] {
        if (const auto info = m_entry.processInfo())
            copyToClipboard(info->cmd);
    });
    connect(m_terminal, &QPushButton::clicked, this, [this] {
        if (m_desktop)
            m_desktop->runInNewTerminal(QDir::homePath(), terminalCommand(),
                                        [this](const QString& reason) { showError(reason); });
    });
    connect(m_stop, &QPushButton::clicked, this, &RemoteServerRow::stop);
    setEntry(entry, answered);
}

RemoteServerRow::~RemoteServerRow()
{
    // The forward belongs to the row: it goes with it.
    if (m_localPort != 0 && m_machine)
        m_machine->connection().cancelLocal(m_entry.port().toInt(), m_localPort);
}

void RemoteServerRow::setEntry(const PortData& entry, bool answered)
{
    m_entry = entry;
    const auto page = entry.htmlData();
    m_title->setText(entry.port() + QStringLiteral("  ") +
                     (page       ? page->title
                      : answered ? entry.processName()
                                 : tr("No answer")));
    const auto info = entry.processInfo();
    m_details->setText(entry.processName() + QStringLiteral(" (pid ") + entry.pid() + QLatin1Char(')') +
                       (info && !info->cwd.isEmpty() ? QStringLiteral("  ") + info->cwd : QString()));
    m_copy->setEnabled(info && !info->cmd.isEmpty());
    m_terminal->setEnabled(info && !info->cwd.isEmpty());
}

QString RemoteServerRow::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

QString RemoteServerRow::terminalCommand() const
{
    const QString destination = m_machine ? m_machine->connection().destination().text() : QString();
    const QString folder = m_entry.processInfo() ? m_entry.processInfo()->cwd : QString();
    // Quoted twice: once for the far side's shell, once for the terminal's here.
    const QString remote =
        QStringLiteral("cd ") + shellQuoted(folder) + QStringLiteral(" && exec \"$SHELL\" -l");
    return QStringLiteral("ssh -t ") + shellQuoted(destination) + QLatin1Char(' ') + shellQuoted(remote);
}

void RemoteServerRow::showError(const QString& text)
{
    m_error->setText(text);
    m_error->setVisible(!text.isEmpty());
}

void RemoteServerRow::open()
{
    if (!m_machine)
        return;
    showError({});
    const auto openPage = [this] {
        if (m_desktop)
            m_desktop->openUrl(QUrl(QStringLiteral("http://localhost:%1").arg(m_localPort)),
                               [this](const QString& reason) { showError(reason); });
    };
    if (m_localPort != 0) {
        openPage();
        return;
    }
    m_machine->connection().forwardLocal(
        m_entry.port().toInt(), 0, [row = QPointer(this), openPage](int localPort, const QString& error) {
            if (!row)
                return;
            if (localPort == 0) {
                row->showError(error);
                return;
            }
            row->m_localPort = localPort;
            row->m_forward->setText(tr("Forwarded to localhost:%1").arg(localPort));
            row->m_forward->show();
            openPage();
        });
}

void RemoteServerRow::stop()
{
    if (!m_machine)
        return;
    showError({});
    m_stop->setEnabled(false);
    m_machine->stop(m_entry, StopSignal::terminate,
                    [row = QPointer(this)](StopResult result, const QString& error) {
                        if (!row)
                            return;
                        row->m_stop->setEnabled(true);
                        if (!error.isEmpty())
                            row->showError(error);
                        else if (result == StopResult::stillListening)
                            row->showError(tr("Still listening after 5 s"));
                        else if (result == StopResult::notPermitted)
                            row->showError(tr("Not permitted"));
                        emit row->stopFinished();
                    });
}

} // namespace tidewell
