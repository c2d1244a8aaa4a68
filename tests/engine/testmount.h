#pragma once

// File systems a test mounts for itself: FUSE FAT and exFAT images, sshfs to an sshd of the
// test's own on 127.0.0.1, and small or read-only tmpfs mounts. Each says why it could not
// be mounted, for the test to skip with.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include "sshfsmount.h"

#include <optional>

#include <unistd.h>

namespace TestMount {

inline QString findTool(const QStringList &names)
{
    for (const QString &name : names) {
        QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty())
            path = QStandardPaths::findExecutable(
                name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        if (!path.isEmpty())
            return path;
    }
    return {};
}

// Runs a tool briefly; an empty result means it succeeded, otherwise it says why not.
inline QString runTool(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty())
        return QStringLiteral("a tool is missing");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return {};
    return program + QStringLiteral(" failed: ") +
           QString::fromLocal8Bit(process.readAll()).simplified();
}

// smallRootFat: a FAT whose root folder holds only 16 entries.
enum class Kind { fat, exFat, sshfs, fullTmpfs, readOnlyTmpfs, smallRootFat };

class Mount {
public:
    Mount() = default;
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;
    ~Mount() { unmount(); }

    // Mounts a new file system of that kind at `folder`/mnt, with what it needs beside it
    // in `folder`. An empty result means the mount is ready.
    QString mount(Kind kind, const QString &folder)
    {
        m_kind = kind;
        mountPoint = folder + QStringLiteral("/mnt");
        if (!QDir().mkpath(mountPoint))
            return QStringLiteral("cannot create the mount point");
        QString error;
        switch (kind) {
        case Kind::fat:
        case Kind::smallRootFat:
        case Kind::exFat:
        case Kind::sshfs:
            m_unmounter = findTool({QStringLiteral("fusermount3"), QStringLiteral("fusermount")});
            if (::access("/dev/fuse", R_OK | W_OK) != 0 || m_unmounter.isEmpty()) {
                m_unavailable = true;
                return QStringLiteral("/dev/fuse or fusermount is missing or not usable here");
            }
            error = kind == Kind::exFat   ? mountExFat(folder + QStringLiteral("/disk.img"))
                    : kind == Kind::sshfs ? mountSshfs(folder)
                                          : mountFat(folder + QStringLiteral("/disk.img"));
            break;
        case Kind::fullTmpfs:
        case Kind::readOnlyTmpfs:
            m_unmounter = findTool({QStringLiteral("umount")});
            if (::geteuid() != 0)
                return QStringLiteral("only root can mount a tmpfs here");
            error = runTool(findTool({QStringLiteral("mount")}),
                            {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                             kind == Kind::fullTmpfs ? QStringLiteral("size=64k,mode=0700")
                                                     : QStringLiteral("ro,mode=0700"),
                             QStringLiteral("tmpfs"), mountPoint});
            break;
        }
        m_mounted = error.isEmpty();
        return error;
    }

    // Fills a mounted tmpfs up to its last byte.
    bool fill() const
    {
        QFile filler(mountPoint + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        return true;
    }

    bool unmount()
    {
        if (m_sshfs) {
            if (m_sshfs->unmount()) {
                m_mounted = false;
                m_sshfs.reset();
            }
            return !m_mounted;
        }
        if (m_mounted) {
            const QStringList arguments =
                m_kind == Kind::fullTmpfs || m_kind == Kind::readOnlyTmpfs
                    ? QStringList{QStringLiteral("-l"), mountPoint}
                    : QStringList{QStringLiteral("-u"), QStringLiteral("-z"), mountPoint};
            if (runTool(m_unmounter, arguments).isEmpty())
                m_mounted = false;
        }
        if (!m_mounted && !m_loopDevice.isEmpty() &&
            runTool(findTool({QStringLiteral("losetup")}), {QStringLiteral("-d"), m_loopDevice})
                .isEmpty())
            m_loopDevice.clear();
        return !m_mounted;
    }

    // After mount() failed: whether this kind of file system cannot be had here at all (a
    // tool or /dev/fuse is missing), rather than failed to mount.
    bool unavailable() const { return m_unavailable; }

    QString mountPoint;

private:
    QString mountFat(const QString &image)
    {
        const QString fusefat = findTool({QStringLiteral("fusefat")});
        const QString mkfs = findTool({QStringLiteral("mkfs.vfat")});
        if (fusefat.isEmpty() || mkfs.isEmpty()) {
            m_unavailable = true;
            return QStringLiteral("fusefat or mkfs.vfat is not installed");
        }
        QFile::remove(image); // of an earlier mount at this place
        QStringList format{QStringLiteral("-C"), image, QStringLiteral("4096")};
        if (m_kind == Kind::smallRootFat)
            format = QStringList{QStringLiteral("-r"), QStringLiteral("16")} + format;
        const QString error = runTool(mkfs, format);
        return error.isEmpty() ? runTool(fusefat, {QStringLiteral("-o"), QStringLiteral("rw+"),
                                                   image, mountPoint})
                               : error;
    }

    QString mountExFat(const QString &image)
    {
        const QString driver = findTool({QStringLiteral("mount.exfat-fuse")});
        const QString mkfs = findTool({QStringLiteral("mkfs.exfat")});
        if (driver.isEmpty() || mkfs.isEmpty()) {
            m_unavailable = true;
            return QStringLiteral("exfat-fuse or mkfs.exfat is not installed");
        }
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(32 * 1024 * 1024))
            return QStringLiteral("cannot create the image");
        file.close();
        if (QString error = runTool(mkfs, {image}); !error.isEmpty())
            return error;
        if (runTool(driver, {image, mountPoint}).isEmpty())
            return {};
        // Run by root, exfat-fuse asks for a block device.
        QProcess attach;
        attach.start(findTool({QStringLiteral("losetup")}),
                     {QStringLiteral("-f"), QStringLiteral("--show"), image});
        if (!attach.waitForFinished(15000) || attach.exitCode() != 0)
            return QStringLiteral("exfat-fuse wants a block device and losetup failed: ") +
                   QString::fromLocal8Bit(attach.readAllStandardError()).simplified();
        m_loopDevice = QString::fromLocal8Bit(attach.readAllStandardOutput()).trimmed();
        return runTool(driver, {m_loopDevice, mountPoint});
    }

    // An sshd of the test's own on 127.0.0.1 serving `folder`/remote through sshfs.
    QString mountSshfs(const QString &folder)
    {
        const QString remote = folder + QStringLiteral("/remote");
        if (!QDir().mkpath(remote))
            return QStringLiteral("cannot create the served folder");
        m_sshfs.emplace();
        const QString error = m_sshfs->mount(remote, mountPoint);
        m_unavailable = !error.isEmpty() && m_sshfs->unavailable();
        return error;
    }

    bool m_unavailable = false;
    Kind m_kind = Kind::fat;
    QString m_unmounter;
    QString m_loopDevice;
    std::optional<SshfsMount> m_sshfs;
    bool m_mounted = false;
};

} // namespace TestMount
