#include "disk/batchmover.h"

#include "disk/localpath.h"
#include "disk/temporaryname.h"

#include <QCoreApplication>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <charconv>
#include <deque>

#include <sys/sysmacros.h>

QString BatchMover::replacedDescription()
{
    return QCoreApplication::translate("BatchMover",
                                       "The file was replaced by another item since it was added.");
}

QString BatchMover::refusal(const QList<Outcome> &outcomes)
{
    return !outcomes.isEmpty() && outcomes.first().notStarted ? outcomes.first().errorDescription
                                                              : QString();
}

QString BatchMover::vanishedDescription()
{
    return QCoreApplication::translate("BatchMover", "The file no longer exists.");
}

namespace {

// Makes the moves of this thread tell their steps to a journal while it lives.
class StepsRecorded {
public:
    explicit StepsRecorded(MoveSteps *steps) { MoveSteps::setCurrent(steps); }
    ~StepsRecorded() { MoveSteps::setCurrent(nullptr); }
    StepsRecorded(const StepsRecorded &) = delete;
    StepsRecorded &operator=(const StepsRecorded &) = delete;
};

qsizetype depthOf(const QByteArray &path)
{
    return path.count('/');
}

} // namespace

QList<BatchMover::Outcome> BatchMover::run(const QList<Move> &moves, const Progress &progress)
{
    const qsizetype total = moves.size();
    m_moves = &moves;
    m_results = QList<Outcome>(total);
    m_checked = QList<std::optional<ItemIdentity>>(total);
    m_finished.assign(static_cast<size_t>(total), false);
    m_progress = progress;
    m_done = 0;
    m_sequence = 0;
    if (total == 0)
        return {};

    // Every temporary name is known before the first move, so that the journal holds it.
    m_batchTag = TemporaryName::newBatchTag();
    QByteArray temporaryName = TemporaryName::swapNamePrefix(m_batchTag);
    const qsizetype prefixSize = temporaryName.size();
    temporaryName.resize(prefixSize + 16); // room for the index in hexadecimal
    QByteArray plan = MoveJournal::header(m_kind);
    qsizetype planSize = plan.size();
    for (const Move &move : moves)
        planSize += move.sourcePath.size() + move.destinationPath.size() + prefixSize + 96;
    plan.reserve(planSize);
    for (qsizetype i = 0; i < total; ++i) {
        char *const digits = temporaryName.data() + prefixSize;
        const char *const end = std::to_chars(digits, digits + 16, quint64(i), 16).ptr;
        const QByteArray &destination = moves[i].destinationPath;
        MoveJournal::appendRecord(
            plan, moves[i].sourcePath, QByteArrayView(temporaryName.constData(), end),
            QByteArrayView(destination).sliced(LocalPath::nameStart(destination)),
            moves[i].identity);
    }
    MoveJournal journal;
    QString journalError;
    if (!journal.begin(plan, &journalError)) {
        // Without its journal, a crash could leave an item under a temporary name that
        // nobody would ever report.
        for (qsizetype i = 0; i < total; ++i) {
            Outcome &outcome = m_results[i];
            outcome.notStarted = true;
            outcome.errorDescription = journalError;
            outcome.currentPath = moves[i].sourcePath;
        }
        m_moves = nullptr;
        return std::exchange(m_results, {});
    }
    plan = QByteArray();
    const StepsRecorded recorded(&journal);

    // Moves stay within their folder, so moves at different depths never meet at a path;
    // only a folder holding a moved item matters, and the deeper moves go first.
    QMap<qsizetype, std::vector<qsizetype>> groups;
    const qsizetype firstDepth = depthOf(moves.first().sourcePath);
    bool oneDepth = true;
    for (qsizetype i = 0; i < total && oneDepth; ++i)
        oneDepth = depthOf(moves[i].sourcePath) == firstDepth;
    if (oneDepth) {
        std::vector<qsizetype> all(static_cast<size_t>(total));
        for (qsizetype i = 0; i < total; ++i)
            all[static_cast<size_t>(i)] = i;
        runGroup(all);
    } else {
        for (qsizetype i = 0; i < total; ++i)
            groups[-depthOf(moves[i].sourcePath)].push_back(i);
        for (const std::vector<qsizetype> &group : std::as_const(groups))
            runGroup(group);
    }
    journal.end();
    m_moves = nullptr;
    return std::exchange(m_results, {});
}

bool BatchMover::isStillListedItem(qsizetype i)
{
    const Move &move = (*m_moves)[i];
    const std::optional<ItemIdentity> current = m_mover.identity(move.sourcePath);
    m_checked[i] = current;
    // Nothing there: the move itself says that the file no longer exists.
    if (!current && move.identity)
        return true;
    return current == move.identity;
}

FileMover::Result BatchMover::moveFrom(qsizetype i, const QByteArray &from)
{
    // A name that does not change asks nothing of the file system, so the mover answers
    // success for it whether or not the item is still there; the check made just before
    // this step says whether it is.
    const Move &move = (*m_moves)[i];
    if (from == move.destinationPath && from == move.sourcePath && move.identity && !m_checked[i])
        return {false, vanishedDescription()};
    return m_mover.moveItem(from, move.destinationPath);
}

// The item is not where it was listed, and its folder now lies on another file system than
// the item did: the file system that held it is no longer mounted there, as when sshfs loses
// its connection and unmounts itself, leaving the empty mount point. Asked after the failed
// move, as the check before it may have been answered from sshfs's cache of a dying mount.
bool BatchMover::isOnVanishedMount(qsizetype i) const
{
    const Move &move = (*m_moves)[i];
    if (!move.identity)
        return false;
    const std::optional<ItemIdentity> folder =
        m_mover.identity(LocalPath::folderOf(move.sourcePath));
    return folder && folder->device != move.identity->device && !m_mover.identity(move.sourcePath);
}

void BatchMover::finish(qsizetype i, const FileMover::Result &result, const QByteArray &currentPath)
{
    Outcome &outcome = m_results[i];
    outcome.succeeded = result.succeeded;
    outcome.errorDescription = result.errorDescription;
    if (!result.succeeded && !outcome.replaced && isOnVanishedMount(i)) {
        outcome.errorDescription = QCoreApplication::translate(
            "BatchMover", "The drive or network folder holding this file is no longer connected.");
    }
    outcome.currentPath = currentPath;
    if (result.succeeded) {
        // A rename keeps the item's inode. File systems on a block device report it as it
        // is; those without one (FUSE, network file systems, tmpfs) may make up a number
        // per name, so there it is read again.
        const std::optional<ItemIdentity> &before = m_checked[i];
        outcome.identity =
            before && ::major(dev_t(before->device)) != 0 ? before : m_mover.identity(currentPath);
        outcome.sequence = m_sequence++;
    }
    m_finished[static_cast<size_t>(i)] = true;
    ++m_done;
    if (m_progress)
        m_progress(m_done, m_results.size());
}

void BatchMover::runInOrder(const std::vector<qsizetype> &group)
{
    for (qsizetype i : group) {
        const Move &move = (*m_moves)[i];
        if (!isStillListedItem(i)) {
            m_results[i].replaced = true;
            finish(i, {false, replacedDescription()}, move.sourcePath);
            continue;
        }
        const FileMover::Result result = moveFrom(i, move.sourcePath);
        finish(i, result, result.succeeded ? move.destinationPath : move.sourcePath);
    }
}

void BatchMover::runGroup(const std::vector<qsizetype> &group)
{
    const QList<Move> &moves = *m_moves;
    {
        // Most batches have no move whose destination is the place of another item of the
        // batch: then none waits, and the moves are simply made in turn.
        QHash<QByteArrayView, qsizetype> sources;
        sources.reserve(qsizetype(group.size()));
        for (qsizetype i : group)
            ++sources[moves[i].sourcePath];
        const bool noneWaits = std::none_of(group.cbegin(), group.cend(), [&](qsizetype i) {
            const QByteArray &destination = moves[i].destinationPath;
            return sources.value(destination) - (destination == moves[i].sourcePath ? 1 : 0) > 0;
        });
        if (noneWaits) {
            runInOrder(group);
            return;
        }
    }
    QHash<qsizetype, QByteArray> location;
    // How many unfinished moves still have their item at a path, and which moves wait
    // for that path to be vacated.
    QHash<QByteArray, qsizetype> occupants;
    QHash<QByteArray, std::vector<qsizetype>> waiting;
    occupants.reserve(qsizetype(group.size()));

    auto locationOf = [&](qsizetype i) -> QByteArray {
        return location.value(i, moves[i].sourcePath);
    };
    for (qsizetype i : group)
        ++occupants[moves[i].sourcePath];

    std::deque<qsizetype> ready;

    auto isBlocked = [&](qsizetype i) {
        const QByteArray &destination = moves[i].destinationPath;
        qsizetype others = occupants.value(destination);
        if (locationOf(i) == destination)
            --others;
        return others > 0;
    };

    auto leave = [&](const QByteArray &path) {
        qsizetype &count = occupants[path];
        if (--count > 0)
            return;
        occupants.remove(path);
        const auto waiters = waiting.find(path);
        if (waiters == waiting.end())
            return;
        for (qsizetype w : *waiters)
            ready.push_back(w);
        waiting.remove(path);
    };

    // The first step of an item, from where it was listed, is taken only when it is
    // still the item listed there.
    auto refuseReplaced = [&](qsizetype i, const QByteArray &from) {
        if (from != moves[i].sourcePath || isStillListedItem(i))
            return false;
        m_results[i].replaced = true;
        finish(i, {false, replacedDescription()}, from);
        leave(from);
        return true;
    };

    // Attempts move i, or parks it until its destination is vacated. The item's old
    // place is vacated whether the move succeeded or not: a failed item is no longer a
    // reason to wait, and whoever waited then meets the item on disk and fails safely.
    auto attempt = [&](qsizetype i) {
        if (isBlocked(i)) {
            waiting[moves[i].destinationPath].push_back(i);
            return;
        }
        const QByteArray from = locationOf(i);
        if (refuseReplaced(i, from))
            return;
        FileMover::Result result = moveFrom(i, from);
        QByteArray currentPath = result.succeeded ? moves[i].destinationPath : moves[i].sourcePath;
        if (!result.succeeded && from != moves[i].sourcePath) {
            // The item stepped aside for a cycle and cannot reach its new name: put it
            // back where it came from, or at least say where it is.
            const FileMover::Result back = m_mover.moveItem(from, moves[i].sourcePath);
            if (!back.succeeded) {
                result.errorDescription += TemporaryName::nowNamed(LocalPath::nameOf(from));
                currentPath = from;
            }
        }
        finish(i, result, currentPath);
        leave(from);
    };

    auto drain = [&] {
        while (!ready.empty()) {
            const qsizetype i = ready.front();
            ready.pop_front();
            if (!m_finished[static_cast<size_t>(i)])
                attempt(i);
        }
    };

    for (qsizetype i : group) {
        ready.push_back(i);
        drain();
    }

    // Whatever still waits is part of a cycle, or waits for one. Break the cycles one at
    // a time, starting with the earliest move in the batch.
    for (qsizetype i : group) {
        if (m_finished[static_cast<size_t>(i)])
            continue;
        // Take it off the waiting list it is on; it is moved aside now.
        std::vector<qsizetype> &list = waiting[moves[i].destinationPath];
        std::erase(list, i);
        if (list.empty())
            waiting.remove(moves[i].destinationPath);

        const QByteArray from = locationOf(i);
        if (refuseReplaced(i, from)) {
            drain();
            continue;
        }
        const QByteArray temporary =
            LocalPath::withName(moves[i].sourcePath, TemporaryName::swapName(m_batchTag, i));
        const FileMover::Result aside = m_mover.moveItem(from, temporary);
        if (!aside.succeeded) {
            finish(i, aside, from);
            leave(from);
            drain();
            continue;
        }
        location.insert(i, temporary);
        ++occupants[temporary];
        leave(from);
        ready.push_back(i);
        drain();
    }
}
