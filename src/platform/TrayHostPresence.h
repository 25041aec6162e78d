#pragma once

#include <QObject>
#include <memory>

namespace tidewell {

// Whether a panel that shows the program's tray icon is there, and when one leaves or comes back.
// This base always has one (the macOS menu bar never leaves); a host's own source says more. It
// lives on the interface thread, and its notices arrive there.
class TrayHostPresence : public QObject
{
    Q_OBJECT
public:
    explicit TrayHostPresence(QObject* parent = nullptr);

    bool isPresent() const { return m_present; }

    // The source on this host: the StatusNotifierWatcher on the session bus on Linux.
    static std::unique_ptr<TrayHostPresence> create();

signals:
    void presenceChanged(bool present);

protected:
    void setPresent(bool present);

private:
    bool m_present = true;
};

} // namespace tidewell
