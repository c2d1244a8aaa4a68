#include "inputfiles.h"

#include "clioutput.h"
#include "disk/localpath.h"

#include <QDir>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

// No empty, "." or ".." component and no trailing slash: nothing for QDir to clean, which
// is most of the paths a shell or find hands over.
bool isClean(QByteArrayView path)
{
    if (path.size() > 1 && path.endsWith('/'))
        return false;
    const char *const end = path.data() + path.size();
    for (const char *c = path.data(); c != end; ++c) {
        if (*c != '/' || c + 1 == end)
            continue;
        // What follows this slash: another slash, or a "." or ".." component.
        const char *next = c + 1;
        if (*next == '/')
            return false;
        if (*next == '.' && ++next != end && *next == '.')
            ++next;
        if (c[1] == '.' && (next == end || *next == '/'))
            return false;
    }
    return true;
}

// `workingDirectory`/`argument`, made in one piece: one per listed file.
QByteArray joined(const QByteArray &workingDirectory, const QByteArray &argument)
{
    QByteArray path(workingDirectory.size() + 1 + argument.size(), Qt::Uninitialized);
    char *out = path.data();
    std::memcpy(out, workingDirectory.constData(), size_t(workingDirectory.size()));
    out[workingDirectory.size()] = '/';
    std::memcpy(out + workingDirectory.size() + 1, argument.constData(), size_t(argument.size()));
    return path;
}

std::optional<QByteArray> pathOf(const QByteArray &argument, const QByteArray &workingDirectory,
                                 QString *error)
{
    if (argument.startsWith("file:")) {
        const QUrl url(QString::fromUtf8(argument), QUrl::StrictMode);
        const QByteArray path = url.isValid() ? LocalPath::fromUrl(url) : QByteArray();
        if (path.isEmpty())
            *error =
                QStringLiteral("“%1” is not a local file URI").arg(QString::fromUtf8(argument));
        return path.isEmpty() ? std::nullopt : std::optional(path);
    }
    const QByteArray path =
        argument.startsWith('/') ? argument : joined(workingDirectory, argument);
    if (isClean(path))
        return path;
    // Latin-1 maps every byte to one character and back, which lets QDir clean any path.
    return QDir::cleanPath(QString::fromLatin1(path)).toLatin1();
}

} // namespace

std::optional<QList<QByteArray>> InputFiles::fromArguments(const QList<QByteArray> &arguments,
                                                           const QByteArray &workingDirectory,
                                                           QString *error)
{
    QList<QByteArray> paths;
    paths.reserve(arguments.size());
    for (const QByteArray &argument : arguments) {
        if (argument.isEmpty())
            continue;
        const std::optional<QByteArray> path = pathOf(argument, workingDirectory, error);
        if (!path)
            return std::nullopt;
        if (*path == "/") {
            *error = QStringLiteral("the root folder cannot be renamed");
            return std::nullopt;
        }
        paths.append(*path);
    }
    if (paths.isEmpty())
        *error = QStringLiteral("no files given");
    return paths.isEmpty() ? std::nullopt : std::optional(paths);
}

QString InputFiles::unusableFile(const QList<FileItem> &files)
{
    // The engine has read every listed item's identity; only one it found nothing at is
    // looked at again, for the reason.
    for (const FileItem &item : files) {
        if (item.identity)
            continue;
        struct stat info;
        const int failure = ::lstat(item.path.constData(), &info) == 0 ? ENOENT : errno;
        return QStringLiteral("cannot use “%1”: %2")
            .arg(CliOutput::escaped(item.path), QString::fromLocal8Bit(std::strerror(failure)));
    }
    return {};
}

QList<QByteArray> InputFiles::splitNullSeparated(const QByteArray &input)
{
    QList<QByteArray> paths;
    qsizetype start = 0;
    while (start < input.size()) {
        qsizetype end = input.indexOf('\0', start);
        if (end < 0)
            end = input.size();
        if (end > start)
            paths.append(input.mid(start, end - start));
        start = end + 1;
    }
    return paths;
}
