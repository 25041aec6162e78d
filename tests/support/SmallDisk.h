#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace tidewell::test {

// A small memory file system (tmpfs) mounted over a folder of the test's own, to run out of space
// without touching the machine's disks. Needs root; `skipReason()` says why it could not be mounted.
// Unmounted when it goes.
class SmallDisk
{
public:
    SmallDisk(const QString& folder, int kilobytes) : m_folder(QFile::encodeName(folder))
    {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0700";
        if (::geteuid() != 0)
            m_skipReason = QStringLiteral("mounting a small file system needs root");
        else if (::mount("tidewell-test", m_folder.constData(), "tmpfs", 0, options.constData()) != 0)
            m_skipReason =
                QStringLiteral("tmpfs could not be mounted: ") + QString::fromLocal8Bit(std::strerror(errno));
        else
            m_mounted = true;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const QString& skipReason() const { return m_skipReason; }
    // Writes a file of its own until the disk is full; false when the disk never filled.
    bool fill() const
    {
        const int fd = ::open((m_folder + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), size_t(block.size())) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QByteArray m_folder;
    QString m_skipReason;
    bool m_mounted = false;
};

} // namespace tidewell::test
