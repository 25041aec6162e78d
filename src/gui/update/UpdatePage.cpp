#include "gui/update/UpdatePage.h"

#include "gui/widgets/FailureLine.h"

#include "gui/widgets/BusySpinner.h"
#include "gui/widgets/PlainTextLabel.h"
#include "records/DisplayText.h"
#include "update/UpdateDownload.h"

#include <QAccessible>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tidewell {

namespace {

constexpr int kProgressSteps = 1000;

// The service's text, never read as markup.
QLabel* makeTextLabel(const QString& text, const char* objectName, QWidget* parent)
{
    auto* label = new PlainTextLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

UpdatePage::UpdatePage(UpdateService service, const AppServices* services, QWidget* parent)
    : QWidget(parent), m_service(std::move(service)),
      m_download(new UpdateDownload(m_service, services->desktop, services->pool, this))
{
    setObjectName(QStringLiteral("updatePageContent"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->setSpacing(4);

    layout->addWidget(
        makeTextLabel(tr("Current Version %1").arg(m_service.currentVersion()), "currentVersion", this));

    m_messageLabel = makeTextLabel({}, "message", this);
    layout->addWidget(m_messageLabel);
    m_checking = new QWidget(this);
    auto* checkingRow = new QHBoxLayout(m_checking);
    checkingRow->setContentsMargins(0, 0, 0, 0);
    checkingRow->addStretch(1);
    checkingRow->addWidget(new QLabel(tr("Checking for update..."), m_checking));
    checkingRow->addWidget(new BusySpinner(m_checking));
    checkingRow->addStretch(1);
    layout->addWidget(m_checking);

    m_downloadButton = new QPushButton(this);
    m_downloadButton->setObjectName(QStringLiteral("downloadButton"));
    m_downloadButton->setAccessibleDescription(tr("Downloads the new version to the downloads folder"));
    layout->addWidget(m_downloadButton, 0, Qt::AlignHCenter);
    connect(m_downloadButton, &QPushButton::clicked, this, [this] {
        m_downloadStatus->clear();
        m_download->start(m_updateResult->download_link.value_or(QString()));
        refresh();
    });

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, kProgressSteps);
    layout->addWidget(m_progressBar);

    m_downloadProgress = makeTextLabel({}, "downloadProgress", this);
    layout->addWidget(m_downloadProgress);
    m_downloadStatus = makeTextLabel({}, "downloadStatus", this);
    layout->addWidget(m_downloadStatus);
    // Once the file is there: open it again, or see it among the others.
    m_downloadedActions = new QWidget(this);
    auto* actionsRow = new QHBoxLayout(m_downloadedActions);
    actionsRow->setContentsMargins(0, 0, 0, 0);
    actionsRow->addStretch(1);
    auto* open = new QPushButton(tr("Open"), m_downloadedActions);
    open->setObjectName(QStringLiteral("openDownloaded"));
    actionsRow->addWidget(open);
    auto* show = new QPushButton(tr("Show in Folder"), m_downloadedActions);
    show->setObjectName(QStringLiteral("showDownloaded"));
    actionsRow->addWidget(show);
    actionsRow->addStretch(1);
    layout->addWidget(m_downloadedActions);
    m_failure = new FailureLine(this);
    m_failure->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_failure);
    const auto reported = [this] { return m_failure->startAction(); };
    connect(open, &QPushButton::clicked, this,
            [this, reported] { m_download->openDownloaded(m_downloadedPath, reported()); });
    connect(show, &QPushButton::clicked, this,
            [this, reported] { m_download->showDownloaded(m_downloadedPath, reported()); });

    connect(m_download, &UpdateDownload::transferStarted, this, [this] {
        m_downloadStarted = true;
        m_transferEnded = false;
        m_progressBar->setRange(0, kProgressSteps);
        m_progressBar->setValue(0);
        refresh();
    });
    connect(m_download, &UpdateDownload::progress, this, &UpdatePage::setProgress);
    connect(m_download, &UpdateDownload::completed, this, [this](const QString& path) {
        m_downloadedPath = path;
        // The name comes from the link: shown on one line, in its own order.
        m_downloadStatus->setText(
            tr("Downloaded to %1").arg(DisplayText::oneLine(QDir::toNativeSeparators(path))));
        // The label's new text reaches a screen reader as a name change; the alert marks it as news
        // where the platform's bridge passes alerts on (AT-SPI in Qt 6.4 does not).
        QAccessibleEvent alert(m_downloadStatus, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
        downloadEnded({});
    });
    connect(m_download, &UpdateDownload::failed, this, &UpdatePage::downloadEnded);
    connect(m_download, &UpdateDownload::openFailed, m_failure, &FailureLine::showFailure);

    if (!m_service.isSetUp()) {
        m_message = UpdateService::kNotSetUp;
    } else {
        m_service.check([page = QPointer<UpdatePage>(this)](const Result<CheckForUpdateResult>& outcome) {
            if (page)
                page->applyCheck(outcome);
        });
    }
    refresh();
}

void UpdatePage::applyCheck(const Result<CheckForUpdateResult>& outcome)
{
    if (outcome) {
        m_updateResult = outcome.value();
        m_message = outcome->message;
    } else {
        // The previous answer stays: a failed check does not take away a download already offered.
        m_message = UpdateService::kCheckFailed;
    }
    refresh();
}

void UpdatePage::setProgress(qint64 received, qint64 total)
{
    const QLocale locale;
    m_downloadProgress->setText(
        total > 0 ? tr("%1 of %2").arg(locale.formattedDataSize(received), locale.formattedDataSize(total))
                  : locale.formattedDataSize(received));
    // A reply without a length gives no fraction; a moving busy bar says that bytes still arrive.
    if (total <= 0) {
        m_progressBar->setRange(0, 0);
    } else {
        m_progressBar->setRange(0, kProgressSteps);
        m_progressBar->setValue(
            int(std::clamp<qint64>(received * kProgressSteps / total, 0, kProgressSteps)));
    }
    refresh();
}

void UpdatePage::downloadEnded(const QString& failure)
{
    m_transferEnded = true;
    if (!failure.isEmpty()) {
        m_downloadStatus->setText(tr("Download failed: %1").arg(DisplayText::oneLine(failure)));
        // The user may try again.
        m_downloadStarted = false;
    }
    refresh();
}

void UpdatePage::refresh()
{
    // The service's words, and a link or a system's reason quoted in a failure, are outside text.
    m_messageLabel->setText(DisplayText::oneLine(m_message.value_or(QString())));
    m_messageLabel->setVisible(m_message.has_value());
    m_checking->setVisible(!m_message.has_value());

    const bool offered = !m_downloadStarted && m_updateResult && m_updateResult->offersDownload();
    if (offered) {
        QString text = tr("Download %1").arg(DisplayText::oneLine(*m_updateResult->version));
        // A button reads "&" as the mark of a shortcut key.
        m_downloadButton->setText(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
    m_downloadButton->setVisible(offered);
    m_downloadButton->setEnabled(!m_download->isBusy());

    const bool complete = m_progressBar->maximum() > 0 && m_progressBar->value() >= m_progressBar->maximum();
    m_progressBar->setVisible(m_downloadStarted && !m_transferEnded && !complete);
    m_downloadProgress->setVisible(m_downloadStarted && !m_transferEnded &&
                                   !m_downloadProgress->text().isEmpty());
    m_downloadedActions->setVisible(!m_downloadedPath.isEmpty());
    m_downloadStatus->setVisible(!m_downloadStatus->text().isEmpty());
}

} // namespace tidewell
