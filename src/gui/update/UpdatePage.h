#pragma once

#include "gui/process/AppServices.h"
#include "update/CheckForUpdateResult.h"
#include "update/UpdateService.h"

#include <QWidget>

#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tidewell {

class FailureLine;

class UpdateDownload;

// The "Updates" page: asks the update service once, as it is created, shows the answer under the
// current version, and downloads the offered build with progress. The menu makes a fresh page each
// time the page is opened, so every opening asks again.
class UpdatePage : public QWidget
{
    Q_OBJECT
public:
    UpdatePage(UpdateService service, const AppServices* services, QWidget* parent = nullptr);

    // None while the check runs.
    const std::optional<QString>& message() const { return m_message; }
    bool downloadStarted() const { return m_downloadStarted; }

private:
    void applyCheck(const Result<CheckForUpdateResult>& outcome);
    void setProgress(qint64 received, qint64 total);
    void downloadEnded(const QString& failure);
    void refresh();

    UpdateService m_service;
    std::optional<CheckForUpdateResult> m_updateResult;
    std::optional<QString> m_message;
    bool m_downloadStarted = false;
    bool m_transferEnded = false;

    UpdateDownload* m_download;
    QLabel* m_messageLabel;
    QWidget* m_checking;
    QPushButton* m_downloadButton;
    QProgressBar* m_progressBar;
    QLabel* m_downloadStatus;
    QLabel* m_downloadProgress;
    QWidget* m_downloadedActions;
    FailureLine* m_failure;
    QString m_downloadedPath;
};

} // namespace tidewell
