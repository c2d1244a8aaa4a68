#pragma once

// A folder mounted through sshfs from an sshd of the test's own: its own keys and
// configuration in a temporary folder, listening on a free port of 127.0.0.1, logging in
// as the user running the test. Nothing of the machine's ssh setup is used or changed,
// except that sshd run by root needs its privilege separation folder, /run/sshd, which
// is created when missing (as the ssh service does when it starts).
//
//     SshfsMount sshfs;
//     if (const QString why = sshfs.mount(served, mountPoint); !why.isEmpty())
//         QSKIP(qPrintable(why));
//
// Then the mount can be taken away as it goes in real use: killClient() (sshfs crashed:
// ENOTCONN), dropConnection() (the network went: sshfs unmounts itself), or, mounted with
// the "reconnect" option, stopServer() with dropConnection() (EIO while it cannot reconnect).

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
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

class SshfsMount {
public:
    SshfsMount() = default;
    ~SshfsMount()
    {
        unmount();
        stopServer();
    }
    SshfsMount(const SshfsMount &) = delete;
    SshfsMount &operator=(const SshfsMount &) = delete;

    // Serves `servedFolder` and mounts it at `mountPoint`, both existing folders, with
    // extra sshfs options such as "reconnect". Empty when the mount is ready; otherwise
    // why it is not, for a skip message.
    QString mount(const QString &servedFolder, const QString &mountPoint,
                  const QStringList &options = {})
    {
        m_unavailable = true;
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return QStringLiteral("/dev/fuse is missing or not usable here");
        const QString sshfs = tool(QStringLiteral("sshfs"));
        m_unmounter = tool(QStringLiteral("fusermount3"));
        if (sshfs.isEmpty() || m_unmounter.isEmpty())
            return QStringLiteral("sshfs or fusermount3 is not installed (scripts/setup)");
        if (tool(QStringLiteral("sshd")).isEmpty() || tool(QStringLiteral("ssh-keygen")).isEmpty())
            return QStringLiteral("sshd or ssh-keygen is not installed (scripts/setup)");
        m_unavailable = false;
        if (!m_keys.isValid())
            return QStringLiteral("cannot create a temporary folder");
        if (m_server.state() == QProcess::NotRunning) {
            if (QString why = startServer(); !why.isEmpty())
                return why;
        }
        m_mountPoint = mountPoint;
        QStringList arguments{QStringLiteral("-f"),
                              QStringLiteral("-F"),
                              QStringLiteral("/dev/null"),
                              QStringLiteral("-p"),
                              QString::number(m_port),
                              QStringLiteral("-o"),
                              QStringLiteral("IdentityFile=%1,IdentitiesOnly=yes,BatchMode=yes,"
                                             "StrictHostKeyChecking=no,UserKnownHostsFile=/dev/"
                                             "null,GlobalKnownHostsFile=/dev/null,LogLevel=ERROR")
                                  .arg(path("client_key"))};
        for (const QString &option : options)
            arguments << QStringLiteral("-o") << option;
        arguments << userName() + QStringLiteral("@127.0.0.1:") + servedFolder << mountPoint;
        m_client.setStandardOutputFile(path("sshfs.log"));
        m_client.setStandardErrorFile(path("sshfs.log"), QIODevice::Append);
        m_client.start(sshfs, arguments);
        if (!m_client.waitForStarted(5000))
            return QStringLiteral("sshfs does not start: ") + m_client.errorString();
        // sshfs -f says nothing when the mount is ready: the mount point changes device.
        QElapsedTimer timer;
        timer.start();
        while (!isMounted()) {
            if (m_client.state() == QProcess::NotRunning || timer.elapsed() > 15000) {
                m_client.kill();
                m_client.waitForFinished(5000);
                QFile log(path("sshfs.log"));
                return QStringLiteral("sshfs did not mount: ") +
                       (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll())
                                                      : QString())
                           .simplified();
            }
            QThread::msleep(20);
        }
        return {};
    }

    // sshfs dies as in a crash; the mount stays, and every access gives ENOTCONN.
    void killClient()
    {
        m_client.kill();
        m_client.waitForFinished(5000);
    }

    // Ends the ssh connection under sshfs, as a network that goes away does. sshfs starts
    // ssh detached from itself; it is told apart by the key file of this mount.
    void dropConnection()
    {
        const QByteArray key = "IdentityFile=" + QFile::encodeName(path("client_key"));
        const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString &process : processes) {
            const pid_t pid = process.toInt();
            QFile file(QStringLiteral("/proc/%1/cmdline").arg(process));
            if (pid <= 0 || pid == m_client.processId() || !file.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> arguments = file.readAll().split('\0');
            if (arguments.constFirst().endsWith("ssh") &&
                arguments.contains(QByteArray("-o" + key)))
                ::kill(pid, SIGTERM);
        }
    }

    // Stops the server: new connections are refused from now on.
    void stopServer()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }

    // Also after killClient(): never leaves a dead mount behind. False if it stays.
    bool unmount()
    {
        if (m_mountPoint.isEmpty())
            return true;
        if (isMounted()) {
            QProcess unmounter;
            unmounter.start(m_unmounter,
                            {QStringLiteral("-u"), QStringLiteral("-z"), m_mountPoint});
            unmounter.waitForFinished(15000);
        }
        if (m_client.state() != QProcess::NotRunning && !m_client.waitForFinished(5000)) {
            m_client.kill();
            m_client.waitForFinished(5000);
        }
        const bool gone = !isMounted();
        if (gone)
            m_mountPoint.clear();
        return gone;
    }

    // After mount() failed: whether sshfs cannot be had here at all (a tool or /dev/fuse is
    // missing), rather than failed to mount.
    bool unavailable() const { return m_unavailable; }

    // True while something is mounted at the mount point, also a mount whose sshfs died.
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
    static QString tool(const QString &name)
    {
        QString found = QStandardPaths::findExecutable(name);
        if (found.isEmpty())
            found = QStandardPaths::findExecutable(
                name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        return found;
    }

    static QString userName()
    {
        const struct passwd *user = ::getpwuid(::getuid());
        return user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER");
    }

    // A port of 127.0.0.1 that nothing listens on right now.
    static int freePort()
    {
        const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (socket < 0)
            return 0;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        int port = 0;
        if (::bind(socket, reinterpret_cast<sockaddr *>(&address), size) == 0 &&
            ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &size) == 0)
            port = ntohs(address.sin_port);
        ::close(socket);
        return port;
    }

    QString path(const char *name) const { return m_keys.filePath(QString::fromLatin1(name)); }

    static QString run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit &&
            process.exitCode() == 0)
            return {};
        return program + QStringLiteral(" failed: ") +
               QString::fromLocal8Bit(process.readAll()).simplified();
    }

    QString startServer()
    {
        const QString sshd = tool(QStringLiteral("sshd"));
        const QString keygen = tool(QStringLiteral("ssh-keygen"));
        if (sshd.isEmpty() || keygen.isEmpty())
            return QStringLiteral("sshd or ssh-keygen is not installed (scripts/setup)");
        for (const char *key : {"host_key", "client_key"}) {
            if (QString why = run(keygen, {QStringLiteral("-q"), QStringLiteral("-t"),
                                           QStringLiteral("ed25519"), QStringLiteral("-N"),
                                           QString(), QStringLiteral("-f"), path(key)});
                !why.isEmpty())
                return why;
        }
        QFile::copy(path("client_key.pub"), path("authorized_keys"));
        if (::geteuid() == 0 && !QDir(QStringLiteral("/run/sshd")).exists())
            QDir().mkpath(QStringLiteral("/run/sshd"));
        // A port taken between the look and sshd's start: another try on another one.
        QString log;
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_port = freePort();
            QFile config(path("sshd_config"));
            if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return QStringLiteral("cannot write the sshd configuration");
            config.write(QStringLiteral("Port %1\n"
                                        "ListenAddress 127.0.0.1\n"
                                        "HostKey %2\n"
                                        "AuthorizedKeysFile %3\n"
                                        "PidFile %4\n"
                                        "StrictModes no\n"
                                        "UsePAM no\n"
                                        "PasswordAuthentication no\n"
                                        "KbdInteractiveAuthentication no\n"
                                        "PermitRootLogin prohibit-password\n"
                                        "Subsystem sftp internal-sftp\n")
                             .arg(m_port)
                             .arg(path("host_key"), path("authorized_keys"), path("sshd.pid"))
                             .toLocal8Bit());
            config.close();
            // Its log goes to a file, which no pipe left unread can block.
            QFile::remove(path("sshd.log"));
            m_server.setStandardOutputFile(path("sshd.log"));
            m_server.setStandardErrorFile(path("sshd.log"), QIODevice::Append);
            m_server.start(sshd, {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"),
                                  path("sshd_config")});
            if (!m_server.waitForStarted(5000))
                return QStringLiteral("sshd does not start: ") + m_server.errorString();
            QElapsedTimer timer;
            timer.start();
            do {
                m_server.waitForFinished(50);
                QFile file(path("sshd.log"));
                log = file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll())
                                                     : QString();
                if (log.contains(QStringLiteral("Server listening")))
                    return {};
            } while (m_server.state() == QProcess::Running && timer.elapsed() < 15000);
            stopServer();
        }
        return QStringLiteral("sshd did not start listening: ") + log.simplified();
    }

    QTemporaryDir m_keys;
    QProcess m_server;
    QProcess m_client;
    QString m_unmounter;
    QString m_mountPoint;
    int m_port = 0;
    bool m_unavailable = false;
};
