#include "disk/batchrecovery.h"

#include "disk/filemover.h"
#include "disk/localpath.h"
#include "disk/noreplacemove.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool sameModificationTime(const struct stat &info, const MoveJournal::OpenStep &step)
{
    return info.st_mtim.tv_sec == step.modifiedSeconds &&
           info.st_mtim.tv_nsec == step.modifiedNanoseconds;
}

// Whether the item at `info` is the one the step recorded. Where inode numbers identify
// items, by its device and inode; where they do not (FUSE, SMB), they change once the
// kernel forgets the name, and the device, type, size and modification time stand in.
bool isRecordedItem(const struct stat &info, const MoveJournal::OpenStep &step, bool inodesIdentify)
{
    if (quint64(info.st_dev) != step.identity.device ||
        quint32(info.st_mode & S_IFMT) != step.identity.type)
        return false;
    if (inodesIdentify)
        return quint64(info.st_ino) == step.identity.inode;
    return quint64(info.st_size) == step.size && sameModificationTime(info, step);
}

bool sameContent(const QByteArray &a, const QByteArray &b)
{
    QFile first(QFile::decodeName(a));
    QFile second(QFile::decodeName(b));
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 chunk = 1 << 16;
    for (;;) {
        const QByteArray x = first.read(chunk);
        const QByteArray y = second.read(chunk);
        if (x != y)
            return false;
        if (x.isEmpty())
            return first.atEnd() && second.atEnd();
    }
}

// Whether `from` and `to` are two names of one file. Where inode numbers identify items,
// they are the same inode. Where they do not (sshfs gives every name its own number and a
// link count of 1), two names of one file show the same size and modification time and
// hold the same bytes: should they be two files after all, removing one loses nothing.
bool namesOfOneFile(const QByteArray &from, const QByteArray &to, const struct stat &a,
                    const struct stat &b, bool inodesIdentify)
{
    if (!S_ISREG(a.st_mode) || !S_ISREG(b.st_mode) || a.st_dev != b.st_dev)
        return false;
    if (inodesIdentify)
        return a.st_ino == b.st_ino;
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && sameContent(from, to);
}

} // namespace

void BatchRecovery::settle(const MoveJournal::OpenStep &step)
{
    struct stat from;
    struct stat to;
    if (::lstat(step.from.constData(), &from) != 0 || ::lstat(step.to.constData(), &to) != 0)
        return; // the move happened, or never did: one name, nothing to remove
    const bool inodesIdentify = NoReplaceMove::inodesIdentifyItems(LocalPath::folderOf(step.to));
    if (step.step == MoveSteps::Step::link) {
        // Killed between link() and unlink(): the old name goes, as the move would have
        // removed it.
        if (isRecordedItem(from, step, inodesIdentify) &&
            namesOfOneFile(step.from, step.to, from, to, inodesIdentify))
            ::unlink(step.from.constData());
        return;
    }
    // Killed between the reservation and rename(): the item is still under its old name,
    // and the new one holds the reservation, still empty, unless someone else's item
    // took its place since.
    if (!isRecordedItem(to, step, inodesIdentify))
        return;
    if (S_ISDIR(to.st_mode))
        ::rmdir(step.to.constData()); // fails, and keeps it, should anything be inside
    else if (S_ISREG(to.st_mode) && to.st_size == 0)
        ::unlink(step.to.constData());
}

bool BatchRecovery::exists(const QByteArray &path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 || errno != ENOENT;
}

RecoveryReport BatchRecovery::run(const QByteArray &folder)
{
    RecoveryReport report;
    const QStringList names =
        QDir(QFile::decodeName(folder))
            .entryList({QStringLiteral("*.journal")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        const QByteArray path = folder + '/' + QFile::encodeName(name);
        const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0)
            continue;
        // A batch that is still running holds its journal locked.
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            ::close(descriptor);
            continue;
        }
        QFile file;
        QByteArray bytes;
        if (file.open(descriptor, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            bytes = file.readAll();
        file.close();
        const std::optional<MoveJournal::Contents> contents = MoveJournal::parse(bytes);
        if (!contents) {
            // Kept for a person to read, under a name the next launch does not read again.
            const QByteArray kept = path + '.' +
                                    QDateTime::currentDateTime()
                                        .toString(QStringLiteral("yyyyMMdd-HHmmss"))
                                        .toLatin1() +
                                    ".unreadable";
            if (::rename(path.constData(), kept.constData()) == 0)
                report.unreadableJournals.append(kept);
            else
                report.unreadableJournals.append(path);
            ::close(descriptor);
            continue;
        }
        ++report.interruptedBatches;
        replay(*contents, report);
        ::unlink(path.constData());
        ::close(descriptor);
    }
    return report;
}

void BatchRecovery::replay(const MoveJournal::Contents &contents, RecoveryReport &report)
{
    if (contents.openStep)
        settle(*contents.openStep);
    QList<qsizetype> stuck;
    QList<RecoveryReport::Item> items;
    for (qsizetype r = 0; r < contents.records.size(); ++r) {
        const MoveJournal::Record &record = contents.records[r];
        const QByteArray temporary = LocalPath::withName(record.sourcePath, record.temporaryName);
        if (!exists(temporary))
            continue;
        RecoveryReport::Item item{temporary, LocalPath::nameOf(record.sourcePath),
                                  record.destinationName, RecoveryReport::Place::temporary};
        const QByteArray destination =
            LocalPath::withName(record.sourcePath, record.destinationName);
        if (m_mover.moveItem(temporary, destination).succeeded) {
            item.path = destination;
            item.place = RecoveryReport::Place::destination;
        } else if (m_mover.moveItem(temporary, record.sourcePath).succeeded) {
            item.path = record.sourcePath;
            item.place = RecoveryReport::Place::source;
        } else {
            stuck.append(items.size());
        }
        items.append(item);
    }

    if (stuck.isEmpty()) {
        report.items += items;
        return;
    }
    QHash<QByteArray, qsizetype> recordFrom;
    for (qsizetype r = 0; r < contents.records.size(); ++r)
        recordFrom.insert(contents.records[r].sourcePath, r);

    // An item stuck in a cycle: the next item of the cycle still holds its destination,
    // and the one before has already taken its source. Completing the cycle frees it.
    for (qsizetype s : std::as_const(stuck)) {
        RecoveryReport::Item &item = items[s];
        const QByteArray source = LocalPath::withName(item.path, item.sourceName);
        const QByteArray destination = LocalPath::withName(item.path, item.destinationName);
        if (freePath(destination, contents, recordFrom, report) &&
            m_mover.moveItem(item.path, destination).succeeded) {
            item.path = destination;
            item.place = RecoveryReport::Place::destination;
        } else if (m_mover.moveItem(item.path, source).succeeded) {
            item.path = source;
            item.place = RecoveryReport::Place::source;
        }
    }
    report.items += items;
}

// Makes the journal's moves that lead from `path` to a free name, last first, so that
// `path` is free afterwards. Each one moves only the item the journal names, still in its
// place, and only onto a free name.
bool BatchRecovery::freePath(const QByteArray &path, const MoveJournal::Contents &contents,
                             const QHash<QByteArray, qsizetype> &recordFrom, RecoveryReport &report)
{
    QList<qsizetype> chain;
    QSet<QByteArray> seen;
    QByteArray next = path;
    while (exists(next)) {
        const auto found = recordFrom.constFind(next);
        if (found == recordFrom.cend() || seen.contains(next))
            return false;
        seen.insert(next);
        const MoveJournal::Record &record = contents.records[*found];
        const std::optional<ItemIdentity> current = m_mover.identity(next);
        if (!record.identity || current != record.identity)
            return false;
        chain.append(*found);
        next = LocalPath::withName(record.sourcePath, record.destinationName);
    }
    for (auto it = chain.crbegin(); it != chain.crend(); ++it) {
        const MoveJournal::Record &record = contents.records[*it];
        if (!m_mover
                 .moveItem(record.sourcePath,
                           LocalPath::withName(record.sourcePath, record.destinationName))
                 .succeeded)
            return false;
        ++report.completedMoves;
    }
    return true;
}
