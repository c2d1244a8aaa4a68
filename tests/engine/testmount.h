#pragma once

// File systems a test mounts for itself: FUSE FAT and exFAT images, sshfs from an sshd of the
// test's own on 127.0.0.1, and small or read-only tmpfs mounts. Each says why it could not be
// mounted, for the test to skip with.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

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
    return done ? QString() : program + u" failed: "_qs + QString::fromLocal8Bit(said).simplified();
}

inline bool waitFor(const std::function<bool()> &done, int milliseconds = 15000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QThread::msleep(20);
    }
    return true;
}

inline bool fuseUsable()
{
    return ::access("/dev/fuse", R_OK | W_OK) == 0 && !findTool(u"fusermount3"_qs).isEmpty();
}

} // namespace TestMount

// sshfs from an sshd of the test's own: its keys and configuration in a temporary folder, a
// free port of 127.0.0.1, logging in as the user running the test. Nothing of the machine's ssh
// setup is used or changed, except /run/sshd, which sshd run by root needs. The mount can be
// taken away as in real use: killClient() (sshfs crashed: ENOTCONN), dropConnection() (the
// network went: sshfs unmounts itself), or, mounted with the "reconnect" option, stopServer()
// with dropConnection() (EIO while it cannot reconnect).
class SshfsMount {
public:
    SshfsMount() = default;
    SshfsMount(const SshfsMount &) = delete;
    SshfsMount &operator=(const SshfsMount &) = delete;
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
        using TestMount::findTool;
        const QString sshfs = findTool(u"sshfs"_qs);
        m_unavailable = !TestMount::fuseUsable() || sshfs.isEmpty() ||
                        findTool(u"sshd"_qs).isEmpty() || findTool(u"ssh-keygen"_qs).isEmpty();
        if (m_unavailable)
            return u"/dev/fuse, sshfs, fusermount3, sshd or ssh-keygen is missing or not usable "
                   u"(scripts/setup)"_qs;
        if (m_server.state() == QProcess::NotRunning) {
            if (QString why = startServer(); !why.isEmpty())
                return why;
        }
        m_mountPoint = mountPoint;
        QStringList arguments =
            u"-f -F /dev/null -p %1 -o IdentityFile=%2,IdentitiesOnly=yes,BatchMode=yes,"
            u"StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,"
            u"GlobalKnownHostsFile=/dev/null,LogLevel=ERROR"_qs.arg(m_port)
                .arg(path("client_key"))
                .split(u' ');
        for (const QString &option : options)
            arguments << u"-o"_qs << option;
        const struct passwd *user = ::getpwuid(::getuid());
        arguments << QString::fromLocal8Bit(user ? user->pw_name : "root") + u"@127.0.0.1:"_qs +
                         servedFolder
                  << mountPoint;
        m_client.setStandardOutputFile(path("sshfs.log"));
        m_client.setStandardErrorFile(path("sshfs.log"), QIODevice::Append);
        m_client.start(sshfs, arguments);
        // sshfs -f says nothing when the mount is ready: the mount point changes device.
        TestMount::waitFor([&] {
            return isMounted() || m_client.waitForFinished(1) ||
                   m_client.state() == QProcess::NotRunning;
        });
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
        const QByteArray key = "-oIdentityFile=" + QFile::encodeName(path("client_key"));
        for (const QString &process : QDir(u"/proc"_qs).entryList(QDir::Dirs)) {
            QFile file(u"/proc/%1/cmdline"_qs.arg(process));
            if (process.toInt() <= 0 || !file.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> arguments = file.readAll().split('\0');
            if (arguments.constFirst().endsWith("ssh") && arguments.contains(key))
                ::kill(process.toInt(), SIGTERM);
        }
    }

    // New connections are refused from now on.
    void stopServer()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }

    // Also after killClient(): never leaves a dead mount behind. False if it stays.
    bool unmount()
    {
        if (isMounted())
            TestMount::runTool(TestMount::findTool(u"fusermount3"_qs),
                               {u"-u"_qs, u"-z"_qs, m_mountPoint});
        if (!m_client.waitForFinished(5000))
            killClient();
        if (isMounted())
            return false;
        m_mountPoint.clear();
        return true;
    }

    // After mount() failed: whether sshfs cannot be had here at all, rather than failed.
    bool unavailable() const { return m_unavailable; }

    // Also a mount whose sshfs died.
    bool isMounted() const
    {
        struct stat self;
        struct stat parent;
        const QByteArray point = QFile::encodeName(m_mountPoint);
        if (point.isEmpty())
            return false;
        if (::stat(point.constData(), &self) != 0)
            return errno == ENOTCONN;
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

    static int freePort()
    {
        const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const bool found =
            ::bind(socket, reinterpret_cast<sockaddr *>(&address), size) == 0 &&
            ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &size) == 0;
        ::close(socket);
        return found ? ntohs(address.sin_port) : 0;
    }

    QString startServer()
    {
        for (const char *key : {"host_key", "client_key"}) {
            if (QString why = TestMount::runTool(
                    TestMount::findTool(u"ssh-keygen"_qs),
                    {u"-q"_qs, u"-t"_qs, u"ed25519"_qs, u"-N"_qs, QString(), u"-f"_qs, path(key)});
                !why.isEmpty())
                return why;
        }
        QFile::copy(path("client_key.pub"), path("authorized_keys"));
        if (::geteuid() == 0)
            QDir().mkpath(u"/run/sshd"_qs);
        // A port taken between the look and sshd's start: another try on another one.
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_port = freePort();
            QStringList arguments{u"-D"_qs, u"-e"_qs, u"-f"_qs, u"/dev/null"_qs};
            for (const QString &option :
                 u"Port=%1|ListenAddress=127.0.0.1|HostKey=%2|AuthorizedKeysFile=%3|PidFile=%4|"
                 u"StrictModes=no|UsePAM=no|PasswordAuthentication=no|"
                 u"KbdInteractiveAuthentication=no|PermitRootLogin=prohibit-password|"
                 u"Subsystem=sftp internal-sftp"_qs.arg(m_port)
                     .arg(path("host_key"), path("authorized_keys"), path("sshd.pid"))
                     .split(u'|'))
                arguments << u"-o"_qs + option;
            // Its log goes to a file, which no pipe left unread can block.
            QFile::remove(path("sshd.log"));
            m_server.setStandardOutputFile(path("sshd.log"));
            m_server.setStandardErrorFile(path("sshd.log"), QIODevice::Append);
            m_server.start(TestMount::findTool(u"sshd"_qs), arguments);
            TestMount::waitFor([&] {
                return log("sshd.log").contains(u"Server listening"_qs) ||
                       m_server.waitForFinished(1);
            });
            if (log("sshd.log").contains(u"Server listening"_qs))
                return {};
            stopServer();
        }
        return u"sshd did not start listening: "_qs + log("sshd.log");
    }

    QTemporaryDir m_keys;
    QProcess m_server;
    QProcess m_client;
    QString m_mountPoint;
    int m_port = 0;
    bool m_unavailable = false;
};

namespace TestMount {

// smallTmpfs holds 64 KB; smallRootFat is a FAT whose root folder holds only 16 entries.
enum class Kind { fat, exFat, sshfs, smallTmpfs, readOnlyTmpfs, smallRootFat };

class Mount {
public:
    Mount() = default;
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;
    ~Mount() { unmount(); }

    // Mounts a new file system of that kind at `folder`/mnt, with what it needs beside it in
    // `folder`. An empty result means the mount is ready.
    QString mount(Kind kind, const QString &folder)
    {
        m_kind = kind;
        mountPoint = folder + u"/mnt"_qs;
        const QString remote = folder + u"/remote"_qs;
        if (!QDir().mkpath(mountPoint) || !QDir().mkpath(remote))
            return u"cannot create the mount point"_qs;
        QString error;
        if (kind == Kind::sshfs) {
            m_sshfs.emplace();
            error = m_sshfs->mount(remote, mountPoint);
            m_unavailable = !error.isEmpty() && m_sshfs->unavailable();
        } else if (tmpfs()) {
            const int flags = kind == Kind::readOnlyTmpfs ? MS_RDONLY : 0;
            if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", flags,
                        "size=64k,mode=0700") != 0) {
                const int problem = errno;
                m_unavailable = problem == EPERM;
                error = u"mounting a tmpfs failed: "_qs + QString::fromLocal8Bit(strerror(problem));
            }
        } else {
            error = mountImage(folder + u"/disk.img"_qs);
        }
        m_mounted = error.isEmpty();
        return error;
    }

    // Fills a mounted tmpfs up to its last byte, or up to `leave` bytes before it.
    bool fill(qint64 leave = 0) const
    {
        QFile filler(mountPoint + u"/filler"_qs);
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(1024, 'x');
        while (filler.write(block) > 0) {
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
        if (m_mounted && m_sshfs)
            m_mounted = !m_sshfs->unmount();
        else if (m_mounted && tmpfs())
            m_mounted = ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH) != 0;
        else if (m_mounted)
            m_mounted =
                !runTool(findTool(u"fusermount3"_qs), {u"-u"_qs, u"-z"_qs, mountPoint}).isEmpty();
        if (!m_mounted && !m_loopDevice.isEmpty() &&
            runTool(findTool(u"losetup"_qs), {u"-d"_qs, m_loopDevice}).isEmpty())
            m_loopDevice.clear();
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
        const QString driver = findTool(exFat ? u"mount.exfat-fuse"_qs : u"fusefat"_qs);
        const QString mkfs = findTool(exFat ? u"mkfs.exfat"_qs : u"mkfs.vfat"_qs);
        m_unavailable = !fuseUsable() || driver.isEmpty() || mkfs.isEmpty();
        if (m_unavailable)
            return u"/dev/fuse, fusermount3, fusefat, exfat-fuse or mkfs is missing or not "
                   u"usable here"_qs;
        QFile::remove(image); // of an earlier mount at this place
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize((exFat ? 32 : 4) * 1024 * 1024))
            return u"cannot create the image"_qs;
        file.close();
        const QStringList format = m_kind == Kind::smallRootFat
                                       ? QStringList{u"-r"_qs, u"16"_qs, image}
                                       : QStringList{image};
        if (QString error = runTool(mkfs, format); !error.isEmpty())
            return error;
        if (!exFat)
            return runTool(driver, {u"-o"_qs, u"rw+"_qs, image, mountPoint});
        if (runTool(driver, {image, mountPoint}).isEmpty())
            return {};
        // Run by root, exfat-fuse asks for a block device.
        QByteArray device;
        if (QString error =
                runTool(findTool(u"losetup"_qs), {u"-f"_qs, u"--show"_qs, image}, &device);
            !error.isEmpty())
            return u"exfat-fuse wants a block device: "_qs + error;
        m_loopDevice = QString::fromLocal8Bit(device).trimmed();
        return runTool(driver, {m_loopDevice, mountPoint});
    }

    Kind m_kind = Kind::fat;
    bool m_unavailable = false;
    bool m_mounted = false;
    QString m_loopDevice;
    std::optional<SshfsMount> m_sshfs;
};

} // namespace TestMount
