#pragma once

#include "records/PortData.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tidewell {

class Desktop;
class RemoteMachine;

// One server of a remote machine in the window: port, title or "No answer", process and command,
// and its actions: "Open" forwards the port through the machine's connection to a free local port
// and opens http://localhost:LOCAL (the forward is shown on the row, and kept while the row is),
// "Copy Command", "Open in Terminal" (ssh -t into its folder) and "Stop" (checked on the far side).
class RemoteServerRow : public QWidget
{
    Q_OBJECT
public:
    RemoteServerRow(const PortData& entry, bool answered, RemoteMachine* machine,
                    std::shared_ptr<Desktop> desktop, QWidget* parent = nullptr);
    ~RemoteServerRow() override;

    const PortData& entry() const { return m_entry; }
    void setEntry(const PortData& entry, bool answered);
    // The local port of the row's forward; 0 before "Open" made one.
    int forwardedPort() const { return m_localPort; }
    // What the last action reported; empty when it went well.
    QString errorText() const;
    // The command line "Open in Terminal" runs: ssh -t into the server's folder on the machine.
    QString terminalCommand() const;

    QPushButton* openButton() const { return m_open; }
    QPushButton* copyButton() const { return m_copy; }
    QPushButton* terminalButton() const { return m_terminal; }
    QPushButton* stopButton() const { return m_stop; }

signals:
    // The stop ended: the listing will drop the row when it is refreshed.
    void stopFinished();

private:
    void open();
    void stop();
    void showError(const QString& text);

    PortData m_entry;
    QPointer<RemoteMachine> m_machine;
    std::shared_ptr<Desktop> m_desktop;
    int m_localPort = 0;
    QLabel* m_title;
    QLabel* m_details;
    QLabel* m_forward;
    QLabel* m_error;
    QPushButton* m_open;
    QPushButton* m_copy;
    QPushButton* m_terminal;
    QPushButton* m_stop;
};

} // namespace tidewell
