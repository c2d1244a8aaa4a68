#include "renameengine.h"

#include "disk/filemover.h"
#include "disk/posixfilemover.h"
#include "names/fileinfostep.h"
#include "names/regexproblem.h"
#include "preview/preview.h"
#include "workflows/settingspreferencesstore.h"
#include "workflows/systemworkflow.h"

#include <QCoreApplication>

#include <memory>
#include <utility>

RenameEngine::RenameEngine(QObject *parent)
    : RenameEngine(std::make_unique<SettingsPreferencesStore>(), std::make_unique<PosixFileMover>(),
                   parent)
{
}

RenameEngine::RenameEngine(std::unique_ptr<PreferencesStore> preferences,
                           std::unique_ptr<FileMover> mover, QObject *parent)
    : QObject(parent), m_workflows(std::make_unique<WorkflowLibrary>(std::move(preferences))),
      m_mover(std::move(mover)), m_batches(std::make_unique<BatchRunner>(*m_mover, m_files)),
      m_preview(std::make_unique<Preview>(m_files, [this] { return isBusy(); })),
      m_fileInfo(std::make_unique<FileInfoFollower>(m_files, *m_preview, *m_batches)),
      m_order(std::make_unique<FileListOrder>(m_files, *m_fileInfo, [this] { return isBusy(); })),
      m_adder(std::make_unique<FileAdder>(m_files, *m_mover, *m_batches))
{
    connect(m_workflows.get(), &WorkflowLibrary::changed, this,
            &RenameEngine::savedWorkflowsChanged);
    connect(m_workflows.get(), &WorkflowLibrary::notSaved, this, &RenameEngine::workflowsNotSaved);
    connect(m_batches.get(), &BatchRunner::busyChanged, this, &RenameEngine::busyChanged);
    connect(m_batches.get(), &BatchRunner::diskChanging, m_preview.get(), &Preview::dropDiskChecks);
    connect(m_batches.get(), &BatchRunner::renameTakenIn, this, [this] {
        if (!m_files.isEmpty())
            Q_EMIT filesUpdated(0, m_files.size() - 1);
        Q_EMIT filesChanged();
    });
    connect(m_batches.get(), &BatchRunner::undoTakenIn, this, [this] {
        updatePreview();
        if (m_files.isEmpty())
            Q_EMIT filesChanged();
    });
    // Connected first, so that every other receiver of the signal reads fresh counts.
    connect(this, &RenameEngine::filesChanged, m_preview.get(), &Preview::rowsChanged);
    connect(m_preview.get(), &Preview::statusesChanged, this,
            [this](qsizetype first, qsizetype last) {
                Q_EMIT filesUpdated(first, last);
                Q_EMIT filesChanged();
            });
    connect(m_fileInfo.get(), &FileInfoFollower::previewDue, this, &RenameEngine::updatePreview);
    connect(m_order.get(), &FileListOrder::aboutToReorder, this,
            &RenameEngine::filesAboutToBeReordered);
    connect(m_order.get(), &FileListOrder::reordered, this, &RenameEngine::takeInNewOrder);
    connect(m_adder.get(), &FileAdder::added, this, &RenameEngine::takeInAddedRows);
    addOperation();
    loadSavedWorkflows();
}

RenameEngine::~RenameEngine() = default;

// ---------------------------------------------------------------------------------------
// The file list and selection

void RenameEngine::takeInAddedRows(qsizetype added)
{
    if (added > 0) {
        ++m_rowsVersion;
        Q_EMIT filesAppended(m_files.size() - added, added);
        Q_EMIT filesChanged();
    }
    updatePreview();
}

void RenameEngine::removeSelectedFiles()
{
    if (isBusy())
        return;
    const QList<RowSpan> removed = ListedFiles::remove(m_files, m_selectedFiles);
    if (!removed.isEmpty())
        ++m_rowsVersion;
    // The selection goes first, so that views let go of it at once rather than run by run
    // as the rows leave.
    m_selectedFiles.clear();
    Q_EMIT selectedFilesChanged();
    if (!removed.isEmpty()) {
        Q_EMIT filesRemoved(removed);
        Q_EMIT filesChanged();
    }
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
    m_batches->clearHistory();
    Q_EMIT filesCleared();
    Q_EMIT filesChanged();
    Q_EMIT selectedFilesChanged();
}

void RenameEngine::takeInNewOrder(const std::vector<qsizetype> &order)
{
    // What was worked out for each row (its folder, the disk's finding, the kept preview)
    // goes with it, so that the preview redoes only what depends on a row's position.
    m_preview->reorder(order, m_rowsVersion);
    Q_EMIT filesReordered();
    Q_EMIT filesChanged();
    updatePreview();
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

QStringList RenameEngine::namesAfterEachStep(qsizetype row) const
{
    return m_preview->namesAfterEachStep(m_operations, row);
}

QString RenameEngine::patternProblem(qsizetype index) const
{
    if (index < 0 || index >= m_operations.size())
        return {};
    if (m_operations.at(index).mode == RenameMode::fileInfo)
        return FileInfoStep::formatProblem(m_operations.at(index));
    return RegexProblem::ofStep(m_operations.at(index), m_preview->hasTimedOut(index));
}

QString RenameEngine::replacementProblem(qsizetype index) const
{
    if (index < 0 || index >= m_operations.size())
        return {};
    return RegexProblem::ofTemplate(m_operations.at(index));
}

// ---------------------------------------------------------------------------------------
// Queries

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
    if (m_files.isEmpty())
        return;
    Q_EMIT filesUpdated(0, m_files.size() - 1);
    Q_EMIT filesChanged();
}

bool RenameEngine::setEditedNames(const QStringList &names)
{
    if (isBusy() || !m_preview->setNames(names, m_rowsVersion))
        return false;
    if (!m_files.isEmpty())
        Q_EMIT filesUpdated(0, m_files.size() - 1);
    Q_EMIT filesChanged();
    return true;
}

RenameJob *RenameEngine::startRename()
{
    if (isBusy())
        return nullptr;
    if (isReadingFileInfo())
        return m_fileInfo->startWaitingRename();
    return hasPendingFiles() ? m_batches->startRename() : nullptr;
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

void RenameEngine::setPreviewReuse(PreviewReuse reuse)
{
    m_preview->setKeepingRows(reuse == PreviewReuse::keptForEdits);
}

// ---------------------------------------------------------------------------------------
// Workflows

void RenameEngine::loadWorkflow(const QString &name)
{
    if (const QList<RenameOperationWrapper> *operations = m_workflows->find(name))
        replaceOperations(*operations);
}

void RenameEngine::loadSystemWorkflow(SystemWorkflow workflow)
{
    replaceOperations(SystemWorkflows::operations(workflow));
}

void RenameEngine::replaceOperations(const QList<RenameOperationWrapper> &operations)
{
    m_operations = operations;
    Q_EMIT operationsChanged();
    updatePreview();
}
