#pragma once

#include <QProcess>
#include <QSize>
#include <QString>

namespace tidewell::test {

// An X server of our own (Xvfb) on a free display, ended with its whole process group when the
// object goes away, so that nothing a test starts can touch the user's screen.
class VirtualDisplay
{
public:
    explicit VirtualDisplay(QSize size = QSize(800, 600));
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N" once the server accepts clients; empty when it could not start.
    QString display() const { return m_display; }
    QSize size() const { return m_size; }
    void kill();

private:
    QProcess m_server;
    QString m_display;
    QSize m_size;
};

} // namespace tidewell::test
