#include "fileinfo/fileinforeader.h"

#include <QCoreApplication>

#include <sys/stat.h>

// For now the stamps only; images and recordings are read once their readers are in.
FileInfo FileInfoReader::read(const QByteArray &path, Depth)
{
    FileInfo info;
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        info.problem =
            QCoreApplication::translate("FileInfoReader", "This file could not be read.");
        return info;
    }
    info.device = status.st_dev;
    info.inode = status.st_ino;
    info.size = status.st_size;
    info.modifiedNanoseconds = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return info;
}
