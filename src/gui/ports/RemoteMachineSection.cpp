#include "gui/ports/RemoteMachineSection.h"

#include "gui/process/ProcessItem.h"
#include "gui/widgets/StandardWidgets.h"
#include "state/SearchWords.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace tidewell {

RemoteMachineSection::RemoteMachineSection(const QString& destination, RemoteMachine* machine,
                                           const AppServices& services, QWidget* parent)
    : QWidget(parent), m_destination(destination), m_machine(machine), m_header(new QToolButton(this)),
      m_error(new QLabel(this)), m_body(new QWidget(this)), m_rows(new QVBoxLayout(m_body))
{
    setObjectName(QStringLiteral("remoteMachineSection"));
    m_rowServices.state = services.state;
    m_rowServices.desktop = services.desktop;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(0);
    m_header->setObjectName(QStringLiteral("remoteMachineHeader"));
    m_header->setCheckable(true);
    m_header->setChecked(true);
    m_header->setAutoRaise(true);
    m_header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_header->setArrowType(Qt::DownArrow);
    layout->addWidget(m_header);
    m_error->setObjectName(QStringLiteral("remoteMachineError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setContentsMargins(10, 0, 10, 4);
    useSecondaryColour(m_error);
    m_error->hide();
    layout->addWidget(m_error);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    layout->addWidget(m_body);
    connect(m_header, &QToolButton::toggled, this, [this](bool open) {
        m_header->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        m_body->setVisible(open);
        m_error->setVisible(open && !m_error->text().isEmpty());
    });
    m_header->setText(m_destination);
    m_header->setAccessibleName(m_destination);
}

void RemoteMachineSection::showState(const RemoteMachinesWatcher::MachineState& state,
                                     const QString& filterText)
{
    const SearchWords words(filterText);
    QList<PortData> servers;
    for (const PortData& entry : state.listing.servers) {
        if (words.matches(entry))
            servers.append(entry);
    }
    m_header->setText(state.asked && state.error.isEmpty()
                          ? QStringLiteral("%1 (%2)").arg(m_destination).arg(state.listing.servers.size())
                          : m_destination);
    m_error->setText(state.error);
    m_error->setVisible(!state.error.isEmpty() && !isFolded());

    const auto processKey = [](const PortData& entry) {
        return entry.portKey() + QLatin1Char('@') + entry.identity().startTime;
    };
    QHash<QString, ProcessItem*> existing;
    for (ProcessItem* row : rows()) {
        existing.insert(processKey(row->port()), row);
        m_rows->removeWidget(row);
    }
    for (qsizetype i = 0; i < servers.size(); ++i) {
        const PortData& entry = servers.at(i);
        ProcessItem* row = existing.take(processKey(entry));
        if (!row || row->port() != entry) {
            auto* fresh = new ProcessItem(entry, m_machine, &m_rowServices, m_body);
            // The same process keeps its forward when what is shown of it changes.
            if (row) {
                fresh->takeForwardFrom(*row);
                delete row;
            }
            row = fresh;
        }
        m_rows->insertWidget(int(i), row);
    }
    for (ProcessItem* gone : std::as_const(existing))
        delete gone;
}

QString RemoteMachineSection::headerText() const
{
    return m_header->text();
}

QString RemoteMachineSection::errorText() const
{
    return m_error->text();
}

bool RemoteMachineSection::isFolded() const
{
    return !m_header->isChecked();
}

void RemoteMachineSection::setFolded(bool folded)
{
    m_header->setChecked(!folded);
}

QList<ProcessItem*> RemoteMachineSection::rows() const
{
    QList<ProcessItem*> result;
    for (int i = 0; i < m_rows->count(); ++i) {
        if (auto* row = qobject_cast<ProcessItem*>(m_rows->itemAt(i)->widget()))
            result.append(row);
    }
    return result;
}

} // namespace tidewell
