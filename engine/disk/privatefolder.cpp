#include "disk/privatefolder.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

QByteArray PrivateFolder::stateFolder()
{
    QByteArray base = qgetenv("XDG_STATE_HOME");
    if (!base.startsWith('/'))
        base = QFile::encodeName(QDir::homePath()) + "/.local/state";
    return base + "/brisklet";
}

int PrivateFolder::make(const QByteArray &folder, const QByteArray &ours)
{
    if (!folder.startsWith('/'))
        return EINVAL;
    for (qsizetype end = folder.indexOf('/', 1);; end = folder.indexOf('/', end + 1)) {
        const QByteArray path = end < 0 ? folder : folder.first(end);
        const bool isOurs = path.size() >= ours.size() && path.startsWith(ours) &&
                            (path.size() == ours.size() || path.at(ours.size()) == '/');
        struct stat info;
        if (::stat(path.constData(), &info) != 0) {
            if (errno != ENOENT)
                return errno;
            if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
                return errno;
            if (::stat(path.constData(), &info) != 0)
                return errno;
        }
        if (!S_ISDIR(info.st_mode))
            return ENOTDIR;
        // A folder made wider by hand, or by an earlier version, is tightened; one that is not
        // the user's own stays as it is, which the user can see for themselves.
        if (isOurs && (info.st_mode & 077) != 0)
            ::chmod(path.constData(), info.st_mode & 0700);
        if (end < 0)
            return 0;
    }
}

bool PrivateFolder::writeAll(int descriptor, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(descriptor, bytes.constData() + written,
                                  static_cast<size_t>(bytes.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += n;
    }
    return true;
}
