#include "renameengine.h"

#include "disk/batchmover.h"
#include "disk/filemover.h"
#include "disk/posixfilemover.h"
#include "fileinfo/fileinfoscheduler.h"
#include "files/listedfiles.h"
#include "names/fileinfostep.h"
#include "names/regexproblem.h"
#include "preview/preview.h"
#include "workflows/settingspreferencesstore.h"
#include "workflows/systemworkflow.h"

#include <QCoreApplication>

#include <algorithm>
#include <memory>
#include <utility>

namespace {
// How often answers of the file-info reads are shown while many files are read.
constexpr int fileInfoPreviewMilliseconds = 100;
} // namespace

RenameEngine::RenameEngine(QObject *parent)
    : RenameEngine(std::make_unique<SettingsPreferencesStore>(), std::make_unique<PosixFileMover>(),
                   parent)
{
}

RenameEngine::RenameEngine(std::unique_ptr<PreferencesStore> preferences,
                           std::unique_ptr<FileMover> mover, QObject *parent)
    : QObject(parent), m_workflows(std::make_unique<WorkflowLibrary>(std::move(preferences))),
      m_mover(std::move(mover)), m_batches(std::make_unique<BatchRunner>(*m_mover, m_files)),
      m_preview(std::make_unique<Preview>(m_files, [this] { return isBusy(); }))
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
    m_fileInfoPreview.setSingleShot(true);
    m_fileInfoPreview.setInterval(fileInfoPreviewMilliseconds);
    connect(&m_fileInfoPreview, &QTimer::timeout, this, &RenameEngine::fileInfoArrived);
    connect(&m_preview->fileInfo(), &FileInfoScheduler::arrived, this, [this] {
        if (m_waitingRename && m_waitingRename->isWaiting())
            m_waitingRename->setWaited(m_waitTotal - fileInfoReadingCount());
        // The last answers are shown at once; those before, together, once in a while.
        if (fileInfoReadingCount() == 0)
            fileInfoArrived();
        else if (!m_fileInfoPreview.isActive())
            m_fileInfoPreview.start();
    });
    addOperation();
    loadSavedWorkflows();
}

RenameEngine::~RenameEngine() = default;

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
        Q_EMIT filesAppended(m_files.size() - added, added);
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
        ListedFiles::appendInPieces(*rows, urls, *mover, progress);
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
    return m_batches->launch(
        new RenameJob(RenameJob::Kind::add, urls.size(), std::move(work), std::move(complete)));
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

void RenameEngine::sortFiles(SortKey key, Qt::SortOrder order)
{
    if (isBusy())
        return;
    if (key != SortKey::taken) {
        reorderFiles(FileOrder::sorted(m_files, key, order));
        return;
    }
    // Dates taken are in the files themselves: whatever is not read yet is read here, on
    // the workers, and kept for the next sort and the file-info steps.
    m_preview->fileInfo().readNow(m_files, FileInfoReader::Depth::everything);
    reorderFiles(
        FileOrder::sorted(m_files, key, order, [this](qsizetype row) { return dateTakenOf(row); }));
}

void RenameEngine::reverseFiles()
{
    if (isBusy())
        return;
    reorderFiles(FileOrder::reversed(m_files.size()));
}

void RenameEngine::moveFiles(const QList<QUuid> &ids, qsizetype destination)
{
    if (isBusy())
        return;
    reorderFiles(FileOrder::moved(m_files, QSet<QUuid>(ids.cbegin(), ids.cend()), destination));
}

void RenameEngine::moveSelectedFiles(int by)
{
    if (isBusy())
        return;
    reorderFiles(FileOrder::movedByOne(m_files, m_selectedFiles, by));
}

void RenameEngine::reorderFiles(const std::vector<qsizetype> &order)
{
    if (FileOrder::keepsPlaces(order))
        return;
    Q_EMIT filesAboutToBeReordered();
    FileOrder::apply(m_files, order);
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

bool RenameEngine::isReadingFileInfo() const
{
    return m_preview->readsFileInfo() && fileInfoReadingCount() > 0;
}

qsizetype RenameEngine::fileInfoReadingCount() const
{
    return m_preview->fileInfo().readingCount();
}

void RenameEngine::readFileInfoNow()
{
    if (!FileInfoStep::readsFileInfo(m_operations))
        return;
    m_preview->fileInfo().readNow(m_files, FileInfoStep::depthFor(m_operations));
    updatePreview();
}

std::optional<qint64> RenameEngine::dateTakenOf(qsizetype row) const
{
    if (row < 0 || row >= m_files.size())
        return std::nullopt;
    const std::optional<FileInfo> info = m_preview->fileInfo().infoOf(m_files.at(row).id);
    return info ? info->dateTaken : std::nullopt;
}

void RenameEngine::setFileInfoReader(FileInfoReading reader)
{
    m_preview->fileInfo().setReader(
        [reader = std::move(reader)](const QByteArray &path, FileInfoReader::Depth depth) {
            return reader(path, depth == FileInfoReader::Depth::everything);
        });
}

void RenameEngine::fileInfoArrived()
{
    m_fileInfoPreview.stop();
    // The rows of a batch that moves files stay as they are; one that waits for these
    // answers has not planned yet.
    const bool waiting = m_waitingRename && m_waitingRename->isWaiting();
    if (isBusy() && !waiting)
        return;
    updatePreview();
    if (waiting && fileInfoReadingCount() == 0)
        finishWaitingRename();
}

RenameJob *RenameEngine::startRename()
{
    if (isBusy())
        return nullptr;
    if (isReadingFileInfo()) {
        m_waitTotal = fileInfoReadingCount();
        m_waitingRename = m_batches->startWaitingRename(m_waitTotal);
        return m_waitingRename;
    }
    return hasPendingFiles() ? m_batches->startRename() : nullptr;
}

void RenameEngine::finishWaitingRename()
{
    RenameJob *job = std::exchange(m_waitingRename, nullptr);
    if (!job || !job->isWaiting())
        return;
    // The user agreed to rename names they had not seen: any problem they show now stops
    // the batch before its first move.
    const qsizetype problems = conflictCount() + errorCount();
    RenameJob::Summary stopped;
    if (problems > 0)
        stopped.refusal = QCoreApplication::translate(
            "RenameEngine",
            "Once their information was read, %n file(s) had conflicts or errors. Look at the "
            "list, then rename again.",
            nullptr, int(problems));
    else if (!hasPendingFiles() || !hasChanges())
        stopped.refusal = QCoreApplication::translate(
            "RenameEngine", "Once their information was read, no file would get a new name.");
    if (!stopped.refusal.isEmpty())
        job->stop(stopped);
    else
        m_batches->proceedRename(job);
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
