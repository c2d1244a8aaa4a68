#include "preview/preview.h"

#include "disk/posixfilemover.h"
#include "names/fileinfostep.h"
#include "names/nametransformer.h"
#include "preview/changednames.h"
#include "preview/parallelranges.h"

#include <malloc.h>

#include <vector>

Preview::Preview(QList<FileItem> &files, std::function<bool()> busy, QObject *parent)
    : QObject(parent), m_files(files), m_diskChecks(files, m_folders, std::move(busy))
{
    m_diskChecks.setDelay(m_tuning.diskCheckDelayMilliseconds);
    connect(&m_diskChecks, &DiskCheckScheduler::statusesChanged, this,
            [this](qsizetype first, qsizetype last) {
                m_counts.reset();
                m_previewCounts.reset();
                Q_EMIT statusesChanged(first, last);
            });
}

bool Preview::updateFileInfo(const QList<RenameOperationWrapper> &operations, quint64 rowsVersion)
{
    std::vector<QUuid> arrived = m_fileInfo.takeArrived();
    m_readsFileInfo = FileInfoStep::readsFileInfo(operations);
    if (!m_readsFileInfo)
        return !m_infoPieces.clear();
    m_fileInfo.need(m_files, FileInfoStep::depthFor(operations), rowsVersion);
    return !m_infoPieces.update(m_files, operations, m_fileInfo, arrived, rowsVersion, m_tuning);
}

Preview::~Preview() = default;

void Preview::setTuning(const Tuning &tuning)
{
    m_tuning = tuning;
    m_cache.clear();
    m_diskChecks.setDelay(tuning.diskCheckDelayMilliseconds);
}

void Preview::setKeepingRows(bool keeping)
{
    m_keepsRows = keeping;
    if (!keeping)
        m_cache.clear();
}

void Preview::clear()
{
    m_cache.clear();
    m_fileInfo.clear();
    m_infoPieces.clear();
    m_timedOutSteps.clear();
    m_diskChecks.drop();
    m_diskChecks.forgetFindings();
    m_folderIgnoresCase.clear();
}

void Preview::reorder(const std::vector<qsizetype> &order, quint64 rowsVersion)
{
    m_diskChecks.reorder(order);
    m_infoPieces.reorder(order);
    if (m_foldersOfRows != rowsVersion || qsizetype(order.size()) != m_files.size()) {
        // Worked out for other rows than these: made again by the next update.
        m_foldersOfRows = ~quint64(0);
        m_cache.clear();
        m_diskChecks.forgetFindings();
        return;
    }
    m_folders.reorder(order);
    m_cache.reorder(order);
}

void Preview::stepChanged(qsizetype step)
{
    m_timedOutSteps.remove(step);
    m_diskChecks.drop();
}

void Preview::update(const QList<RenameOperationWrapper> &operations, quint64 rowsVersion)
{
    m_timedOutSteps.clear();
    m_diskChecks.drop();
    if (m_files.isEmpty()) {
        m_cache.clear();
        m_diskChecks.forgetFindings();
        return;
    }
    const ListedFolders &folders = listedFolders(rowsVersion);
    if (!updateFileInfo(operations, rowsVersion))
        m_cache.clear();
    std::optional<NameJudge::Counts> counts;
    // A list of moderate size is previewed from what the last preview worked out; that
    // fails only when a step ran out of time.
    if (m_keepsRows && m_files.size() <= m_tuning.cacheRows)
        counts = m_cache.update(m_files, operations, folders, m_infoPieces);
    else
        m_cache.clear();
    if (!counts) {
        counts = fromScratch(operations, folders);
        // The names a preview replaces, and the URLs of a large drop once its caller lets
        // go of them, leave the allocator holding hundreds of megabytes that it does not
        // give back by itself. Handing the free pages back costs a few milliseconds, so
        // only a list large enough for them to matter pays it.
        if (m_files.size() >= m_tuning.releaseMemoryRows)
            ::malloc_trim(0);
    }
    counts->errors += m_diskChecks.previewed();
    m_previewCounts = counts;
}

bool Preview::setNames(const QStringList &names, quint64 rowsVersion)
{
    if (names.size() != m_files.size())
        return false;
    m_diskChecks.drop();
    // What the cache kept of each row no longer leads to the row's name.
    m_cache.clear();
    for (qsizetype row = 0; row < names.size(); ++row)
        m_files[row].newName = names.at(row);
    NameJudge::Counts counts =
        NameJudge::judgeAll(m_files, listedFolders(rowsVersion), m_tuning, m_infoPieces.flags());
    counts.errors += m_diskChecks.previewed();
    m_previewCounts = counts;
    return true;
}

NameJudge::Counts Preview::fromScratch(const QList<RenameOperationWrapper> &operations,
                                       const ListedFolders &folders)
{
    // Each piece of the list goes through a transformer of its own (compiled patterns are
    // not shared between threads). A step that runs out of time on one name leaves every
    // name unchanged, so when a piece finds such a step, the whole list goes through the
    // stack again with that step left out.
    const qsizetype count = m_files.size();
    FileItem *const files = ParallelRanges::itemsToWrite(m_files);
    const int threads = m_tuning.threads;
    const qsizetype pieces = ParallelRanges::pieceCount(count, m_tuning.namePiece, threads);
    NameJudge judge(NameGroups::Texts::viewed, m_tuning);
    judge.reset(count);
    // What judging needs of each new name is worked out as soon as the name is made.
    ChangedNames changes(count, pieces, folders);
    changes.setFlags(m_infoPieces.flags());
    const auto prefetch = [files](qsizetype ahead) {
        __builtin_prefetch(files[ahead].originalName.constData());
        __builtin_prefetch(files[ahead].newName.constData());
    };
    for (;;) {
        std::vector<QSet<qsizetype>> foundTimedOut(static_cast<size_t>(pieces));
        ParallelRanges::run(
            threads, count, m_tuning.namePiece,
            [&](qsizetype piece, qsizetype begin, qsizetype end) {
                NameTransformer transformer(operations);
                m_infoPieces.applyTo(transformer);
                for (const qsizetype step : std::as_const(m_timedOutSteps))
                    transformer.markTimedOut(step);
                NameTransformer::Buffers buffers;
                changes.clearPiece(piece);
                ParallelRanges::forEachFetchingAhead(
                    begin, end, m_tuning.lookAhead, prefetch, [&](qsizetype i) {
                        NameTransformer::keep(files[i].newName,
                                              transformer.apply(files[i].originalName, i, buffers),
                                              files[i].originalName);
                        changes.add(piece, i, files[i].newName);
                    });
                for (qsizetype step = 0; step < operations.size(); ++step) {
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
    return judge.judge(m_files, std::move(changes));
}

QStringList Preview::namesAfterEachStep(const QList<RenameOperationWrapper> &operations,
                                        qsizetype row) const
{
    QStringList names;
    if (row < 0 || row >= m_files.size())
        return names;
    NameTransformer transformer(operations);
    for (const qsizetype step : std::as_const(m_timedOutSteps))
        transformer.markTimedOut(step);
    m_infoPieces.applyTo(transformer);
    NameTransformer::Buffers buffers;
    QString name = m_files.at(row).originalName;
    for (qsizetype step = 0; step < transformer.stepCount(); ++step) {
        const QString &after = transformer.apply(name, row, buffers, step, step + 1);
        if (&after != &name)
            name = after;
        names.append(name);
    }
    return names;
}

const ListedFolders &Preview::listedFolders(quint64 rowsVersion)
{
    if (m_foldersOfRows == rowsVersion)
        return m_folders;
    m_diskChecks.forgetFindings();
    m_folders = ListedFolders(m_files, [this](const QByteArray &folder, const QByteArray &path) {
        auto known = m_folderIgnoresCase.find(folder);
        if (known == m_folderIgnoresCase.end())
            known = m_folderIgnoresCase.insert(folder, PosixFileMover::ignoresCase(path));
        return *known;
    });
    m_foldersOfRows = rowsVersion;
    return m_folders;
}

void Preview::rowsChanged()
{
    m_counts = std::exchange(m_previewCounts, std::nullopt);
}

const NameJudge::Counts &Preview::counts() const
{
    if (!m_counts) {
        NameJudge::Counts counts;
        for (const FileItem &item : m_files) {
            if (item.status == RenameStatus::conflict)
                ++counts.conflicts;
            else if (item.status == RenameStatus::error)
                ++counts.errors;
        }
        m_counts = counts;
    }
    return *m_counts;
}
