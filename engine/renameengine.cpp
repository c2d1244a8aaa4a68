#include "renameengine.h"

#include "batchmover.h"
#include "batchrecovery.h"
#include "filemover.h"
#include "localpath.h"
#include "nametransformer.h"
#include "namevalidation.h"
#include "posixfilemover.h"
#include "renamejob.h"
#include "rowid.h"
#include "settingspreferencesstore.h"
#include "systemworkflow.h"
#include "workflowstore.h"

#include <QDateTime>
#include <QHash>
#include <QPointer>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

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

RenameEngine::RenameEngine(QObject *parent)
    : RenameEngine(std::make_unique<SettingsPreferencesStore>(), std::make_unique<PosixFileMover>(),
                   parent)
{
}

RenameEngine::RenameEngine(std::unique_ptr<PreferencesStore> preferences,
                           std::unique_ptr<FileMover> mover, QObject *parent)
    : QObject(parent), m_workflows(std::make_unique<WorkflowStore>(std::move(preferences))),
      m_mover(std::move(mover))
{
    addOperation();
    loadSavedWorkflows();
}

RenameEngine::~RenameEngine()
{
    // A job still moving files finishes before the mover it uses goes away.
    delete m_job;
}

// ---------------------------------------------------------------------------------------
// The file list and selection

void RenameEngine::addFiles(const QList<QUrl> &urls)
{
    // The rows of a running batch keep their places until its outcome is taken in.
    if (isBusy())
        return;
    if (!urls.isEmpty()) {
        m_files.reserve(m_files.size() + urls.size());
        for (const QUrl &url : urls) {
            FileItem item;
            item.id = RowId::create();
            item.url = url;
            item.path = LocalPath::fromUrl(url);
            item.originalName = item.path.isEmpty()
                                    ? LocalPath::nameOf(url)
                                    : LocalPath::display(LocalPath::nameOf(item.path));
            item.newName = item.originalName;
            m_files.append(std::move(item));
        }
        readIdentities(m_files.size() - urls.size(), m_files.size());
        Q_EMIT filesChanged();
    }
    updatePreview();
}

void RenameEngine::readIdentities(qsizetype begin, qsizetype end)
{
    // One system call per file is most of the time a large drop takes, so a large one is
    // read on two threads.
    FileItem *const files = m_files.data(); // detached here, once, before any thread starts
    FileMover *const mover = m_mover.get();
    const auto read = [files, mover](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            if (!files[i].path.isEmpty())
                files[i].identity = mover->identity(files[i].path);
        }
    };
    constexpr qsizetype worthAThread = 4096;
    if (end - begin < worthAThread || std::thread::hardware_concurrency() < 2) {
        read(begin, end);
        return;
    }
    const qsizetype middle = begin + (end - begin) / 2;
    std::thread second(read, middle, end);
    read(begin, middle);
    second.join();
}

void RenameEngine::setFileChooser(FileChooser chooser)
{
    m_fileChooser = std::move(chooser);
}

void RenameEngine::browseFiles()
{
    if (!m_fileChooser)
        return;
    QPointer<RenameEngine> self(this);
    m_fileChooser([self](const QList<QUrl> &urls) {
        if (self)
            self->addFiles(urls);
    });
}

void RenameEngine::removeSelectedFiles()
{
    if (isBusy())
        return;
    if (!m_selectedFiles.isEmpty()) {
        m_files.removeIf(
            [this](const FileItem &item) { return m_selectedFiles.contains(item.id); });
        if (m_files.isEmpty())
            m_timedOutSteps.clear(); // no name left for a pattern to run out of time on
        Q_EMIT filesChanged();
    }
    m_selectedFiles.clear();
    Q_EMIT selectedFilesChanged();
    updatePreview();
}

void RenameEngine::clearAll()
{
    if (isBusy())
        return;
    // Everything is emptied before anyone hears of it, so views that read the history when
    // the files change already find it empty.
    m_files.clear();
    m_selectedFiles.clear();
    m_undoStack.clear();
    m_timedOutSteps.clear();
    Q_EMIT filesChanged();
    Q_EMIT selectedFilesChanged();
}

void RenameEngine::toggleSelection(const QUuid &fileId)
{
    if (!m_selectedFiles.remove(fileId))
        m_selectedFiles.insert(fileId);
    Q_EMIT selectedFilesChanged();
}

void RenameEngine::deselectAll()
{
    m_selectedFiles.clear();
    Q_EMIT selectedFilesChanged();
}

// ---------------------------------------------------------------------------------------
// The operation stack

void RenameEngine::addOperation()
{
    m_operations.append(RenameOperationWrapper());
    Q_EMIT operationsChanged();
    updatePreview();
}

void RenameEngine::removeOperation(qsizetype index)
{
    if (index < 0 || index >= m_operations.size())
        return;
    m_operations.removeAt(index);
    Q_EMIT operationsChanged();
    updatePreview();
}

void RenameEngine::setOperation(qsizetype index, const RenameOperationWrapper &operation)
{
    if (index < 0 || index >= m_operations.size() || m_operations.at(index) == operation)
        return;
    m_operations[index] = operation;
    // The time-out belongs to the step as it was; the next preview judges it afresh.
    m_timedOutSteps.remove(index);
    Q_EMIT operationsChanged();
}

QString RenameEngine::patternProblem(qsizetype index) const
{
    if (index < 0 || index >= m_operations.size())
        return {};
    const RenameOperationWrapper &operation = m_operations.at(index);
    if (operation.mode != RenameMode::regex)
        return {};
    const QString error = NameTransformer::patternError(operation.regexPattern);
    if (!error.isEmpty())
        return error;
    if (m_timedOutSteps.contains(index))
        return QStringLiteral("This pattern takes too long to match.");
    return {};
}

// ---------------------------------------------------------------------------------------
// Queries

bool RenameEngine::hasPendingFiles() const
{
    return std::any_of(m_files.cbegin(), m_files.cend(),
                       [](const FileItem &item) { return item.status == RenameStatus::pending; });
}

bool RenameEngine::hasChanges() const
{
    return std::any_of(m_files.cbegin(), m_files.cend(),
                       [](const FileItem &item) { return item.newName != item.originalName; });
}

qsizetype RenameEngine::conflictCount() const
{
    return std::count_if(m_files.cbegin(), m_files.cend(), [](const FileItem &item) {
        return item.status == RenameStatus::conflict;
    });
}

qsizetype RenameEngine::errorCount() const
{
    return std::count_if(m_files.cbegin(), m_files.cend(),
                         [](const FileItem &item) { return item.status == RenameStatus::error; });
}

// ---------------------------------------------------------------------------------------
// Preview

void RenameEngine::updatePreview()
{
    m_timedOutSteps.clear();
    if (m_files.isEmpty())
        return;
    const NameTransformer transformer(m_operations);
    // A step that runs out of time on one name leaves every name unchanged, so the names
    // that went through it before then go through the stack again.
    for (qsizetype timedOut = -1; timedOut != transformer.timedOutSteps();) {
        timedOut = transformer.timedOutSteps();
        for (qsizetype i = 0; i < m_files.size(); ++i)
            m_files[i].newName = transformer.apply(m_files[i].originalName, i);
    }
    if (transformer.timedOutSteps() > 0) {
        for (qsizetype step = 0; step < m_operations.size(); ++step) {
            if (transformer.hasTimedOut(step))
                m_timedOutSteps.insert(step);
        }
    }

    NameValidation::judge(m_files);
    Q_EMIT filesChanged();
}

// ---------------------------------------------------------------------------------------
// Renaming and undo

RenameEngine::RenamePlan RenameEngine::planRename()
{
    RenamePlan plan;
    const qsizetype count = m_files.size();
    for (qsizetype i = 0; i < count; ++i) {
        FileItem &item = m_files[i];
        if (item.status != RenameStatus::pending) {
            ++plan.failed;
            continue;
        }
        const QByteArray &source = item.path;
        if (source.isEmpty()) {
            item.status = RenameStatus::error;
            item.errorMessage = QStringLiteral("Only files on this computer can be renamed.");
            ++plan.failed;
            continue;
        }
        // An unchanged name keeps the exact bytes, which its decoded text may not hold.
        const std::optional<QByteArray> name = item.newName == item.originalName
                                                   ? LocalPath::nameOf(source)
                                                   : LocalPath::encodeName(item.newName);
        if (!name) {
            item.status = RenameStatus::error;
            item.errorMessage =
                QStringLiteral("The name contains a character that is not allowed.");
            ++plan.failed;
            continue;
        }
        plan.moves.append({source, LocalPath::withName(source, *name), item.identity, true});
        plan.rows.append(i);
        plan.newNames.append(item.newName);
    }
    return plan;
}

std::pair<qsizetype, qsizetype> RenameEngine::performRename(const ProgressCallback &progress)
{
    if (isBusy())
        return {0, 0};
    const RenamePlan plan = planRename();
    QList<BatchMover::Outcome> results;
    if (!plan.moves.isEmpty())
        results = BatchMover(*m_mover, MoveJournal::Kind::batch).run(plan.moves, progress);
    return applyRename(plan, results);
}

std::pair<qsizetype, qsizetype> RenameEngine::applyRename(const RenamePlan &plan,
                                                          const QList<BatchMover::Outcome> &results)
{
    qsizetype renamed = 0;
    qsizetype failed = plan.failed;
    const QList<BatchMover::Move> &moves = plan.moves;
    UndoOperation undo;
    if (!moves.isEmpty()) {
        QList<qsizetype> succeeded;
        MovedFolders movedFolders;
        for (qsizetype m = 0; m < moves.size(); ++m) {
            FileItem &item = m_files[plan.rows[m]];
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
            item.url = LocalPath::toUrl(item.path);
            item.identity = result.identity;
            item.originalName = plan.newNames[m];
            item.newName = plan.newNames[m];
            item.status = RenameStatus::success;
            item.errorMessage.reset();
            ++renamed;
        }
        followMovedFolders(m_files, movedFolders, *m_mover);

        std::sort(succeeded.begin(), succeeded.end(), [&](qsizetype a, qsizetype b) {
            return results[a].sequence < results[b].sequence;
        });
        undo.entries.reserve(succeeded.size());
        undo.renames.reserve(succeeded.size());
        for (qsizetype m : std::as_const(succeeded)) {
            const QByteArray oldName = LocalPath::nameOf(moves[m].sourcePath);
            if (movedFolders.isEmpty()) {
                undo.entries.append({moves[m].destinationPath, oldName, results[m].identity});
                undo.renames.insert(m_files[plan.rows[m]].url, LocalPath::display(oldName));
                continue;
            }
            const QByteArray path = followMovedFolders(moves[m].destinationPath, movedFolders);
            undo.entries.append({path, oldName, results[m].identity});
            undo.renames.insert(LocalPath::toUrl(path), LocalPath::display(oldName));
        }
    }

    if (!undo.entries.isEmpty()) {
        undo.timestamp = QDateTime::currentDateTime();
        m_undoStack.append(std::move(undo));
        while (m_undoStack.size() > maxUndoOperations)
            m_undoStack.removeFirst();
    }
    Q_EMIT filesChanged();
    return {renamed, failed};
}

RenameJob *RenameEngine::startRename()
{
    if (isBusy() || !hasPendingFiles())
        return nullptr;
    return startJob(int(RenameJob::Kind::rename), planRename());
}

RenameJob *RenameEngine::startUndo(qsizetype index)
{
    if (isBusy() || index < 0 || index >= m_undoStack.size())
        return nullptr;
    return startJob(int(RenameJob::Kind::undo), planUndo(m_undoStack.takeAt(index)));
}

RenameJob *RenameEngine::startJob(int kind, RenamePlan plan)
{
    const auto jobKind = RenameJob::Kind(kind);
    QList<BatchMover::Move> moves = plan.moves;
    auto complete = [this, jobKind, plan = std::move(plan)](const auto &results) {
        RenameJob::Summary summary;
        if (jobKind == RenameJob::Kind::rename)
            std::tie(summary.renamed, summary.failed) = applyRename(plan, results);
        else
            summary.undone = applyUndo(plan, results);
        return summary;
    };
    m_job = new RenameJob(jobKind, *m_mover, std::move(moves), std::move(complete), this);
    connect(m_job, &RenameJob::finished, this, [this, job = m_job] {
        m_job = nullptr;
        job->deleteLater();
        Q_EMIT busyChanged(false);
    });
    Q_EMIT busyChanged(true);
    m_job->start();
    return m_job;
}

void RenameEngine::followStrandedFile(FileItem &item, const QByteArray &sourcePath,
                                      const QByteArray &currentPath)
{
    // A file that stepped aside for a swap or a cycle and could go neither forward nor
    // back stays under its temporary name. Its row must follow it there: its old place now
    // holds another file, which a later rename of this row would otherwise move.
    if (currentPath.isEmpty() || currentPath == sourcePath)
        return;
    item.path = currentPath;
    item.url = LocalPath::toUrl(currentPath);
    item.originalName = LocalPath::display(LocalPath::nameOf(currentPath));
    item.identity = m_mover->identity(currentPath);
}

bool RenameEngine::canUndo() const
{
    return !m_undoStack.isEmpty();
}

bool RenameEngine::undoLastRename(const ProgressCallback &progress)
{
    if (isBusy() || m_undoStack.isEmpty())
        return false;
    const UndoOperation operation = m_undoStack.takeLast();
    return revertUndoOperation(operation, progress);
}

bool RenameEngine::undoRename(qsizetype index, const ProgressCallback &progress)
{
    if (isBusy() || index < 0 || index >= m_undoStack.size())
        return false;
    const UndoOperation operation = m_undoStack.takeAt(index);
    return revertUndoOperation(operation, progress);
}

bool RenameEngine::revertUndoOperation(const UndoOperation &operation,
                                       const ProgressCallback &progress)
{
    if (isBusy())
        return false;
    const RenamePlan plan = planUndo(operation);
    QList<BatchMover::Outcome> results;
    if (!plan.moves.isEmpty())
        results = BatchMover(*m_mover, MoveJournal::Kind::undo).run(plan.moves, progress);
    return applyUndo(plan, results);
}

RenameEngine::RenamePlan RenameEngine::planUndo(const UndoOperation &operation) const
{
    // Which listed file stands at each recorded place, looked up before anything moves:
    // within a swap, a file's new place is the old place of another.
    QHash<QByteArray, qsizetype> firstFileAt;
    firstFileAt.reserve(m_files.size());
    for (qsizetype i = m_files.size() - 1; i >= 0; --i)
        firstFileAt.insert(m_files[i].path, i);

    // Newest move first: the batch is taken back in the reverse of the order it was made.
    QList<BatchMover::Move> moves;
    moves.reserve(operation.entries.size());
    for (auto it = operation.entries.crbegin(); it != operation.entries.crend(); ++it)
        moves.append(
            {it->path, LocalPath::withName(it->path, it->originalName), it->identity, true});
    if (operation.entries.isEmpty()) {
        // An entry built from names alone: nothing tells which item each one was.
        for (auto it = operation.renames.cbegin(); it != operation.renames.cend(); ++it) {
            const QByteArray source = LocalPath::fromUrl(it.key());
            const std::optional<QByteArray> name = LocalPath::encodeName(it.value());
            if (!source.isEmpty() && name)
                moves.append({source, LocalPath::withName(source, *name), std::nullopt, false});
        }
    }
    QList<qsizetype> rows; // the listed file at each recorded place, or -1
    rows.reserve(moves.size());
    for (const BatchMover::Move &move : std::as_const(moves))
        rows.append(firstFileAt.value(move.sourcePath, -1));
    return {moves, rows, {}, 0};
}

bool RenameEngine::applyUndo(const RenamePlan &plan, const QList<BatchMover::Outcome> &results)
{
    const QList<BatchMover::Move> &moves = plan.moves;
    qsizetype reverted = 0;
    MovedFolders movedFolders;
    for (qsizetype m = 0; m < moves.size(); ++m) {
        FileItem *item = plan.rows[m] >= 0 ? &m_files[plan.rows[m]] : nullptr;
        if (!results[m].succeeded) {
            const QString reason =
                results[m].replaced
                    ? QStringLiteral("“%1” now holds another item than the one that was renamed.")
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
            item->originalName = LocalPath::display(LocalPath::nameOf(item->path));
            item->newName = item->originalName;
        }
        ++reverted;
    }
    followMovedFolders(m_files, movedFolders, *m_mover);
    updatePreview();
    if (m_files.isEmpty())
        Q_EMIT filesChanged();
    return reverted > 0;
}

RecoveryReport RenameEngine::recoverInterruptedBatches()
{
    return BatchRecovery(*m_mover).run(MoveJournal::folder());
}

// ---------------------------------------------------------------------------------------
// Workflows

const QMap<QString, QList<RenameOperationWrapper>> &RenameEngine::savedWorkflows() const
{
    return m_workflows->workflows();
}

bool RenameEngine::saveWorkflow(const QString &name)
{
    m_workflows->insert(name, m_operations);
    Q_EMIT savedWorkflowsChanged();
    return persistSavedWorkflows();
}

void RenameEngine::loadWorkflow(const QString &name)
{
    const QList<RenameOperationWrapper> *operations = m_workflows->find(name);
    if (!operations)
        return;
    m_operations = *operations;
    Q_EMIT operationsChanged();
    updatePreview();
}

void RenameEngine::deleteWorkflow(const QString &name)
{
    if (m_workflows->remove(name))
        Q_EMIT savedWorkflowsChanged();
    persistSavedWorkflows();
}

void RenameEngine::renameWorkflow(const QString &oldName, const QString &newName)
{
    // One write with the result, so that no moment on disk lacks the workflow.
    if (!m_workflows->rename(oldName, newName))
        return;
    Q_EMIT savedWorkflowsChanged();
    persistSavedWorkflows();
}

void RenameEngine::loadSystemWorkflow(SystemWorkflow workflow)
{
    m_operations = SystemWorkflows::operations(workflow);
    Q_EMIT operationsChanged();
    updatePreview();
}

bool RenameEngine::hasSavedWorkflow(const QString &name) const
{
    return m_workflows->contains(name);
}

QStringList RenameEngine::savedWorkflowNames() const
{
    return m_workflows->names();
}

bool RenameEngine::persistSavedWorkflows()
{
    if (const std::optional<QString> failure = m_workflows->persist()) {
        Q_EMIT workflowsNotSaved(*failure);
        return false;
    }
    return true;
}

void RenameEngine::loadSavedWorkflows()
{
    if (m_workflows->load())
        Q_EMIT savedWorkflowsChanged();
}
