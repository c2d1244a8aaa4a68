#include "inputfiles.h"

#include "clioutput.h"
#include "disk/localpath.h"

#include <QDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

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
                QStringLiteral("“%1” is not a local file URI").arg(CliOutput::escaped(argument));
        return path.isEmpty() ? std::nullopt : std::optional(path);
    }
    const QByteArray path =
        argument.startsWith('/') ? argument : joined(workingDirectory, argument);
    if (isClean(path))
        return path;
    // Latin-1 maps every byte to one character and back, which lets QDir clean any path.
    return QDir::cleanPath(QString::fromLatin1(path)).toLatin1();
}

QString unreadableFolder(const QByteArray &path, int error)
{
    return QStringLiteral("cannot read the folder “%1”: %2")
        .arg(CliOutput::escaped(path), CliOutput::systemReason(error));
}

// Appends the files below the folder open as `folder`, whose path is `path`, and closes it.
// Each sub-folder is opened relative to its parent and never through a link, so a link
// put in a folder's place while it is read cannot lead the walk elsewhere.
bool appendFilesBelow(int folder, const QByteArray &path, bool hidden, QList<QByteArray> &paths,
                      QString *error)
{
    DIR *const entries = ::fdopendir(folder);
    if (!entries) {
        *error = unreadableFolder(path, errno);
        ::close(folder);
        return false;
    }
    std::vector<QByteArray> files;
    std::vector<QByteArray> folders;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(entries);
        if (!entry)
            break;
        const QByteArray name(entry->d_name);
        if (name == "." || name == ".." || (!hidden && name.startsWith('.')))
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info;
            isFolder =
                ::fstatat(::dirfd(entries), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(info.st_mode);
        }
        (isFolder ? folders : files).push_back(name);
    }
    if (errno != 0) {
        *error = unreadableFolder(path, errno);
        ::closedir(entries);
        return false;
    }
    // QByteArray compares as unsigned bytes: the order does not depend on the locale.
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    const QByteArray prefix = path == "/" ? path : path + '/';
    for (const QByteArray &name : files)
        paths.append(prefix + name);
    bool read = true;
    for (const QByteArray &name : folders) {
        const int child = ::openat(::dirfd(entries), name.constData(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) {
            *error = unreadableFolder(prefix + name, errno);
            read = false;
            break;
        }
        if (!appendFilesBelow(child, prefix + name, hidden, paths, error)) {
            read = false;
            break;
        }
    }
    ::closedir(entries);
    return read;
}

} // namespace

std::optional<QList<QByteArray>> InputFiles::fromArguments(const QList<QByteArray> &arguments,
                                                           const QByteArray &workingDirectory,
                                                           QString *error, FolderArguments folders)
{
    const bool walk = folders != FolderArguments::renamed;
    bool walked = false;
    QList<QByteArray> paths;
    paths.reserve(arguments.size());
    for (const QByteArray &argument : arguments) {
        if (argument.isEmpty())
            continue;
        const std::optional<QByteArray> path = pathOf(argument, workingDirectory, error);
        if (!path)
            return std::nullopt;
        struct stat info;
        if (walk && ::lstat(path->constData(), &info) == 0 && S_ISDIR(info.st_mode)) {
            const int folder =
                ::open(path->constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (folder < 0) {
                *error = unreadableFolder(*path, errno);
                return std::nullopt;
            }
            if (!appendFilesBelow(folder, *path, folders == FolderArguments::filesBelowWithHidden,
                                  paths, error))
                return std::nullopt;
            walked = true;
            continue;
        }
        if (*path == "/") {
            *error = QStringLiteral("the root folder cannot be renamed");
            return std::nullopt;
        }
        paths.append(*path);
    }
    if (paths.isEmpty())
        *error = walked ? QStringLiteral("no files in the folders given")
                        : QStringLiteral("no files given");
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
            .arg(CliOutput::escaped(item.path), CliOutput::systemReason(failure));
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
