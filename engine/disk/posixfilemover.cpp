#include "disk/posixfilemover.h"

#include "disk/localpath.h"
#include "disk/noreplacemove.h"
#include "disk/temporaryname.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QStringView>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using LocalPath::folderOf;
using LocalPath::nameOf;
using NoReplaceMove::FolderFull;
using NoReplaceMove::inodesIdentifyItems;
using NoReplaceMove::moveNoReplace;
using NoReplaceMove::moveWithoutNoReplace;
using NoReplaceMove::NameNotAllowed;

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
        return QCoreApplication::translate("PosixFileMover",
                                           "The name contains a character that is not allowed.");
    case EXDEV:
        return QCoreApplication::translate("PosixFileMover", "The file is on another disk.");
    case FolderFull:
        return QCoreApplication::translate("PosixFileMover", "The folder is full.");
    default:
        return sentenceFromErrno(error);
    }
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
        return {false, describe(error, from, to)};

    error = moveNoReplace(temporary, to);
    if (error == 0)
        return {true, {}};

    QString description = describe(error, temporary, to);
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
        return {false, QCoreApplication::translate(
                           "PosixFileMover", "The name contains a character that is not allowed.")};

    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return {true, {}};
    int error = errno;
    if (error == EEXIST && isOtherSpellingOfSource(from, to))
        return moveThroughTemporaryName(from, to);
    if (error == EINVAL)
        error = moveWithoutNoReplace(from, to);
    if (error == 0)
        return {true, {}};
    return {false, describe(error, from, to)};
}

namespace {

ItemIdentity identityOf(const struct stat &info)
{
    return ItemIdentity{quint64(info.st_dev), quint64(info.st_ino), quint32(info.st_mode & S_IFMT)};
}

// The folder an item can be read from by its name: the path up to its last slash ("/" for
// an item at the root); empty when the path has no slash or nothing after the last one.
QByteArrayView folderPart(QByteArrayView path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0 || slash == path.size() - 1)
        return {};
    return slash == 0 ? QByteArrayView("/") : path.first(slash);
}

} // namespace

std::optional<ItemIdentity> PosixFileMover::identity(const QByteArray &path)
{
    struct stat info;
    if (path.contains('\0') || ::lstat(path.constData(), &info) != 0)
        return std::nullopt;
    return identityOf(info);
}

namespace {

using Identities = QList<std::optional<ItemIdentity>>;

// Reading a folder's entries gives the inode number and type of every item in it for a
// small part of what reading each item on its own costs: worth it from this many listed
// items of one folder, when the folder holds not many more than those.
constexpr qsizetype readEntriesFrom = 256;
// Entry bytes a folder may hold per listed item of it, going by the folder's size.
constexpr qsizetype folderBytesPerListedItem = 256;

// File systems whose folder entries give the same inode number as reading the item does.
bool entriesGiveInodes(int folder)
{
    struct statfs info;
    if (::fstatfs(folder, &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case BTRFS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

// The type an entry gives, for the kinds of item that are always on their folder's
// device. A folder may be a mount point, or a file system of its own (a btrfs subvolume),
// and is read on its own; so is an entry whose type the file system leaves open.
std::optional<quint32> typeOfEntry(unsigned char type)
{
    switch (type) {
    case DT_REG:
        return S_IFREG;
    case DT_LNK:
        return S_IFLNK;
    case DT_FIFO:
        return S_IFIFO;
    case DT_SOCK:
        return S_IFSOCK;
    case DT_CHR:
        return S_IFCHR;
    case DT_BLK:
        return S_IFBLK;
    default:
        return std::nullopt;
    }
}

// The name of a path in `folder`, or empty for one that no entry can have.
QByteArrayView entryName(const QByteArray &path)
{
    const QByteArrayView name = QByteArrayView(path).sliced(LocalPath::nameStart(path));
    if (name.contains('\0') || name == "." || name == "..")
        return {};
    return name;
}

// The identities of paths[begin, end), which are all in `folder`, from the folder's
// entries; items the entries leave open are read by name. False, with nothing set, when
// the folder cannot be read that way or holds too many other entries for it to pay.
bool readFromEntries(const QByteArray &folder, const QList<QByteArray> &paths, qsizetype begin,
                     qsizetype end, Identities &result)
{
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat folderInfo;
    if (::fstat(descriptor, &folderInfo) != 0 ||
        folderInfo.st_size > (end - begin) * folderBytesPerListedItem ||
        !entriesGiveInodes(descriptor)) {
        ::close(descriptor);
        return false;
    }
    DIR *dir = ::fdopendir(descriptor);
    if (!dir) {
        ::close(descriptor);
        return false;
    }
    // Each listed name, at its first place; a name listed again takes the same identity.
    QHash<QByteArrayView, qsizetype> places;
    places.reserve(end - begin);
    std::vector<qsizetype> firstPlace(static_cast<size_t>(end - begin), -1);
    std::vector<bool> known(static_cast<size_t>(end - begin), false);
    for (qsizetype i = begin; i < end; ++i) {
        const QByteArrayView name = entryName(paths.at(i));
        if (name.isEmpty())
            continue;
        const auto place = places.constFind(name);
        if (place == places.cend())
            places.insert(name, i);
        else
            firstPlace[static_cast<size_t>(i - begin)] = place.value();
    }
    const quint64 device = quint64(folderInfo.st_dev);
    for (;;) {
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        const std::optional<quint32> type = typeOfEntry(entry->d_type);
        if (!type)
            continue;
        const auto place = places.constFind(QByteArrayView(entry->d_name));
        if (place == places.cend())
            continue;
        result[place.value()] = ItemIdentity{device, quint64(entry->d_ino), *type};
        known[static_cast<size_t>(place.value() - begin)] = true;
    }
    // Whatever the entries did not settle (a folder, an item missing, or one that moved
    // while the folder was read) is read on its own, as identity() reads it.
    const int opened = ::dirfd(dir);
    for (qsizetype i = begin; i < end; ++i) {
        const size_t k = static_cast<size_t>(i - begin);
        if (known[k])
            continue;
        const QByteArray &path = paths.at(i);
        if (firstPlace[k] >= 0) {
            result[i] = result.at(firstPlace[k]);
        } else if (path.contains('\0')) {
            continue; // no item can have this path
        } else if (entryName(path).isEmpty()) {
            result[i] = PosixFileMover().identity(path);
        } else {
            struct stat info;
            if (::fstatat(opened, path.constData() + LocalPath::nameStart(path), &info,
                          AT_SYMLINK_NOFOLLOW) == 0)
                result[i] = identityOf(info);
        }
        known[k] = true;
    }
    ::closedir(dir);
    return true;
}

} // namespace

QList<std::optional<ItemIdentity>> PosixFileMover::identities(const QList<QByteArray> &paths)
{
    // A large drop lists many files of each folder. Each of them read by its whole path
    // walks every folder of the path again; read by its name in the folder, opened once
    // for all of them, it costs about a third less, and a folder that does not exist holds
    // none of them. Opening the folder follows the same links of its path as reading the
    // whole path does, and the last component is still not followed.
    Identities result(paths.size());
    for (qsizetype begin = 0; begin < paths.size();) {
        const QByteArray &path = paths.at(begin);
        const QByteArrayView part = folderPart(path);
        qsizetype end = begin + 1;
        while (!part.isEmpty() && end < paths.size() && folderPart(paths.at(end)) == part)
            ++end;
        // Opening costs as much as one read: worth it only for a folder that paths share.
        if (end - begin == 1) {
            result[begin] = identity(path);
            begin = end;
            continue;
        }
        const QByteArray folderPath = part.toByteArray();
        if (folderPath.contains('\0')) {
            begin = end; // no item can have these paths
            continue;
        }
        if (end - begin >= readEntriesFrom &&
            readFromEntries(folderPath, paths, begin, end, result)) {
            begin = end;
            continue;
        }
        const int folder = ::open(folderPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        // A folder that does not exist holds none of them; one that could not be opened for
        // another reason leaves each to be read by its path.
        const bool byPath = folder < 0 && errno != ENOENT && errno != ENOTDIR;
        for (qsizetype i = begin; i < end; ++i) {
            const QByteArray &item = paths.at(i);
            struct stat info;
            if (byPath)
                result[i] = identity(item);
            else if (folder >= 0 && !item.contains('\0') &&
                     ::fstatat(folder, item.constData() + LocalPath::nameStart(item), &info,
                               AT_SYMLINK_NOFOLLOW) == 0)
                result[i] = identityOf(info);
        }
        if (folder >= 0)
            ::close(folder);
        begin = end;
    }
    return result;
}
