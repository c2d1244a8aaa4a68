#include "disk/identityreads.h"

#include "disk/localpath.h"
#include "disk/namelookup.h"

#include <QByteArrayView>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace IdentityReads {

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

std::optional<ItemIdentity> read(const QByteArray &path)
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
    NameLookup names(end - begin);
    std::vector<std::pair<qsizetype, qsizetype>> repeats; // a place, and the first of its name
    std::vector<bool> known(static_cast<size_t>(end - begin), false);
    {
        std::array<QByteArrayView, NameLookup::batch> listed;
        std::array<qsizetype, NameLookup::batch> places;
        std::array<qsizetype, NameLookup::batch> first;
        for (qsizetype i = begin; i < end;) {
            qsizetype size = 0;
            for (; i < end && size < NameLookup::batch; ++i) {
                const QByteArrayView name = entryName(paths.at(i));
                if (name.isEmpty())
                    continue;
                listed[size_t(size)] = name;
                places[size_t(size++)] = i;
            }
            names.addEach(listed.data(), places.data(), size, first.data());
            for (qsizetype j = 0; j < size; ++j) {
                // A name too long to be added is read on its own below.
                if (first[size_t(j)] >= 0 && first[size_t(j)] != places[size_t(j)])
                    repeats.emplace_back(places[size_t(j)], first[size_t(j)]);
            }
        }
    }
    // The entries are looked up a batch at a time; their names are copied out of the
    // folder's buffer, which the next read may fill again.
    const quint64 device = quint64(folderInfo.st_dev);
    std::array<char, NameLookup::batch * sizeof(dirent::d_name)> text;
    std::array<QByteArrayView, NameLookup::batch> entryNames;
    std::array<ItemIdentity, NameLookup::batch> entryIdentities;
    std::array<qsizetype, NameLookup::batch> places;
    qsizetype pending = 0;
    const auto settle = [&] {
        names.findEach(entryNames.data(), pending, places.data());
        for (qsizetype j = 0; j < pending; ++j) {
            const qsizetype place = places[size_t(j)];
            if (place < 0)
                continue;
            result[place] = entryIdentities[size_t(j)];
            known[static_cast<size_t>(place - begin)] = true;
        }
        pending = 0;
    };
    for (;;) {
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        const std::optional<quint32> type = typeOfEntry(entry->d_type);
        if (!type)
            continue;
        const size_t length = std::strlen(entry->d_name);
        char *const copy = text.data() + size_t(pending) * sizeof(dirent::d_name);
        std::memcpy(copy, entry->d_name, length);
        entryNames[size_t(pending)] = QByteArrayView(copy, qsizetype(length));
        entryIdentities[size_t(pending)] = ItemIdentity{device, quint64(entry->d_ino), *type};
        if (++pending == NameLookup::batch)
            settle();
    }
    settle();
    // Whatever the entries did not settle (a folder, an item missing, or one that moved
    // while the folder was read) is read on its own, as read() reads it.
    // A name listed again takes what its first place got, which comes before it.
    const int opened = ::dirfd(dir);
    auto repeat = repeats.cbegin();
    for (qsizetype i = begin; i < end; ++i) {
        const size_t k = static_cast<size_t>(i - begin);
        const bool repeated = repeat != repeats.cend() && repeat->first == i;
        if (known[k])
            continue;
        const QByteArray &path = paths.at(i);
        if (repeated) {
            result[i] = result.at((repeat++)->second);
        } else if (path.contains('\0')) {
            continue; // no item can have this path
        } else if (entryName(path).isEmpty()) {
            result[i] = read(path);
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

QList<std::optional<ItemIdentity>> readAll(const QList<QByteArray> &paths)
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
            result[begin] = read(path);
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
                result[i] = read(item);
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

} // namespace IdentityReads
