#pragma once

// File systems a test mounts for itself: FUSE FAT and exFAT images, sshfs from an sshd of the
// test's own on 127.0.0.1, and small or read-only tmpfs mounts. Each says why it could not be
// mounted, for the test to skip with.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <pwd.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

namespace TestMount {

inline QString findTool(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {u"/usr/sbin"_qs, u"/sbin"_qs})
                           : found;
}

// Runs a tool briefly; an empty result means it succeeded, otherwise it says why not.
inline QString runTool(const QString &program, const QStringList &arguments,
                       QByteArray *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool done = process.waitForFinished(30000) &&
                      process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    const QByteArray said = process.readAll();
    if (output)
        *output = said;
    return done ? QString() : program + u" failed: "_qs + QString::fromLocal8Bit(said);
}

inline bool waitFor(const std::function<bool()> &done)
{
    for (int waited = 0; !done(); waited += 20) {
        if (waited > 15000)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// Whether a tool, /dev/fuse or the right to mount is missing, rather than a mount failing.
inline bool missing(const QStringList &tools)
{
    return ::access("/dev/fuse", R_OK | W_OK) != 0 ||
           std::any_of(tools.begin(), tools.end(),
                       [](auto &tool) { return findTool(tool).isEmpty(); });
}

// Root may unmount FUSE too; anyone else asks fusermount3.
inline bool detach(const QString &mountPoint)
{
    return ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH) == 0 ||
           runTool(findTool(u"fusermount3"_qs), {u"-u"_qs, u"-z"_qs, mountPoint}).isEmpty();
}

} // namespace TestMount

// sshfs from an sshd of the test's own: its keys and configuration in a temporary folder, a
// random port of 127.0.0.1, logging in as the user running the test. Nothing of the machine's ssh
// setup is used or changed, except /run/sshd, which sshd run by root needs. The mount can be
// taken away as in real use: killClient() (sshfs crashed: ENOTCONN), dropConnection() (the
// network went: sshfs unmounts itself), or, mounted with the "reconnect" option, stopServer()
// with dropConnection() (EIO while it cannot reconnect).
class SshfsMount {
public:
    static inline const QStringList tools{u"sshfs"_qs, u"sshd"_qs, u"ssh-keygen"_qs,
                                          u"fusermount3"_qs};

    ~SshfsMount()
    {
        unmount();
        stopServer();
    }

    // Serves `servedFolder` at `mountPoint`, both existing folders, with extra sshfs options
    // such as "reconnect". Empty when the mount is ready; otherwise why it is not.
    QString mount(const QString &servedFolder, const QString &mountPoint,
                  const QStringList &options = {})
    {
        if (TestMount::missing(tools))
            return u"/dev/fuse, sshfs, fusermount3, sshd or ssh-keygen is missing (scripts/setup)"_qs;
        if (QString why = startServer(); !why.isEmpty())
            return why;
        m_mountPoint = mountPoint;
        QStringList arguments =
            u"-f -F /dev/null -p %1 -o IdentityFile=%2,IdentitiesOnly=yes,BatchMode=yes,"
            u"StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,"
            u"GlobalKnownHostsFile=/dev/null,LogLevel=ERROR"_qs.arg(m_port)
                .arg(path("key"))
                .split(u' ');
        for (const QString &option : options)
            arguments << u"-o"_qs << option;
        arguments << QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name) + u"@127.0.0.1:"_qs +
                         servedFolder
                  << mountPoint;
        m_client.setStandardOutputFile(path("sshfs.log"));
        m_client.setStandardErrorFile(path("sshfs.log"), QIODevice::Append);
        m_client.start(TestMount::findTool(u"sshfs"_qs), arguments);
        // sshfs -f says nothing when the mount is ready: the mount point changes device.
        TestMount::waitFor([&] { return isMounted() || m_client.waitForFinished(1); });
        if (isMounted())
            return {};
        killClient();
        return u"sshfs did not mount: "_qs + log("sshfs.log");
    }

    void killClient()
    {
        m_client.kill();
        m_client.waitForFinished(5000);
    }

    // Ends the ssh connection under sshfs. sshfs starts ssh detached from itself; it is told
    // apart by the key file of this mount.
    void dropConnection()
    {
        const QByteArray key = "-oIdentityFile=" + QFile::encodeName(path("key"));
        for (const QString &process : QDir(u"/proc"_qs).entryList(QDir::Dirs)) {
            QFile file(u"/proc/%1/cmdline"_qs.arg(process));
            const QList<QByteArray> arguments =
                file.open(QIODevice::ReadOnly) ? file.readAll().split('\0') : QList<QByteArray>();
            if (arguments.value(0).endsWith("ssh") && arguments.contains(key))
                ::kill(process.toInt(), SIGTERM);
        }
    }

    // New connections are refused from now on.
    void stopServer()
    {
        m_server.kill();
        m_server.waitForFinished(5000);
    }

    // Also after killClient(): never leaves a dead mount behind. False if it stays.
    bool unmount()
    {
        if (isMounted())
            TestMount::detach(m_mountPoint);
        if (!m_client.waitForFinished(5000))
            killClient();
        return !isMounted();
    }

    // Also a mount whose sshfs died.
    bool isMounted() const
    {
        struct stat self;
        struct stat parent;
        const QByteArray point = QFile::encodeName(m_mountPoint);
        if (point.isEmpty() || ::stat(point.constData(), &self) != 0)
            return !point.isEmpty() && errno == ENOTCONN;
        return ::stat(QByteArray(point + "/..").constData(), &parent) == 0 &&
               self.st_dev != parent.st_dev;
    }

private:
    QString path(const char *name) const { return m_keys.filePath(QString::fromLatin1(name)); }

    QString log(const char *name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()).simplified()
                                              : QString();
    }

    QString startServer()
    {
        if (m_server.state() != QProcess::NotRunning)
            return {};
        // One key serves as the server's and the client's.
        if (QString why = TestMount::runTool(
                TestMount::findTool(u"ssh-keygen"_qs),
                {u"-q"_qs, u"-t"_qs, u"ed25519"_qs, u"-N"_qs, QString(), u"-f"_qs, path("key")});
            !why.isEmpty())
            return why;
        if (::geteuid() == 0)
            QDir().mkpath(u"/run/sshd"_qs);
        // A port taken between the look and sshd's start: another try on another one.
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_port = 20000 + QRandomGenerator::global()->bounded(40000);
            QStringList arguments{u"-D"_qs, u"-e"_qs, u"-f"_qs, u"/dev/null"_qs};
            for (const QString &option :
                 u"Port=%1|ListenAddress=127.0.0.1|HostKey=%2|AuthorizedKeysFile=%3|PidFile=%4|"
                 u"StrictModes=no|UsePAM=no|PasswordAuthentication=no|"
                 u"KbdInteractiveAuthentication=no|PermitRootLogin=prohibit-password|"
                 u"Subsystem=sftp internal-sftp"_qs.arg(m_port)
                     .arg(path("key"), path("key.pub"), path("sshd.pid"))
                     .split(u'|'))
                arguments << u"-o"_qs + option;
            // Its log goes to a file, which no pipe left unread can block.
            m_server.setStandardErrorFile(path("sshd.log"));
            m_server.start(TestMount::findTool(u"sshd"_qs), arguments);
            // Until the start is taken in, the state says Starting even once sshd listens.
            if (!m_server.waitForStarted())
                continue;
            if (TestMount::waitFor([&] {
                    return log("sshd.log").contains(u"Server listening"_qs) ||
                           m_server.waitForFinished(1);
                }) &&
                m_server.state() == QProcess::Running)
                return {};
        }
        return u"sshd did not start listening: "_qs + log("sshd.log");
    }

    QTemporaryDir m_keys;
    QProcess m_server;
    QProcess m_client;
    QString m_mountPoint;
    int m_port = 0;
};

namespace TestMount {

// smallTmpfs holds 64 KB; smallRootFat is a FAT whose root folder holds only 16 entries.
enum class Kind { fat, exFat, sshfs, smallTmpfs, readOnlyTmpfs, smallRootFat };

class Mount {
public:
    ~Mount() { unmount(); }

    // Mounts a new file system of that kind at `folder`/mnt, with what it needs beside it in
    // `folder`. An empty result means the mount is ready.
    QString mount(Kind kind, const QString &folder)
    {
        m_kind = kind;
        mountPoint = folder + u"/mnt"_qs;
        if (!QDir().mkpath(mountPoint) || !QDir().mkpath(folder + u"/remote"_qs))
            return u"cannot create the mount point"_qs;
        QString error;
        if (kind == Kind::sshfs) {
            m_unavailable = missing(SshfsMount::tools);
            error = m_sshfs.emplace().mount(folder + u"/remote"_qs, mountPoint);
        } else if (tmpfs()) {
            m_unavailable =
                ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs",
                        kind == Kind::readOnlyTmpfs ? MS_RDONLY : 0, "size=64k,mode=0700") != 0;
            if (m_unavailable)
                error = QString::fromLocal8Bit(strerror(errno)).prepend(u"tmpfs: "_qs);
        } else {
            error = mountImage(folder + u"/disk.img"_qs);
        }
        m_mounted = error.isEmpty();
        return error;
    }

    // A tmpfs at `folder`/mnt that takes no new byte: mounted read-only, or else full.
    QString mountUnwritable(bool readOnly, const QString &folder)
    {
        QString error = mount(readOnly ? Kind::readOnlyTmpfs : Kind::smallTmpfs, folder);
        if (error.isEmpty() && !readOnly && !fill())
            error = u"cannot fill the tmpfs"_qs;
        return error;
    }

    // Fills a mounted tmpfs up to its last byte, or up to `leave` bytes before it.
    bool fill(qint64 leave = 0) const
    {
        QFile filler(mountPoint + u"/filler"_qs);
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        while (filler.write(QByteArray(1024, 'x')) > 0) {
        }
        return filler.resize(qMax<qint64>(0, filler.size() - leave));
    }

    bool setReadOnly(bool readOnly) const
    {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, QFile::encodeName(mountPoint).constData(), nullptr, flags,
                       nullptr) == 0;
    }

    bool unmount()
    {
        m_mounted = m_mounted && !(m_sshfs ? m_sshfs->unmount() : detach(mountPoint));
        return !m_mounted;
    }

    // After mount() failed: whether this kind of file system cannot be had here at all (a
    // tool, /dev/fuse or the right to mount is missing), rather than failed to mount.
    bool unavailable() const { return m_unavailable; }

    QString mountPoint;

private:
    bool tmpfs() const { return m_kind == Kind::smallTmpfs || m_kind == Kind::readOnlyTmpfs; }

    QString mountImage(const QString &image)
    {
        const bool exFat = m_kind == Kind::exFat;
        const QString driver = exFat ? u"mount.exfat-fuse"_qs : u"fusefat"_qs;
        const QString mkfs = exFat ? u"mkfs.exfat"_qs : u"mkfs.vfat"_qs;
        m_unavailable = missing({driver, mkfs, u"fusermount3"_qs});
        if (m_unavailable)
            return u"/dev/fuse, fusermount3, fusefat, exfat-fuse or mkfs is missing"_qs;
        QFile::remove(image); // of an earlier mount at this place
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize((exFat ? 32 : 4) * 1024 * 1024))
            return u"cannot create the image"_qs;
        file.close();
        const QStringList format = m_kind == Kind::smallRootFat
                                       ? QStringList{u"-r"_qs, u"16"_qs, image}
                                       : QStringList{image};
        if (QString error = runTool(findTool(mkfs), format); !error.isEmpty())
            return error;
        if (!exFat)
            return runTool(findTool(driver), {u"-o"_qs, u"rw+"_qs, image, mountPoint});
        // Run by root, exfat-fuse asks for a block device. Detached while in use, the loop
        // device goes by itself once the mount has gone.
        QByteArray device;
        const QString losetup = findTool(u"losetup"_qs);
        if (QString error = runTool(losetup, {u"-f"_qs, u"--show"_qs, image}, &device);
            !error.isEmpty())
            return error;
        const QString loop = QString::fromLocal8Bit(device).trimmed();
        const QString error = runTool(findTool(driver), {loop, mountPoint});
        runTool(losetup, {u"-d"_qs, loop});
        return error;
    }

    Kind m_kind = Kind::fat;
    bool m_unavailable = false;
    bool m_mounted = false;
    std::optional<SshfsMount> m_sshfs;
};

} // namespace TestMount
