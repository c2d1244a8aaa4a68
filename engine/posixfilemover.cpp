#include "posixfilemover.h"

#include <QFile>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

// Placeholder until the full mover lands: plain rename with RENAME_NOREPLACE.
PosixFileMover::Result PosixFileMover::moveItem(const QString &sourcePath,
                                                const QString &destinationPath)
{
    if (sourcePath == destinationPath)
        return {true, {}};
    const QByteArray from = QFile::encodeName(sourcePath);
    const QByteArray to = QFile::encodeName(destinationPath);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return {true, {}};
    return {false, QString::fromLocal8Bit(std::strerror(errno))};
}
