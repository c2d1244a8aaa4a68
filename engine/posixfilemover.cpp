#include "posixfilemover.h"

#include <QByteArrayView>
#include <QFile>
#include <QRandomGenerator>
#include <QStringView>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Our own code for "the file system refuses this name"; described like EILSEQ.
constexpr int NameNotAllowed = EILSEQ;
// The longest name component most Linux file systems accept, in bytes.
constexpr qsizetype NameMax = 255;

QString lastComponent(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), static_cast<size_t>(a.size())) == 0;
}

QString folded(QByteArrayView name)
{
    return QFile::decodeName(name.toByteArray())
        .normalized(QString::NormalizationForm_C)
        .toCaseFolded()
        .normalized(QString::NormalizationForm_C);
}

// One name, compared with others under case folding and NFC normalization.
class FoldedName {
public:
    explicit FoldedName(QByteArrayView name) : m_name(name), m_ascii(isAscii(name)) {}

    bool matches(QByteArrayView other)
    {
        if (m_ascii && isAscii(other)) {
            // Case folding of ASCII is lowering, and ASCII is its own NFC form.
            return other.size() == m_name.size() &&
                   ::strncasecmp(other.data(), m_name.data(), static_cast<size_t>(m_name.size())) ==
                       0;
        }
        if (!m_haveFolded) {
            m_folded = folded(m_name);
            m_haveFolded = true;
        }
        return folded(other) == m_folded;
    }

private:
    QByteArrayView m_name;
    bool m_ascii;
    bool m_haveFolded = false;
    QString m_folded;
};

// What a folder holds under one name: whether an entry has exactly these bytes, and
// (when asked for) which entries equal it under case folding and NFC normalization.
struct FolderScan {
    bool readable = false;
    bool byteEqual = false;
    QList<QByteArray> foldEqual;
};

FolderScan scanFolder(const QByteArray &folder, const QByteArray &name, bool collectFoldEqual)
{
    FolderScan scan;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return scan;
    FoldedName key(name);
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            scan.readable = errno == 0;
            break;
        }
        const QByteArrayView entryName(entry->d_name, qsizetype(std::strlen(entry->d_name)));
        if (sameBytes(entryName, ".") || sameBytes(entryName, ".."))
            continue;
        if (sameBytes(entryName, name)) {
            scan.byteEqual = true;
            if (!collectFoldEqual) {
                scan.readable = true;
                break;
            }
            scan.foldEqual.append(entryName.toByteArray());
        } else if (collectFoldEqual && key.matches(entryName)) {
            scan.foldEqual.append(entryName.toByteArray());
        }
    }
    ::closedir(dir);
    return scan;
}

QByteArray randomName(const char *prefix)
{
    return QByteArray(prefix) +
           QByteArray::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, '0');
}

// Creates and removes a directory named `to` to learn whether the file system takes the
// name, before an item is moved there with a plain rename(): fusefat, for one, loses the
// item when it refuses the new name in a rename. 0 when the name is taken, or when the
// folder takes no new directories at all, so that rename() has to decide.
int probeName(const QByteArray &to)
{
    if (::mkdir(to.constData(), 0700) == 0)
        return ::rmdir(to.constData()) == 0 ? 0 : errno;
    const int error = errno;
    if (error != EPERM && error != EINVAL)
        return error; // EEXIST, ENAMETOOLONG, EROFS, ENOENT and the like say it all
    // Refused: the name, or new entries as such? Compare with a plain ASCII name.
    const QByteArray plain = parentOf(to) + '/' + randomName(".brisklet-probe-");
    if (::mkdir(plain.constData(), 0700) != 0)
        return 0;
    ::rmdir(plain.constData());
    return nameOf(to).size() > NameMax ? ENAMETOOLONG : NameNotAllowed;
}

// rename() for file systems without RENAME_NOREPLACE, where link() is refused: only
// when the target is absent and the name has been probed. The lstat() is accurate even
// on FUSE, where the kernel keeps names it looked up for a while: the renameat2()
// attempt before this made it look the target up again.
int checkedRename(const QByteArray &from, const QByteArray &to)
{
    struct stat target;
    if (::lstat(to.constData(), &target) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    if (const int refusal = probeName(to))
        return refusal;
    if (::rename(from.constData(), to.constData()) == 0)
        return 0;
    return errno == EINVAL ? NameNotAllowed : errno;
}

// The move for file systems that do not know RENAME_NOREPLACE (renameat2 gave EINVAL).
int moveWithoutNoReplace(const QByteArray &from, const QByteArray &to)
{
    struct stat source;
    if (::lstat(from.constData(), &source) != 0)
        return errno;
    if (S_ISREG(source.st_mode)) {
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) == 0)
                return 0;
            const int error = errno;
            ::unlink(to.constData()); // our own second link to the same file
            return error;
        }
        const int error = errno;
        switch (error) {
        case EPERM:      // directories, file systems without hard links, protected links
        case EOPNOTSUPP: // ENOTSUP on Linux
        case EXDEV:
        case EMLINK:
        case ENOSYS:
            break;
        case EINVAL:
            return NameNotAllowed;
        default:
            return error;
        }
    }
    return checkedRename(from, to);
}

// Moves `from` to `to` without ever replacing an item; 0 or an errno value.
int moveNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    return moveWithoutNoReplace(from, to);
}

// After EEXIST: true when the item at `to` is only another spelling of `from` in the
// same folder (a case-only or normalization-only change on a case-insensitive file
// system), so that the move has to go through a temporary name.
bool isOtherSpellingOfSource(const QByteArray &from, const QByteArray &to)
{
    const QByteArray folder = parentOf(from);
    if (parentOf(to) != folder || !FoldedName(nameOf(to)).matches(nameOf(from)))
        return false;
    struct stat source;
    struct stat destination;
    if (::lstat(from.constData(), &source) != 0 || ::lstat(to.constData(), &destination) != 0)
        return false;
    if (source.st_dev != destination.st_dev)
        return false;
    const bool sameInode = source.st_ino == destination.st_ino;
    const FolderScan scan = scanFolder(folder, nameOf(to), !sameInode);
    if (!scan.readable || scan.byteEqual)
        return false;
    if (sameInode)
        return true;
    // FUSE file systems may give every spelling its own inode number.
    return scan.foldEqual.size() == 1 && scan.foldEqual.constFirst() == nameOf(from);
}

QString sentenceFromErrno(int error)
{
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

QString describe(int error, const QByteArray &from, const QByteArray &to,
                 const QString &destinationPath)
{
    switch (error) {
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("An item named “%1” already exists.")
            .arg(lastComponent(destinationPath));
    case EACCES:
    case EPERM:
        return QStringLiteral("Permission denied.");
    case ENOENT: {
        struct stat info;
        if (::lstat(from.constData(), &info) != 0)
            return QStringLiteral("The file no longer exists.");
        if (::stat(parentOf(to).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
            return QStringLiteral("The folder no longer exists.");
        return sentenceFromErrno(error);
    }
    case ENAMETOOLONG:
        return QStringLiteral("The name is too long for this file system.");
    case EROFS:
        return QStringLiteral("The folder is read-only.");
    case EILSEQ:
    case EINVAL:
        return QStringLiteral("The name contains a character that is not allowed.");
    case EXDEV:
        return QStringLiteral("The file is on another disk.");
    default:
        return sentenceFromErrno(error);
    }
}

// A case-only or normalization-only change on a case-insensitive file system: two
// steps through a unique temporary name in the same folder, moving the item back when
// the second step fails.
PosixFileMover::Result moveThroughTemporaryName(const QByteArray &from, const QByteArray &to,
                                                const QString &destinationPath)
{
    const QByteArray folder = parentOf(from);
    QByteArray temporary;
    int error = EEXIST;
    for (int tries = 0; tries < 8 && error == EEXIST; ++tries) {
        temporary = folder + '/' + randomName(".brisklet-case-");
        error = moveNoReplace(from, temporary);
    }
    if (error != 0)
        return {false, describe(error, from, to, destinationPath)};

    error = moveNoReplace(temporary, to);
    if (error == 0)
        return {true, {}};

    QString description = describe(error, temporary, to, destinationPath);
    if (moveNoReplace(temporary, from) != 0) {
        description += QStringLiteral(" The file is now named “%1”.")
                           .arg(QFile::decodeName(nameOf(temporary)));
    }
    return {false, description};
}

} // namespace

PosixFileMover::Result PosixFileMover::moveItem(const QByteArray &from, const QByteArray &to)
{
    if (from == to)
        return {true, {}};

    // The system call would cut a path at a NUL byte and rename something else.
    if (from.contains('\0') || to.contains('\0'))
        return {false, QStringLiteral("The name contains a character that is not allowed.")};

    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return {true, {}};
    const int renameError = errno;
    const QString destinationPath = QFile::decodeName(to);
    errno = renameError;

    int error = errno;
    if (error == EEXIST && isOtherSpellingOfSource(from, to))
        return moveThroughTemporaryName(from, to, destinationPath);
    if (error == EINVAL)
        error = moveWithoutNoReplace(from, to);
    if (error == 0)
        return {true, {}};
    return {false, describe(error, from, to, destinationPath)};
}

std::optional<ItemIdentity> PosixFileMover::identity(const QByteArray &path)
{
    struct stat info;
    if (path.contains('\0') || ::lstat(path.constData(), &info) != 0)
        return std::nullopt;
    return ItemIdentity{quint64(info.st_dev), quint64(info.st_ino), quint32(info.st_mode & S_IFMT)};
}
