#include "disk/posixfilemover.h"

#include "disk/identityreads.h"
#include "disk/localpath.h"
#include "disk/movemessages.h"
#include "disk/noreplacemove.h"
#include "disk/temporaryname.h"

#include <QByteArrayView>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

using LocalPath::folderOf;
using LocalPath::nameOf;
using NoReplaceMove::inodesIdentifyItems;
using NoReplaceMove::moveNoReplace;
using NoReplaceMove::moveWithoutNoReplace;

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

// After EEXIST: true when the item at `to` is only another spelling of `from` in the
// same folder (a case-only or normalization-only change on a case-insensitive file
// system), so that the move has to go through a temporary name. The folder is read only
// where the inodes leave the question open, so that a batch of such moves stays linear.
bool isOtherSpellingOfSource(const QByteArray &from, const QByteArray &to)
{
    const QByteArray folder = folderOf(from);
    if (folderOf(to) != folder || !FoldedName(nameOf(to)).matches(nameOf(from)))
        return false;
    struct stat source;
    struct stat destination;
    if (::lstat(from.constData(), &source) != 0 || ::lstat(to.constData(), &destination) != 0)
        return false;
    if (source.st_dev != destination.st_dev)
        return false;
    const bool sameInode = source.st_ino == destination.st_ino;
    if (!sameInode && inodesIdentifyItems(folder))
        return false; // another item, such as "A.txt" next to "a.txt" on ext4
    // An item with a single name cannot also have a separate entry under the new one.
    if (sameInode && (source.st_nlink == 1 || S_ISDIR(source.st_mode)))
        return true;
    const FolderScan scan = scanFolder(folder, nameOf(to), !sameInode);
    if (!scan.readable || scan.byteEqual)
        return false;
    if (sameInode)
        return true;
    // FUSE file systems may give every spelling its own inode number.
    return scan.foldEqual.size() == 1 && scan.foldEqual.constFirst() == nameOf(from);
}

// A case-only or normalization-only change on a case-insensitive file system: two
// steps through a unique temporary name in the same folder, moving the item back when
// the second step fails.
PosixFileMover::Result moveThroughTemporaryName(const QByteArray &from, const QByteArray &to)
{
    const QByteArray folder = folderOf(from);
    QByteArray temporary;
    int error = EEXIST;
    for (int tries = 0; tries < 8 && error == EEXIST; ++tries) {
        temporary = folder + '/' + TemporaryName::caseChangeName();
        error = moveNoReplace(from, temporary);
    }
    if (error != 0)
        return {false, MoveMessages::describe(error, from, to)};

    error = moveNoReplace(temporary, to);
    if (error == 0)
        return {true, {}};

    QString description = MoveMessages::describe(error, temporary, to);
    if (moveNoReplace(temporary, from) != 0) {
        description += TemporaryName::nowNamed(nameOf(temporary));
    }
    return {false, description};
}

} // namespace

bool PosixFileMover::isOtherSpelling(const QByteArray &source, const QByteArray &destination)
{
    return !source.contains('\0') && !destination.contains('\0') &&
           isOtherSpellingOfSource(source, destination);
}

bool PosixFileMover::ignoresCase(const QByteArray &path)
{
    if (path.contains('\0'))
        return false;
    QByteArray other = path;
    bool swapped = false;
    for (qsizetype i = LocalPath::nameStart(path); i < other.size(); ++i) {
        char &c = other[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        else
            continue;
        swapped = true;
    }
    if (swapped) {
        struct stat info;
        return ::lstat(other.constData(), &info) == 0 && isOtherSpellingOfSource(path, other);
    }
    // A name without a letter to try: the file systems known to ignore case by their kind.
    constexpr unsigned long exfatMagic = 0x2011BAB0UL;
    struct statfs info;
    if (::statfs(folderOf(path).constData(), &info) != 0)
        return false;
    const auto kind = static_cast<unsigned long>(info.f_type);
    return kind == MSDOS_SUPER_MAGIC || kind == exfatMagic;
}

PosixFileMover::Result PosixFileMover::moveItem(const QByteArray &from, const QByteArray &to)
{
    if (from == to)
        return {true, {}};

    // The system call would cut a path at a NUL byte and rename something else.
    if (from.contains('\0') || to.contains('\0'))
        return {false, MoveMessages::nameNotAllowed()};

    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return {true, {}};
    int error = errno;
    if (error == EEXIST && isOtherSpellingOfSource(from, to))
        return moveThroughTemporaryName(from, to);
    if (error == EINVAL)
        error = moveWithoutNoReplace(from, to);
    if (error == 0)
        return {true, {}};
    return {false, MoveMessages::describe(error, from, to)};
}

std::optional<ItemIdentity> PosixFileMover::identity(const QByteArray &path)
{
    return IdentityReads::read(path);
}

QList<std::optional<ItemIdentity>> PosixFileMover::identities(const QList<QByteArray> &paths)
{
    return IdentityReads::readAll(paths);
}
