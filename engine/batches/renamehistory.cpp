#include "batches/renamehistory.h"

#include "disk/batchrecovery.h"
#include "disk/filemover.h"
#include "disk/localpath.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>

namespace {

// Folders a batch moved: old path → new name. An item inside one moved with it.
using MovedFolders = QHash<QByteArray, QByteArray>;

// Where an item whose path was `path` before the batch is after it, once every moved
// folder on its way has taken its new name.
QByteArray followMovedFolders(const QByteArray &path, const MovedFolders &moved)
{
    QByteArray result;
    qsizetype copied = 0;
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        const auto found = moved.constFind(path.left(slash));
        if (found == moved.cend())
            continue;
        const qsizetype nameStart = path.lastIndexOf('/', slash - 1) + 1;
        result += QByteArrayView(path).sliced(copied, nameStart - copied);
        result += *found;
        copied = slash;
    }
    if (copied == 0)
        return path;
    result += QByteArrayView(path).sliced(copied);
    return result;
}

// Rows inside a folder that moved follow it.
void followMovedFolders(QList<FileItem> &files, const MovedFolders &moved, FileMover &mover)
{
    if (moved.isEmpty())
        return;
    for (FileItem &item : files) {
        if (item.path.isEmpty())
            continue;
        const QByteArray followed = followMovedFolders(item.path, moved);
        if (followed == item.path)
            continue;
        item.path = followed;
        item.url = LocalPath::toUrl(followed);
        item.identity = mover.identity(followed);
    }
}

bool isFolder(const std::optional<ItemIdentity> &identity)
{
    return identity && identity->type == S_IFDIR;
}

} // namespace

std::optional<UndoOperation> RenameHistory::take(qsizetype index)
{
    if (index < 0 || index >= m_undoStack.size())
        return std::nullopt;
    return m_undoStack.takeAt(index);
}

void RenameHistory::putBack(qsizetype index, const UndoOperation &operation)
{
    m_undoStack.insert(std::clamp(index, qsizetype(0), m_undoStack.size()), operation);
}

RenameHistory::Plan RenameHistory::planRename(QList<FileItem> &files) const
{
    Plan plan;
    const qsizetype count = files.size();
    plan.moves.reserve(count);
    plan.rows.reserve(count);
    plan.newNames.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        FileItem &item = files[i];
        if (item.status != RenameStatus::pending) {
            ++plan.skipped;
            continue;
        }
        const QByteArray &source = item.path;
        if (source.isEmpty()) {
            item.status = RenameStatus::error;
            item.errorMessage = QCoreApplication::translate(
                "RenameHistory", "Only files on this computer can be renamed.");
            ++plan.failed;
            continue;
        }
        // An unchanged name keeps the exact bytes, which its decoded text may not hold.
        const std::optional<QByteArray> destination =
            item.newName == item.originalName ? std::optional(source)
                                              : LocalPath::withEncodedName(source, item.newName);
        if (!destination) {
            item.status = RenameStatus::error;
            item.errorMessage = QCoreApplication::translate(
                "RenameHistory", "The name contains a character that is not allowed.");
            ++plan.failed;
            continue;
        }
        plan.moves.append({source, *destination, item.identity});
        plan.rows.append(i);
        plan.newNames.append(item.newName);
    }
    return plan;
}

std::pair<qsizetype, qsizetype>
RenameHistory::applyRename(QList<FileItem> &files, const Plan &plan,
                           const QList<BatchMover::Outcome> &results)
{
    qsizetype renamed = 0;
    qsizetype failed = plan.failed + plan.skipped;
    // A batch that did not start leaves its rows as they were, ready to try again.
    if (!BatchMover::refusal(results).isEmpty())
        return {renamed, failed};
    const QList<BatchMover::Move> &moves = plan.moves;
    UndoOperation undo;
    if (!moves.isEmpty()) {
        QList<qsizetype> succeeded;
        MovedFolders movedFolders;
        for (qsizetype m = 0; m < moves.size(); ++m) {
            FileItem &item = files[plan.rows[m]];
            const BatchMover::Outcome &result = results[m];
            if (!result.succeeded) {
                item.status = RenameStatus::error;
                item.errorMessage = result.errorDescription;
                followStrandedFile(item, moves[m].sourcePath, result.currentPath);
                ++failed;
                continue;
            }
            succeeded.append(m);
            if (isFolder(result.identity) && moves[m].sourcePath != moves[m].destinationPath)
                movedFolders.insert(moves[m].sourcePath,
                                    LocalPath::nameOf(moves[m].destinationPath));
            item.path = moves[m].destinationPath;
            item.url = FileUrl::fromLocalPath(item.path);
            item.identity = result.identity;
            item.originalName = plan.newNames[m];
            item.newName = plan.newNames[m];
            item.status = RenameStatus::success;
            item.errorMessage.reset();
            ++renamed;
        }
        followMovedFolders(files, movedFolders, m_mover);

        const auto madeBefore = [&](qsizetype a, qsizetype b) {
            return results[a].sequence < results[b].sequence;
        };
        // Mostly the moves were made in the order they were planned.
        if (!std::is_sorted(succeeded.cbegin(), succeeded.cend(), madeBefore))
            std::sort(succeeded.begin(), succeeded.end(), madeBefore);
        undo.entries.reserve(succeeded.size());
        for (qsizetype m : std::as_const(succeeded)) {
            const QByteArray oldName = LocalPath::nameOf(moves[m].sourcePath);
            const QByteArray path =
                movedFolders.isEmpty() ? moves[m].destinationPath
                                       : followMovedFolders(moves[m].destinationPath, movedFolders);
            undo.entries.append({path, oldName, results[m].identity});
        }
    }

    if (!undo.entries.isEmpty()) {
        undo.timestamp = QDateTime::currentDateTime();
        m_undoStack.append(std::move(undo));
        while (m_undoStack.size() > maxUndoOperations)
            m_undoStack.removeFirst();
    }
    return {renamed, failed};
}

UndoOperation RenameHistory::plannedUndo(const Plan &plan) const
{
    MovedFolders movedFolders;
    for (const BatchMover::Move &move : plan.moves) {
        if (isFolder(move.identity) && move.sourcePath != move.destinationPath)
            movedFolders.insert(move.sourcePath, LocalPath::nameOf(move.destinationPath));
    }
    UndoOperation undo;
    undo.timestamp = QDateTime::currentDateTime();
    undo.entries.reserve(plan.moves.size());
    for (const BatchMover::Move &move : plan.moves) {
        undo.entries.append({movedFolders.isEmpty()
                                 ? move.destinationPath
                                 : followMovedFolders(move.destinationPath, movedFolders),
                             LocalPath::nameOf(move.sourcePath), move.identity});
    }
    return undo;
}

RenameHistory::Plan RenameHistory::planUndo(const QList<FileItem> &files,
                                            const UndoOperation &operation) const
{
    // Which listed file stands at each recorded place, looked up before anything moves:
    // within a swap, a file's new place is the old place of another.
    QHash<QByteArray, qsizetype> firstFileAt;
    firstFileAt.reserve(files.size());
    for (qsizetype i = files.size() - 1; i >= 0; --i)
        firstFileAt.insert(files[i].path, i);

    // Newest move first: the batch is taken back in the reverse of the order it was made.
    QList<BatchMover::Move> moves;
    moves.reserve(operation.entries.size());
    for (auto it = operation.entries.crbegin(); it != operation.entries.crend(); ++it)
        moves.append({it->path, LocalPath::withName(it->path, it->originalName), it->identity});
    QList<qsizetype> rows; // the listed file at each recorded place, or -1
    rows.reserve(moves.size());
    for (const BatchMover::Move &move : std::as_const(moves))
        rows.append(firstFileAt.value(move.sourcePath, -1));
    return {moves, rows, {}, 0};
}

bool RenameHistory::applyUndo(QList<FileItem> &files, const Plan &plan,
                              const QList<BatchMover::Outcome> &results)
{
    if (!BatchMover::refusal(results).isEmpty())
        return false;
    const QList<BatchMover::Move> &moves = plan.moves;
    qsizetype reverted = 0;
    MovedFolders movedFolders;
    for (qsizetype m = 0; m < moves.size(); ++m) {
        FileItem *item = plan.rows[m] >= 0 ? &files[plan.rows[m]] : nullptr;
        if (!results[m].succeeded) {
            const QString reason =
                results[m].replaced
                    ? QCoreApplication::translate(
                          "RenameHistory",
                          "“%1” now holds another item than the one that was renamed.")
                          .arg(LocalPath::display(LocalPath::nameOf(moves[m].sourcePath)))
                    : results[m].errorDescription;
            std::fprintf(stdout, "Failed to undo rename: %s\n", reason.toLocal8Bit().constData());
            std::fflush(stdout);
            if (item)
                followStrandedFile(*item, moves[m].sourcePath, results[m].currentPath);
            continue;
        }
        if (isFolder(results[m].identity) && moves[m].sourcePath != moves[m].destinationPath)
            movedFolders.insert(moves[m].sourcePath, LocalPath::nameOf(moves[m].destinationPath));
        if (item) {
            item->path = moves[m].destinationPath;
            item->url = LocalPath::toUrl(item->path);
            item->identity = results[m].identity;
            item->originalName = LocalPath::decodeName(LocalPath::nameOf(item->path));
            item->newName = item->originalName;
        }
        ++reverted;
    }
    followMovedFolders(files, movedFolders, m_mover);
    return reverted > 0;
}

QList<BatchMover::Outcome> RenameHistory::run(MoveJournal::Kind kind, const Plan &plan,
                                              const BatchMover::Progress &progress)
{
    if (plan.moves.isEmpty())
        return {};
    return BatchMover(m_mover, kind).run(plan.moves, progress);
}

RecoveryReport RenameHistory::recoverInterruptedBatches()
{
    return BatchRecovery(m_mover).run(MoveJournal::folder());
}

void RenameHistory::followStrandedFile(FileItem &item, const QByteArray &sourcePath,
                                       const QByteArray &currentPath) const
{
    // A file that stepped aside for a swap or a cycle and could go neither forward nor
    // back stays under its temporary name. Its row must follow it there: its old place now
    // holds another file, which a later rename of this row would otherwise move.
    if (currentPath.isEmpty() || currentPath == sourcePath)
        return;
    item.path = currentPath;
    item.url = LocalPath::toUrl(currentPath);
    item.originalName = LocalPath::decodeName(LocalPath::nameOf(currentPath));
    item.identity = m_mover.identity(currentPath);
}
