#include "gui/process/ProcessDetailsPanel.h"

#include "gui/process/ClipboardCopy.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/PlainTextLabel.h"
#include "gui/widgets/RoundedBox.h"
#include "gui/widgets/StandardWidgets.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace tidewell {

namespace {

QFrame* divider(QFrame::Shape shape, QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Plain);
    QPalette palette = line->palette();
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.2f);
    palette.setColor(QPalette::WindowText, color);
    line->setPalette(palette);
    return line;
}

QLabel* label(const QString& text, const char* objectName, QWidget* parent)
{
    auto* result = new PlainTextLabel(text, parent);
    result->setObjectName(QLatin1String(objectName));
    return result;
}

} // namespace

ProcessDetailsPanel::ProcessDetailsPanel(const PortDataLike& entry, bool showPid, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* first = new QHBoxLayout;
    first->addWidget(label(entry.processName(), "detailsProcessName", this));
    first->addWidget(divider(QFrame::VLine, this));
    first->addWidget(label(tr("Port: %1").arg(entry.port()), "detailsPort", this));
    if (showPid) {
        first->addWidget(divider(QFrame::VLine, this));
        first->addWidget(label(tr("PID: %1").arg(entry.pid()), "detailsPid", this));
    }
    first->addStretch(1);
    layout->addLayout(first);

    const auto info = entry.processInfo();
    if (!info)
        return;

    auto* path = new ElidedLabel(Qt::ElideRight, this);
    path->setObjectName(QStringLiteral("detailsPath"));
    path->setFullText(tr("Path: %1").arg(info->cwd));
    path->setMaximumWidth(kMaxPathWidth);
    layout->addWidget(path);
    layout->addWidget(divider(QFrame::HLine, this));

    auto* commandBox = new RoundedBox(10, this);
    commandBox->setObjectName(QStringLiteral("detailsCommandBox"));
    auto* commandRow = new QHBoxLayout(commandBox);
    commandRow->setContentsMargins(10, 6, 10, 6);
    auto* command = label(info->cmd, "detailsCommand", commandBox);
    command->setWordWrap(true);
    command->setMaximumWidth(kMaxPathWidth);
    command->setTextInteractionFlags(Qt::TextSelectableByMouse);
    commandRow->addWidget(command, 1);
    auto* copy = makeSymbolButton("doc.on.doc", tr("Copy command"), commandBox);
    copy->setObjectName(QStringLiteral("copyCommand"));
    connect(copy, &QToolButton::clicked, this, [cmd = info->cmd] { copyToClipboard(cmd); });
    commandRow->addWidget(copy);
    layout->addWidget(commandBox);
}

void ProcessDetailsPanel::addSection(QWidget* section)
{
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->addWidget(divider(QFrame::HLine, this));
    section->setParent(this);
    column->addWidget(section);
}

} // namespace tidewell
