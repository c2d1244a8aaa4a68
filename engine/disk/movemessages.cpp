#include "disk/movemessages.h"

#include "disk/localpath.h"
#include "disk/noreplacemove.h"

#include <QByteArrayView>
#include <QCoreApplication>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace MoveMessages {

namespace {

using LocalPath::folderOf;
using LocalPath::nameOf;
using NoReplaceMove::FolderFull;

bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), static_cast<size_t>(a.size())) == 0;
}

QString sentenceFromErrno(int error)
{
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

// The first character of `name` that FAT-family file systems do not store: exFAT refuses
// these with ENOENT, as if the name led nowhere. All of them are ASCII, so the bytes of a
// UTF-8 name can be searched directly. Null when there is none.
QChar characterRefusedByFat(QByteArrayView name)
{
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || QByteArrayView("\"*/:<>?\\|").contains(c))
            return QLatin1Char(c);
    }
    return {};
}

QString describeCharacter(QChar c)
{
    if (c.isPrint())
        return QStringLiteral("“%1”").arg(c);
    // A line break or tab shown as such would break the sentence.
    return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

QString nameTooLong()
{
    return QCoreApplication::translate("PosixFileMover",
                                       "The name is too long for this file system.");
}

// The longest name the file system of `folder` takes, in bytes; sshfs tells the server's.
qsizetype longestName(const QByteArray &folder)
{
    struct statvfs info;
    if (::statvfs(folder.constData(), &info) != 0 || info.f_namemax == 0)
        return 255;
    return qsizetype(std::min<unsigned long>(info.f_namemax, 1 << 20));
}

// What a network or FUSE mount answers once it is gone: ENOTCONN when its driver died,
// ESTALE when the server lost the item, EIO when sshfs gave up reconnecting.
bool isUnreachable(int error)
{
    return error == ENOTCONN || error == ESTALE || error == EIO;
}

QString describeUnreachable(int error)
{
    if (error == EIO)
        return QCoreApplication::translate(
            "PosixFileMover",
            "The drive or network folder holding this file is not responding (input/output "
            "error).");
    if (error == ESTALE)
        return QCoreApplication::translate(
            "PosixFileMover",
            "The network folder holding this file is no longer there (stale file handle).");
    return QCoreApplication::translate(
        "PosixFileMover", "The drive or network folder holding this file is no longer connected.");
}

QString folderGone()
{
    return QCoreApplication::translate(
        "PosixFileMover",
        "The folder holding this file no longer exists, or its drive was disconnected.");
}

} // namespace

QString describe(int error, const QByteArray &from, const QByteArray &to)
{
    // The kernel refuses these as destinations before anything else, with EEXIST or EBUSY.
    const QByteArray name = nameOf(to);
    if (sameBytes(name, ".") || sameBytes(name, ".."))
        return QCoreApplication::translate("PosixFileMover",
                                           "“.” and “..” cannot be used as names.");

    switch (error) {
    case EEXIST:
    case ENOTEMPTY:
        return QCoreApplication::translate("PosixFileMover", "An item named “%1” already exists.")
            .arg(LocalPath::display(nameOf(to)));
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("PosixFileMover", "Permission denied.");
    case ENOENT: {
        struct stat info;
        if (::lstat(from.constData(), &info) != 0) {
            // A mount that went away takes the folders below it along.
            if (const int missing = errno; isUnreachable(missing))
                return describeUnreachable(missing);
            if (::stat(folderOf(from).constData(), &info) != 0) {
                const int folderMissing = errno;
                return isUnreachable(folderMissing) ? describeUnreachable(folderMissing)
                                                    : folderGone();
            }
            return QCoreApplication::translate("PosixFileMover", "The file no longer exists.");
        }
        if (::stat(folderOf(to).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
            return QCoreApplication::translate("PosixFileMover", "The folder no longer exists.");
        if (const QChar refused = characterRefusedByFat(name); !refused.isNull()) {
            return QCoreApplication::translate(
                       "PosixFileMover",
                       "This file system does not allow the character %1 in names.")
                .arg(describeCharacter(refused));
        }
        return sentenceFromErrno(error);
    }
    case ENAMETOOLONG:
        return nameTooLong();
    case EBADMSG:
        // sshfs passes on the server's SFTP "bad message", which stands for the server's
        // ENAMETOOLONG or EINVAL.
        if (name.size() > longestName(folderOf(to)))
            return nameTooLong();
        return sentenceFromErrno(error);
    case ENOTCONN:
    case ESTALE:
    case EIO:
        return describeUnreachable(error);
    case ECONNABORTED:
        // A FUSE driver that died while the rename was on its way: the server may have made
        // it without anyone hearing back.
        return QCoreApplication::translate(
            "PosixFileMover",
            "The connection to the drive or network folder holding this file broke off during "
            "the rename; the file may already have its new name.");
    case EROFS:
        return QCoreApplication::translate("PosixFileMover", "The folder is read-only.");
    case EILSEQ:
    case EINVAL:
        return nameNotAllowed();
    case EXDEV:
        return QCoreApplication::translate("PosixFileMover", "The file is on another disk.");
    case FolderFull:
        return QCoreApplication::translate("PosixFileMover", "The folder is full.");
    default:
        return sentenceFromErrno(error);
    }
}

QString nameNotAllowed()
{
    return QCoreApplication::translate("PosixFileMover",
                                       "The name contains a character that is not allowed.");
}

} // namespace MoveMessages
