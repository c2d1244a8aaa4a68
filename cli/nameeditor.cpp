#include "nameeditor.h"

#include "clioutput.h"
#include "disk/localpath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char **environ;

namespace {

QByteArray editorCommand()
{
    for (const char *variable : {"VISUAL", "EDITOR"}) {
        if (QByteArray editor = qgetenv(variable); !editor.isEmpty())
            return editor;
    }
    return QByteArrayLiteral("vi");
}

// Runs the editor on `path` and waits for it; an empty answer means it exited with 0.
QString runEditor(const QByteArray &editor, const QByteArray &path)
{
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    // The editor talks to the terminal, not to the pipe or file the command line reads
    // names from or writes its plan to. Without one (a script, a test), it gets what we have.
    const int terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (terminal >= 0) {
        posix_spawn_file_actions_adddup2(&files, terminal, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&files, terminal, STDOUT_FILENO);
    }
    // While the editor runs, an interrupt typed on the terminal is the editor's to handle;
    // it stops us only through the editor's exit status.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction oldInterrupt = {};
    struct sigaction oldQuit = {};
    ::sigaction(SIGINT, &ignore, &oldInterrupt);
    ::sigaction(SIGQUIT, &ignore, &oldQuit);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    // As git does: the editor's text goes to the shell as it is, the file as "$1".
    const QByteArray script = editor + " \"$1\"";
    char shell[] = "/bin/sh";
    char dashC[] = "-c";
    char name[] = "sh";
    char *arguments[] = {shell,
                         dashC,
                         const_cast<char *>(script.constData()),
                         name,
                         const_cast<char *>(path.constData()),
                         nullptr};
    pid_t child = 0;
    const int spawnError = ::posix_spawn(&child, shell, &files, &attributes, arguments, environ);
    int status = 0;
    pid_t waited = -1;
    if (spawnError == 0) {
        do
            waited = ::waitpid(child, &status, 0);
        while (waited < 0 && errno == EINTR);
    }
    ::sigaction(SIGINT, &oldInterrupt, nullptr);
    ::sigaction(SIGQUIT, &oldQuit, nullptr);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    if (terminal >= 0)
        ::close(terminal);

    const QString shown = QString::fromLocal8Bit(editor);
    if (spawnError != 0)
        return QStringLiteral("cannot start the editor “%1”: %2")
            .arg(shown, CliOutput::systemReason(spawnError));
    if (waited < 0)
        return QStringLiteral("lost the editor “%1”").arg(shown);
    if (WIFSIGNALED(status))
        return QStringLiteral("the editor “%1” was stopped by signal %2")
            .arg(shown)
            .arg(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0)
        return QStringLiteral("the editor “%1” failed with exit status %2")
            .arg(shown)
            .arg(WEXITSTATUS(status));
    return {};
}

// The lines of an edited file: the last line break ends the last line, so "a\nb\n" and
// "a\nb" are two lines, "" none.
QList<QByteArray> linesOf(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (text.isEmpty() || text.endsWith('\n'))
        lines.removeLast();
    return lines;
}

} // namespace

std::optional<QStringList> NameEditor::edit(const QStringList &names, QString *error)
{
    const auto refuse = [error](const QString &why) {
        *error = why + QStringLiteral("; nothing was renamed");
        return std::nullopt;
    };
    QByteArray text;
    for (const QString &name : names) {
        if (name.contains(u'\n'))
            return refuse(
                QStringLiteral("the new name “%1” has a line break, so it cannot be "
                               "edited as one line")
                    .arg(CliOutput::escaped(LocalPath::encodeName(name).value_or(name.toUtf8()))));
        // The exact bytes the name would have on disk, so that a byte that is not UTF-8
        // comes back as it was.
        text += LocalPath::encodeName(name).value_or(name.toUtf8());
        text += '\n';
    }

    // Readable by the user alone, as the names may be private.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/brisklet-names-XXXXXX.txt"));
    if (!file.open() || file.write(text) != text.size() || !file.flush())
        return refuse(
            QStringLiteral("cannot write the names for the editor: %1").arg(file.errorString()));
    const QByteArray path = QFile::encodeName(file.fileName());
    const QByteArray editor = editorCommand();
    if (const QString failure = runEditor(editor, path); !failure.isEmpty())
        return refuse(failure);

    // Read by its name again: many editors save into a new file in the old one's place.
    QFile edited(file.fileName());
    if (!edited.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("cannot read the edited names: %1").arg(edited.errorString()));
    const QList<QByteArray> editedLines = linesOf(edited.readAll());
    if (editedLines.size() != names.size())
        return refuse(QStringLiteral("the edited list has %1 for %2")
                          .arg(CliOutput::counted(editedLines.size(), "line"),
                               CliOutput::counted(names.size(), "file")));
    QStringList result;
    result.reserve(editedLines.size());
    for (const QByteArray &line : editedLines)
        result.append(LocalPath::decodeName(line));
    return result;
}
