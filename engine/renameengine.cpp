#include "renameengine.h"

#include "disk/batchmover.h"
#include "disk/filemover.h"
#include "disk/posixfilemover.h"
#include "files/listedfiles.h"
#include "names/nametransformer.h"
#include "names/namevalidation.h"
#include "names/regexproblem.h"
#include "preview/parallelranges.h"
#include "preview/previewcache.h"
#include "workflows/settingspreferencesstore.h"
#include "workflows/systemworkflow.h"

#include <QCoreApplication>

#include <malloc.h>

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
    : QObject(parent), m_workflows(std::make_unique<WorkflowLibrary>(std::move(preferences))),
      m_mover(std::move(mover)), m_batches(std::make_unique<BatchRunner>(*m_mover, m_files)),
      m_previewCache(std::make_unique<PreviewCache>()), m_diskChecks(std::make_unique<DiskChecks>())
{
    connect(m_workflows.get(), &WorkflowLibrary::changed, this,
            &RenameEngine::savedWorkflowsChanged);
    connect(m_workflows.get(), &WorkflowLibrary::notSaved, this, &RenameEngine::workflowsNotSaved);
    connect(m_batches.get(), &BatchRunner::busyChanged, this, &RenameEngine::busyChanged);
    connect(m_batches.get(), &BatchRunner::diskChanging, this, &RenameEngine::dropDiskChecks);
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
    m_diskCheckTimer.setSingleShot(true);
    m_diskCheckTimer.setInterval(diskCheckDelayMilliseconds);
    connect(&m_diskCheckTimer, &QTimer::timeout, this, &RenameEngine::startDiskChecks);
    // Connected first, so that every other receiver of the signal reads fresh counts.
    // A preview tells the counts it made; any other change has them counted when first read.
    connect(this, &RenameEngine::filesChanged, this,
            [this] { m_statusCounts = std::exchange(m_previewCounts, std::nullopt); });
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
    return m_batches->launch(
        new RenameJob(RenameJob::Kind::add, urls.size(), std::move(work), std::move(complete)));
}

void RenameEngine::removeSelectedFiles()
{
    if (isBusy())
        return;
    // The runs of selected rows, for the views to drop the same rows.
    QList<RowSpan> removed;
    for (qsizetype row = 0; !m_selectedFiles.isEmpty() && row < m_files.size(); ++row) {
        if (!m_selectedFiles.contains(m_files.at(row).id))
            continue;
        if (!removed.isEmpty() && removed.last().first + removed.last().count == row)
            ++removed.last().count;
        else
            removed.append({row, 1});
    }
    if (!removed.isEmpty()) {
        m_files.removeIf(
            [this](const FileItem &item) { return m_selectedFiles.contains(item.id); });
        if (m_files.isEmpty())
            m_timedOutSteps.clear(); // no name left for a pattern to run out of time on
        ++m_rowsVersion;
    }
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
    m_previewCache->clear();
    m_selectedFiles.clear();
    m_batches->clearHistory();
    m_timedOutSteps.clear();
    dropDiskChecks();
    m_keptFindings.clear();
    m_folderIgnoresCase.clear();
    Q_EMIT filesCleared();
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
    m_timedOutSteps.remove(index);
    dropDiskChecks();
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
    if (m_timedOutSteps.contains(index))
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

const RenameEngine::StatusCounts &RenameEngine::statusCounts() const
{
    if (!m_statusCounts) {
        StatusCounts counts;
        for (const FileItem &item : m_files) {
            if (item.status == RenameStatus::conflict)
                ++counts.conflicts;
            else if (item.status == RenameStatus::error)
                ++counts.errors;
        }
        m_statusCounts = counts;
    }
    return *m_statusCounts;
}

qsizetype RenameEngine::conflictCount() const
{
    return statusCounts().conflicts;
}

qsizetype RenameEngine::errorCount() const
{
    return statusCounts().errors;
}

// ---------------------------------------------------------------------------------------
// Preview

void RenameEngine::updatePreview()
{
    m_timedOutSteps.clear();
    dropDiskChecks();
    if (m_files.isEmpty()) {
        m_previewCache->clear();
        m_keptFindings.clear();
        return;
    }
    const ListedFolders &folders = listedFolders();
    // A list of moderate size is previewed from what the last preview worked out.
    if (m_files.size() <= PreviewCache::maximumRows) {
        if (const auto counts = m_previewCache->update(m_files, m_operations, folders)) {
            finishPreview(counts->conflicts, counts->errors);
            return;
        }
    } else {
        m_previewCache->clear();
    }
    // Each piece of the list goes through a transformer of its own (compiled patterns are
    // not shared between threads). A step that runs out of time on one name leaves every
    // name unchanged, so when a piece finds such a step, the whole list goes through the
    // stack again with that step left out.
    constexpr qsizetype minimumPiece = 4096;
    constexpr qsizetype lookAhead = 8; // rows whose names are fetched ahead of their turn
    const qsizetype count = m_files.size();
    FileItem *const files = m_files.data(); // detached here, before any thread starts
    const qsizetype pieces = ParallelRanges::pieceCount(count, minimumPiece);
    // What judging needs of each new name is worked out as soon as the name is made.
    NameValidation::Keys keys(count, pieces, folders);
    for (;;) {
        std::vector<QSet<qsizetype>> foundTimedOut(static_cast<size_t>(pieces));
        ParallelRanges::run(
            count, minimumPiece, [&](qsizetype piece, qsizetype begin, qsizetype end) {
                NameTransformer transformer(m_operations);
                for (const qsizetype step : std::as_const(m_timedOutSteps))
                    transformer.markTimedOut(step);
                NameTransformer::Buffers buffers;
                keys.keysOfPiece[size_t(piece)].clear();
                for (qsizetype i = begin; i < end; ++i) {
                    if (i + lookAhead < end) {
                        __builtin_prefetch(files[i + lookAhead].originalName.constData());
                        __builtin_prefetch(files[i + lookAhead].newName.constData());
                    }
                    NameTransformer::keep(files[i].newName,
                                          transformer.apply(files[i].originalName, i, buffers),
                                          files[i].originalName);
                    NameValidation::addKey(keys, piece, i, files[i].newName);
                }
                for (qsizetype step = 0; step < m_operations.size(); ++step) {
                    if (transformer.hasTimedOut(step) && !m_timedOutSteps.contains(step))
                        foundTimedOut[size_t(piece)].insert(step);
                }
            });
        const qsizetype known = m_timedOutSteps.size();
        for (const QSet<qsizetype> &steps : foundTimedOut)
            m_timedOutSteps.unite(steps);
        if (m_timedOutSteps.size() == known)
            break;
    }

    const NameValidation::Counts counts = NameValidation::judge(m_files, std::move(keys));
    finishPreview(counts.conflicts, counts.errors);
    releaseFreedMemory();
}

const ListedFolders &RenameEngine::listedFolders()
{
    if (m_foldersOfRows == m_rowsVersion)
        return m_folders;
    // Rows came or went: row numbers no longer say which file a finding was for.
    m_keptFindings.clear();
    m_folders = ListedFolders(m_files, [this](const QByteArray &folder, const QByteArray &path) {
        auto known = m_folderIgnoresCase.find(folder);
        if (known == m_folderIgnoresCase.end())
            known = m_folderIgnoresCase.insert(folder, PosixFileMover::ignoresCase(path));
        return *known;
    });
    m_foldersOfRows = m_rowsVersion;
    return m_folders;
}

void RenameEngine::finishPreview(qsizetype conflicts, qsizetype errors)
{
    // A row the disk found a problem with keeps it while its new name stays the same and
    // nothing else is wrong with it; the next check says whether it still holds.
    m_keptFindings.removeIf([this](QHash<qsizetype, KeptFinding>::iterator it) {
        const FileItem &item = m_files.at(it.key());
        return item.status != RenameStatus::pending || item.newName != it->newName;
    });
    for (auto it = m_keptFindings.cbegin(); it != m_keptFindings.cend(); ++it) {
        FileItem &item = m_files[it.key()];
        item.status = RenameStatus::error;
        item.errorMessage = DiskChecks::message(it->problem);
        ++errors;
    }
    m_previewCounts = StatusCounts{conflicts, errors};
    Q_EMIT filesUpdated(0, m_files.size() - 1);
    Q_EMIT filesChanged();
    if (m_diskChecking == DiskChecking::inBackground)
        m_diskCheckTimer.start();
}

void RenameEngine::setDiskChecking(DiskChecking checking)
{
    m_diskChecking = checking;
    if (checking == DiskChecking::onRequest)
        dropDiskChecks();
}

std::vector<DiskChecks::Candidate> RenameEngine::diskCheckCandidates() const
{
    // The rows a batch would move to a new name: pending, or held back only by what the
    // disk said before.
    std::vector<DiskChecks::Candidate> candidates;
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        const FileItem &item = m_files.at(i);
        const bool wouldMove = item.status == RenameStatus::pending ||
                               (item.status == RenameStatus::error && m_keptFindings.contains(i));
        if (wouldMove && !item.path.isEmpty() && item.newName != item.originalName)
            candidates.push_back(
                {i, item.path, item.newName, m_folders.ignoresCase(m_folders.folderOf(i))});
    }
    return candidates;
}

void RenameEngine::startDiskChecks()
{
    if (isBusy() || m_files.isEmpty())
        return;
    const quint64 request = m_diskCheckRequest;
    m_diskChecks->start(diskCheckCandidates(), [this, request](const DiskChecks::Findings &found) {
        if (request == m_diskCheckRequest && !isBusy())
            takeInFindings(found);
    });
}

void RenameEngine::checkOnDisk()
{
    dropDiskChecks();
    if (isBusy())
        return;
    if (const std::optional<DiskChecks::Findings> found = DiskChecks::run(diskCheckCandidates()))
        takeInFindings(*found);
}

void RenameEngine::dropDiskChecks()
{
    ++m_diskCheckRequest;
    m_diskCheckTimer.stop();
    m_diskChecks->cancel();
}

void RenameEngine::takeInFindings(const DiskChecks::Findings &findings)
{
    // The rows that changed lie from `first` to `last`.
    qsizetype first = m_files.size();
    qsizetype last = -1;
    const auto changed = [&](qsizetype row) {
        first = qMin(first, row);
        last = qMax(last, row);
    };
    // What the disk said before is replaced by what it says now.
    for (auto it = m_keptFindings.cbegin(); it != m_keptFindings.cend(); ++it) {
        if (it.key() >= m_files.size())
            continue;
        FileItem &item = m_files[it.key()];
        if (item.status != RenameStatus::error || item.newName != it->newName)
            continue;
        item.status = RenameStatus::pending;
        item.errorMessage.reset();
        changed(it.key());
    }
    m_keptFindings.clear();
    for (const DiskChecks::Finding &finding : findings) {
        FileItem &item = m_files[finding.row];
        item.status = RenameStatus::error;
        item.errorMessage = DiskChecks::message(finding.problem);
        m_keptFindings.insert(finding.row, {item.newName, finding.problem});
        changed(finding.row);
    }
    if (last < 0)
        return;
    m_statusCounts.reset();
    m_previewCounts.reset();
    Q_EMIT filesUpdated(first, last);
    Q_EMIT filesChanged();
}

void RenameEngine::releaseFreedMemory()
{
    // The names a preview replaces, and the URLs of a large drop once its caller lets go of
    // them, leave the allocator holding hundreds of megabytes that it does not give back by
    // itself. Handing the free pages back costs a few milliseconds, so only a list large
    // enough for them to matter pays it.
    constexpr qsizetype worthReleasing = 200'000;
    if (m_files.size() >= worthReleasing)
        ::malloc_trim(0);
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
