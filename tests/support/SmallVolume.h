#pragma once

// A volume that fills up for real: a tmpfs of its own, mounted in a private mount namespace that a
// helper process holds (as root a mount namespace, otherwise a user namespace too), reached through
// /proc/<helper>/root. Nothing outside sees it, and it goes with the helper, also when the test dies
// (the helper ends when its input closes).

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace zemo::test {

class SmallVolume {
public:
    explicit SmallVolume(qint64 bytes) {
        const QStringList args = {
            geteuid() == 0 ? QStringLiteral("-m") : QStringLiteral("-rm"),
            QStringLiteral("--propagation"),
            QStringLiteral("private"),
            QStringLiteral("sh"),
            QStringLiteral("-c"),
            QStringLiteral("mount -t tmpfs -o size=%1 zemo-test \"$0\" && echo ready && exec cat").arg(bytes),
            m_mountPoint.path()};
        m_helper.start(QStringLiteral("unshare"), args);
        if (m_helper.waitForReadyRead(10000) && m_helper.readAllStandardOutput().startsWith("ready"))
            m_path = QStringLiteral("/proc/%1/root%2").arg(m_helper.processId()).arg(m_mountPoint.path());
        else
            m_error = QString::fromLocal8Bit(m_helper.readAllStandardError()) + m_helper.errorString();
    }
    ~SmallVolume() {
        m_helper.closeWriteChannel();
        if (!m_helper.waitForFinished(5000)) {
            m_helper.kill();
            m_helper.waitForFinished(5000);
        }
    }
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;

    // The volume's folder; empty when it could not be made (error() says why).
    QString path() const { return m_path; }
    QString error() const { return m_error; }

    // Bytes free on the volume; -1 when unknown.
    qint64 bytesFree() const {
        struct statvfs s {};
        return statvfs(QFile::encodeName(m_path).constData(), &s) == 0
                   ? qint64(s.f_bavail) * qint64(s.f_frsize)
                   : -1;
    }

    // Fills the volume with a file in `folder` (made when missing) until no more than `bytes` are
    // free (to the volume's block); false when it cannot.
    bool leaveFree(const QString& folder, qint64 bytes) {
        const QString ballast = folder + QStringLiteral("/ballast");
        ::unlink(QFile::encodeName(ballast).constData());
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
        const qint64 fill = bytesFree() - bytes;
        if (fill <= 0)
            return fill == 0;
        const int fd = ::open(QFile::encodeName(ballast).constData(), O_CREAT | O_WRONLY, 0600);
        const bool ok = fd >= 0 && ::posix_fallocate(fd, 0, off_t(fill)) == 0;
        if (fd >= 0)
            ::close(fd);
        return ok && bytesFree() <= bytes;
    }

private:
    QTemporaryDir m_mountPoint;
    QProcess m_helper;
    QString m_path;
    QString m_error;
};

} // namespace zemo::test
