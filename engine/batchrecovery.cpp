#include "batchrecovery.h"

#include "filemover.h"
#include "localpath.h"

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
