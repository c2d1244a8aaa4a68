#include "disk/noreplacemove.h"

#include "disk/localpath.h"
#include "disk/movesteps.h"
#include "disk/temporaryname.h"

#include <QFile>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

// The longest name component most Linux file systems accept, in bytes.
constexpr qsizetype NameMax = 255;

using LocalPath::folderOf;
using LocalPath::nameOf;
using NoReplaceMove::FolderFull;
using NoReplaceMove::NameNotAllowed;

// An empty file or directory created exclusively at a destination, so that a plain
// rename() can replace that and nothing else.
struct Reservation {
    dev_t device = 0;
    ino_t inode = 0;
};

// Whether the item at `to` is still exactly the reservation: same device and inode, same
// kind, and for a file still empty. FUSE drivers such as exfat-fuse and fusefat keep one
// inode number per spelling while the kernel holds the name, which it does right after
// creating it.
bool isReservation(const QByteArray &to, const Reservation &reservation, bool directory)
{
    struct stat now;
    if (::lstat(to.constData(), &now) != 0)
        return false;
    if (now.st_dev != reservation.device || now.st_ino != reservation.inode)
        return false;
    return directory ? S_ISDIR(now.st_mode) : S_ISREG(now.st_mode) && now.st_size == 0;
}

void removeReservation(const QByteArray &to, const Reservation &reservation, bool directory)
{
    if (!isReservation(to, reservation, directory))
        return; // no longer ours: someone else's item, which stays
    if (directory)
        ::rmdir(to.constData()); // fails, and keeps it, should anything be inside by now
    else
        ::unlink(to.constData());
}

// Whether `folder` is the top folder of its file system, the only kind of folder that
// FAT gives a fixed number of entries.
bool isTopFolder(const QByteArray &folder)
{
    struct stat self;
    struct stat parent;
    const QByteArray above = folder + QByteArrayLiteral("/..");
    if (::stat(folder.constData(), &self) != 0 || ::stat(above.constData(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

// When the file system refuses to create `to` with EPERM or EINVAL: the name, or new
// entries as such? The comparison with a plain ASCII name tells them apart. A top folder
// that takes neither is full: FAT root folders have a fixed number of entries, and a long
// name takes one of them per 13 UTF-16 units, so the plain name is made as long as `to`'s,
// or a root with room for a short name only would blame the long one's characters.
int classifyRefusal(const QByteArray &to, int refusal)
{
    const QByteArray folder = folderOf(to);
    QByteArray plainName = TemporaryName::probeName();
    const qsizetype units = std::min<qsizetype>(QFile::decodeName(nameOf(to)).size(), NameMax);
    if (plainName.size() < units)
        plainName.append(units - plainName.size(), 'x');
    const QByteArray plain = folder + '/' + plainName;
    if (::mkdir(plain.constData(), 0700) != 0) {
        const int error = errno;
        if ((error == EPERM || error == EINVAL) && isTopFolder(folder))
            return FolderFull;
        return refusal;
    }
    ::rmdir(plain.constData());
    return nameOf(to).size() > NameMax ? ENAMETOOLONG : NameNotAllowed;
}

// Creates the reservation: an empty directory for a directory, which rename() can replace
// with one, and an empty file for anything else. Creating it also proves that the file
// system takes the name before the item is renamed: fusefat, for one, loses an item when
// it refuses the new name in a rename.
int reserve(const QByteArray &to, bool directory, Reservation &reservation, struct stat &created)
{
    if (directory) {
        if (::mkdir(to.constData(), 0700) != 0)
            return errno;
        if (::lstat(to.constData(), &created) != 0) {
            const int error = errno;
            ::rmdir(to.constData());
            return error;
        }
    } else {
        const int fd =
            ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        const int statResult = ::fstat(fd, &created);
        const int error = errno;
        // Closed before the rename: libfuse hides a replaced file that is still open
        // under a .fuse_hidden name instead of removing it.
        ::close(fd);
        if (statResult != 0) {
            ::unlink(to.constData());
            return error;
        }
    }
    reservation = {created.st_dev, created.st_ino};
    return 0;
}

// rename() for file systems without RENAME_NOREPLACE, where link() is refused. The
// destination is reserved first, so that an item another program creates under that name
// in the meantime makes this move fail instead of being replaced; the check right before
// the rename() leaves only the window the platform cannot close.
int renameOntoReservation(const QByteArray &from, const QByteArray &to, bool directory)
{
    Reservation reservation;
    struct stat created;
    if (const int error = reserve(to, directory, reservation, created)) {
        if (error == EPERM || error == EINVAL)
            return classifyRefusal(to, error);
        return error;
    }
    // Until the rename, a killed process would leave the reservation under the new name:
    // the batch's record lets the next launch remove it.
    MoveSteps *const steps = MoveSteps::current();
    if (steps)
        steps->stepStarted(MoveSteps::Step::reservation, from, to, created);
    if (const MoveSteps::Pause pause = MoveSteps::pause())
        pause(MoveSteps::Step::reservation);
    int error = 0;
    if (!isReservation(to, reservation, directory)) {
        struct stat other;
        error = ::lstat(to.constData(), &other) == 0 ? EEXIST : errno;
    } else if (::rename(from.constData(), to.constData()) != 0) {
        error = errno == EINVAL ? NameNotAllowed : errno;
        removeReservation(to, reservation, directory);
    }
    if (steps)
        steps->stepEnded();
    return error;
}

} // namespace

int NoReplaceMove::moveNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    return moveWithoutNoReplace(from, to);
}

int NoReplaceMove::moveWithoutNoReplace(const QByteArray &from, const QByteArray &to)
{
    struct stat source;
    if (::lstat(from.constData(), &source) != 0)
        return errno;
    if (S_ISREG(source.st_mode)) {
        // Between the two steps the item has both names: the batch's record lets the next
        // launch remove the old one should the process be killed there.
        MoveSteps *const steps = MoveSteps::current();
        if (steps)
            steps->stepStarted(MoveSteps::Step::link, from, to, source);
        if (::link(from.constData(), to.constData()) == 0) {
            if (const MoveSteps::Pause pause = MoveSteps::pause())
                pause(MoveSteps::Step::link);
            int error = 0;
            if (::unlink(from.constData()) != 0) {
                error = errno;
                ::unlink(to.constData()); // our own second link to the same file
            }
            if (steps)
                steps->stepEnded();
            return error;
        }
        const int error = errno;
        if (steps)
            steps->stepEnded();
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
    return renameOntoReservation(from, to, S_ISDIR(source.st_mode));
}

bool NoReplaceMove::inodesIdentifyItems(const QByteArray &folder)
{
    struct statfs info;
    if (::statfs(folder.constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case FUSE_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
        return false;
    default:
        return true;
    }
}
