#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace CliTest {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QByteArray said() const { return out + err; } // for a failure message
};

// "a|b" → {"a", "b"}, as bytes: names on disk need not be UTF-8.
inline QList<QByteArray> names(const QByteArray &text)
{
    return text.isEmpty() ? QList<QByteArray>{} : text.split('|');
}

inline int modeOf(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// The real brisklet-cli in a folder of files, with configuration and state folders of the
// test's own; next() gives each test function new ones.
class Home {
public:
    QString folder;
    QString stateHome;

    bool next()
    {
        static int count = 0;
        ++count;
        folder = m_home.filePath(QStringLiteral("files%1").arg(count));
        stateHome = m_home.filePath(QStringLiteral("state%1").arg(count));
        return QDir().mkpath(folder);
    }

    QString filePath(const QString &name) const { return m_home.filePath(name); }
    QString writeStack(const QByteArray &text) const
    {
        QFile stack(m_home.filePath(u"stack.json"_qs));
        return stack.open(QIODevice::WriteOnly) && stack.write(text) == text.size()
                   ? stack.fileName()
                   : QString();
    }
    QByteArray path(const QByteArray &name) const { return QFile::encodeName(folder) + '/' + name; }

    bool create(const QByteArray &name, const QByteArray &content = {}) const
    {
        const int file = ::open(path(name).constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
        const bool written =
            file >= 0 && ::write(file, content.constData(), content.size()) == content.size();
        return ::close(file) == 0 && written;
    }

    // The folder's names, sorted, as "a|b".
    QByteArray listing() const
    {
        QList<QByteArray> entries;
        DIR *opened = ::opendir(QFile::encodeName(folder).constData());
        while (const dirent *entry = opened ? ::readdir(opened) : nullptr) {
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                entries.append(QByteArray(entry->d_name));
        }
        if (opened)
            ::closedir(opened);
        std::sort(entries.begin(), entries.end());
        return entries.join('|');
    }

    // By bytes: QTemporaryDir cannot remove a name that is not UTF-8.
    void removeFiles() const
    {
        for (const QByteArray &name : names(listing()))
            ::unlink(path(name).constData());
    }

    void start(QProcess &process, const QStringList &arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        environment.insert(u"XDG_STATE_HOME"_qs, stateHome);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder);
        process.start(QStringLiteral(BRISKLET_CLI), arguments);
    }

    // A run that has not ended within the time is killed, and has status -1.
    Run run(const QStringList &arguments, const QByteArray &input = {},
            int milliseconds = 300000) const
    {
        QProcess process;
        start(process, arguments);
        process.write(input);
        process.closeWriteChannel();
        const bool ended =
            process.waitForFinished(milliseconds) && process.exitStatus() == QProcess::NormalExit;
        return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    QStringList undoFiles() const
    {
        return QDir(stateHome + u"/brisklet/undo"_qs).entryList(QDir::Files | QDir::Hidden);
    }

private:
    QTemporaryDir m_home;
};

} // namespace CliTest
