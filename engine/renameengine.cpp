#include "renameengine.h"

#include "disk/batchmover.h"
#include "disk/filemover.h"
#include "disk/posixfilemover.h"
#include "files/listedfiles.h"
#include "names/regexproblem.h"
#include "preview/preview.h"
#include "workflows/settingspreferencesstore.h"
#include "workflows/systemworkflow.h"
#include "workflows/workflowstore.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

RenameEngine::RenameEngine(QObject *parent)
    : RenameEngine(std::make_unique<SettingsPreferencesStore>(), std::make_unique<PosixFileMover>(),
                   parent)
{
}

RenameEngine::RenameEngine(std::unique_ptr<PreferencesStore> preferences,
                           std::unique_ptr<FileMover> mover, QObject *parent)
    : QObject(parent), m_workflows(std::make_unique<WorkflowStore>(std::move(preferences))),
      m_mover(std::move(mover)), m_history(std::make_unique<RenameHistory>(*m_mover)),
      m_preview(std::make_unique<Preview>(m_files, [this] { return isBusy(); }))
{
    // Connected first, so that every other receiver of the signal reads fresh counts.
    connect(this, &RenameEngine::filesChanged, m_preview.get(), &Preview::rowsChanged);
    connect(m_preview.get(), &Preview::statusesChanged, this, &RenameEngine::filesChanged);
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
    const qsizetype first = m_files.size();
    ListedFiles::append(m_files, urls, *m_mover);
    takeInAddedRows(urls.size() - ListedFiles::dropRepeats(m_files, first));
}

void RenameEngine::addLocalFiles(const QList<QByteArray> &paths)
{
    if (isBusy())
        return;
    const qsizetype first = m_files.size();
    ListedFiles::appendPaths(m_files, paths, *m_mover);
    takeInAddedRows(paths.size() - ListedFiles::dropRepeats(m_files, first));
}

void RenameEngine::takeInAddedRows(qsizetype added)
{
    if (added > 0) {
        ++m_rowsVersion;
        Q_EMIT filesChanged();
    }
    updatePreview();
}

RenameJob *RenameEngine::startAddingFiles(const QList<QUrl> &urls)
{
    if (isBusy())
        return nullptr;
    if (urls.size() < backgroundAddFrom) {
        addFiles(urls);
        return nullptr;
    }
    // The rows are made in pieces, so that the job can tell how far it got; nothing else
    // touches them until the worker is done.
    auto rows = std::make_shared<QList<FileItem>>();
    auto work = [rows, urls, mover = m_mover.get()](const BatchMover::Progress &progress) {
        constexpr qsizetype piece = 1 << 16;
        rows->reserve(urls.size());
        for (qsizetype start = 0; start < urls.size(); start += piece) {
            ListedFiles::append(*rows, urls.mid(start, piece), *mover);
            progress(rows->size(), urls.size());
        }
        return QList<BatchMover::Outcome>();
    };
    auto complete = [this, rows](const QList<BatchMover::Outcome> &) {
        const qsizetype first = m_files.size();
        if (m_files.isEmpty())
            m_files = std::move(*rows);
        else
            m_files.append(std::move(*rows));
        // The rows were made apart from the list; only now can they meet the ones listed.
        const qsizetype added = m_files.size() - first;
        takeInAddedRows(added - ListedFiles::dropRepeats(m_files, first));
        return RenameJob::Summary();
    };
    return launch(new RenameJob(RenameJob::Kind::add, urls.size(), std::move(work),
                                std::move(complete), this));
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
            self->startAddingFiles(urls);
    });
}

void RenameEngine::removeSelectedFiles()
{
    if (isBusy())
        return;
    if (!m_selectedFiles.isEmpty()) {
        m_files.removeIf(
            [this](const FileItem &item) { return m_selectedFiles.contains(item.id); });
        ++m_rowsVersion;
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
    ++m_rowsVersion;
    m_preview->clear();
    m_selectedFiles.clear();
    m_history->clear();
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
    RenameOperationWrapper operation;
    // A new step's number follows a word in the user's language; a step read from a stored
    // workflow keeps the word it was saved with.
    operation.sequenceBaseName = QCoreApplication::translate("RenameEngine", "File");
    m_operations.append(operation);
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
    m_preview->stepChanged(index);
    Q_EMIT operationsChanged();
}

QString RenameEngine::patternProblem(qsizetype index) const
{
    if (index < 0 || index >= m_operations.size())
        return {};
    const RenameOperationWrapper &operation = m_operations.at(index);
    if (operation.mode != RenameMode::regex)
        return {};
    const QString error = RegexProblem::inPattern(operation.regexPattern);
    if (!error.isEmpty())
        return error;
    if (m_preview->hasTimedOut(index))
        return tr("This pattern takes too long to match.");
    return {};
}

QString RenameEngine::replacementProblem(qsizetype index) const
{
    if (index < 0 || index >= m_operations.size())
        return {};
    const RenameOperationWrapper &operation = m_operations.at(index);
    if (operation.mode != RenameMode::regex)
        return {};
    return RegexProblem::inReplacement(operation.regexPattern, operation.regexReplacement);
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
    return m_preview->conflictCount();
}

qsizetype RenameEngine::errorCount() const
{
    return m_preview->errorCount();
}

// ---------------------------------------------------------------------------------------
// Preview

void RenameEngine::updatePreview()
{
    m_preview->update(m_operations, m_rowsVersion);
    if (!m_files.isEmpty())
        Q_EMIT filesChanged();
}

const Tuning &RenameEngine::tuning() const
{
    return m_preview->tuning();
}

void RenameEngine::setTuning(const Tuning &tuning)
{
    m_preview->setTuning(tuning);
}

void RenameEngine::setDiskChecking(DiskChecking checking)
{
    m_preview->setCheckingInBackground(checking == DiskChecking::inBackground);
}

void RenameEngine::checkOnDisk()
{
    m_preview->checkOnDisk();
}

// ---------------------------------------------------------------------------------------
// Renaming and undo

std::pair<qsizetype, qsizetype> RenameEngine::performRename(const ProgressCallback &progress,
                                                            const BeforeMoves &beforeMoves)
{
    if (isBusy())
        return {0, 0};
    const RenameHistory::Plan plan = m_history->planRename(m_files);
    if (beforeMoves && !plan.moves.isEmpty() && !beforeMoves(m_history->plannedUndo(plan))) {
        m_batchRefusal.clear();
        return {0, plan.failed};
    }
    return finishRename(plan, m_history->run(MoveJournal::Kind::batch, plan, progress));
}

std::pair<qsizetype, qsizetype>
RenameEngine::finishRename(const RenameHistory::Plan &plan,
                           const QList<BatchMover::Outcome> &results)
{
    m_batchRefusal = BatchMover::refusal(results);
    m_preview->dropDiskChecks();
    const std::pair<qsizetype, qsizetype> counts = m_history->applyRename(m_files, plan, results);
    Q_EMIT filesChanged();
    return counts;
}

RenameJob *RenameEngine::startRename()
{
    if (isBusy() || !hasPendingFiles())
        return nullptr;
    return startJob(RenameJob::Kind::rename, m_history->planRename(m_files));
}

RenameJob *RenameEngine::startUndo(qsizetype index)
{
    if (isBusy())
        return nullptr;
    std::optional<UndoOperation> operation = m_history->take(index);
    if (!operation)
        return nullptr;
    RenameHistory::Plan plan = m_history->planUndo(m_files, *operation);
    return startJob(RenameJob::Kind::undo, std::move(plan), {index, std::move(*operation)});
}

RenameJob *RenameEngine::startJob(RenameJob::Kind kind, RenameHistory::Plan plan,
                                  std::pair<qsizetype, UndoOperation> undone)
{
    const qsizetype total = plan.moves.size();
    const MoveJournal::Kind journal =
        kind == RenameJob::Kind::rename ? MoveJournal::Kind::batch : MoveJournal::Kind::undo;
    // Only the moves run on the worker; the plan is shared read-only between the two sides.
    auto work = [history = m_history.get(), journal, plan](const BatchMover::Progress &progress) {
        return history->run(journal, plan, progress);
    };
    auto complete = [this, kind, plan = std::move(plan),
                     undone = std::move(undone)](const auto &results) {
        RenameJob::Summary summary;
        if (kind == RenameJob::Kind::rename) {
            std::tie(summary.renamed, summary.failed) = finishRename(plan, results);
            summary.skipped = plan.skipped;
            summary.failed -= plan.skipped;
        } else {
            summary.undone = finishUndo(plan, results);
            // An undo that did not start stays on offer.
            if (!m_batchRefusal.isEmpty())
                m_history->putBack(undone.first, undone.second);
        }
        summary.refusal = m_batchRefusal;
        return summary;
    };
    return launch(new RenameJob(kind, total, std::move(work), std::move(complete), this));
}

RenameJob *RenameEngine::launch(RenameJob *job)
{
    // The moves change what is on disk; the rows are judged again after.
    m_preview->dropDiskChecks();
    m_job = job;
    connect(m_job, &RenameJob::finished, this, [this, job = m_job] {
        m_job = nullptr;
        job->deleteLater();
        Q_EMIT busyChanged(false);
    });
    Q_EMIT busyChanged(true);
    m_job->start();
    return m_job;
}

const QList<UndoOperation> &RenameEngine::undoStack() const
{
    return m_history->undoStack();
}

bool RenameEngine::canUndo() const
{
    return m_history->canUndo();
}

bool RenameEngine::undoLastRename(const ProgressCallback &progress)
{
    return undoRename(m_history->undoStack().size() - 1, progress);
}

bool RenameEngine::undoRename(qsizetype index, const ProgressCallback &progress)
{
    if (isBusy())
        return false;
    const std::optional<UndoOperation> operation = m_history->take(index);
    if (!operation)
        return false;
    const bool reverted = revertUndoOperation(*operation, progress);
    if (!m_batchRefusal.isEmpty())
        m_history->putBack(index, *operation);
    return reverted;
}

bool RenameEngine::revertUndoOperation(const UndoOperation &operation,
                                       const ProgressCallback &progress)
{
    if (isBusy())
        return false;
    const RenameHistory::Plan plan = m_history->planUndo(m_files, operation);
    return finishUndo(plan, m_history->run(MoveJournal::Kind::undo, plan, progress));
}

bool RenameEngine::finishUndo(const RenameHistory::Plan &plan,
                              const QList<BatchMover::Outcome> &results)
{
    m_batchRefusal = BatchMover::refusal(results);
    const bool reverted = m_history->applyUndo(m_files, plan, results);
    updatePreview();
    if (m_files.isEmpty())
        Q_EMIT filesChanged();
    return reverted;
}

RecoveryReport RenameEngine::recoverInterruptedBatches()
{
    return m_history->recoverInterruptedBatches();
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

bool RenameEngine::renameReplacesWorkflow(const QString &oldName, const QString &newName) const
{
    return m_workflows->contains(oldName) && m_workflows->contains(newName) &&
           WorkflowStore::canonicalName(oldName) != WorkflowStore::canonicalName(newName);
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
