#include "preview/previewcache.h"

#include "names/nametransformer.h"
#include "preview/parallelranges.h"

#include <atomic>

namespace {

// Rows per thread below which spreading the work costs more than it saves.
constexpr qsizetype minimumPiece = 4096;
constexpr qsizetype lookAhead = 8;

} // namespace

std::optional<NameValidation::Counts>
PreviewCache::update(QList<FileItem> &files, const QList<RenameOperationWrapper> &operations,
                     const ListedFolders &folders)
{
    const qsizetype count = files.size();
    std::optional<qsizetype> edited = editedStep(operations);
    // Rows added or removed, or a stack changed in more than one step: every row is worked
    // out afresh.
    if (!edited || qsizetype(m_rows.size()) != count || folders.version() != m_foldersVersion) {
        clear();
        m_rows.resize(size_t(count));
        m_groups = NameGroups::inShares(count, ParallelRanges::pieceCount(count, minimumPiece));
        edited = -1;
    }
    // Typing in a step leaves the rows' inputs to it as they are. Editing another step than
    // last time makes each row keep that step's input and output from now on.
    const qsizetype step = *edited >= 0 ? *edited : m_keptStep;
    const bool rekey = step != m_keptStep;
    const bool known = m_known;
    const qsizetype steps = operations.size();
    FileItem *const items = files.data(); // detached here, before any thread starts
    std::vector<char> changed(size_t(count), 0);
    std::atomic<bool> timedOut = false;
    ParallelRanges::run(count, minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
        NameTransformer transformer(operations);
        NameTransformer::Buffers buffers;
        for (qsizetype i = begin; i < end; ++i) {
            if (i + lookAhead < end) {
                const Row &ahead = m_rows[size_t(i + lookAhead)];
                __builtin_prefetch(ahead.stepInput.constData());
                __builtin_prefetch(ahead.stepOutput.constData());
            }
            FileItem &item = items[i];
            Row &row = m_rows[size_t(i)];
            const bool same = known && row.originalName.isSharedWith(item.originalName) &&
                              row.newName.isSharedWith(item.newName);
            if (same && !rekey) {
                if (step < 0)
                    continue; // no step changed
                const QString &output =
                    transformer.apply(row.stepInput, i, buffers, step, step + 1);
                if (!NameTransformer::keep(row.stepOutput, output, row.stepInput))
                    continue; // the edited step gives what it gave, and so do those below
                const QString &name =
                    transformer.apply(row.stepOutput, i, buffers, step + 1, steps);
                changed[size_t(i)] = NameTransformer::keep(item.newName, name, row.stepOutput);
            } else {
                const QString *input = &item.originalName;
                if (step >= 0) {
                    NameTransformer::keep(row.stepInput,
                                          transformer.apply(item.originalName, i, buffers, 0, step),
                                          item.originalName);
                    NameTransformer::keep(
                        row.stepOutput,
                        transformer.apply(row.stepInput, i, buffers, step, step + 1),
                        row.stepInput);
                    input = &row.stepOutput;
                } else {
                    row.stepInput = QString();
                    row.stepOutput = QString();
                }
                const QString &name = transformer.apply(*input, i, buffers, step + 1, steps);
                // A row that is not the one it was is judged afresh even under its old name.
                changed[size_t(i)] = NameTransformer::keep(item.newName, name, *input) || !same;
                row.originalName = item.originalName;
            }
            row.newName = item.newName;
        }
        if (transformer.timedOutSteps() > 0)
            timedOut = true;
    });
    if (timedOut) {
        clear();
        return std::nullopt;
    }
    m_operations = operations;
    m_keptStep = step;
    m_foldersVersion = folders.version();
    m_known = true;
    // Every new name that comes and goes leaves an empty group behind, holding its name:
    // once groups outnumber the rows three times, they are made again from the rows' names.
    if (groupCount() > 3 * count + 1024) {
        m_groups = NameGroups::inShares(count, ParallelRanges::pieceCount(count, minimumPiece));
        for (Row &row : m_rows)
            row.group = -1;
        std::fill(changed.begin(), changed.end(), char(1));
    }
    return judge(files, changed, folders);
}

void PreviewCache::clear()
{
    std::vector<Row>().swap(m_rows);
    m_operations.clear();
    m_keptStep = -1;
    m_groups.clear();
    m_foldersVersion = 0;
    m_known = false;
}

std::optional<qsizetype>
PreviewCache::editedStep(const QList<RenameOperationWrapper> &operations) const
{
    if (!m_known || operations.size() != m_operations.size())
        return std::nullopt;
    qsizetype edited = -1;
    for (qsizetype i = 0; i < operations.size(); ++i) {
        if (operations[i] == m_operations[i])
            continue;
        if (edited >= 0)
            return std::nullopt;
        edited = i;
    }
    return edited;
}

qsizetype PreviewCache::groupCount() const
{
    qsizetype groups = 0;
    for (const NameGroups &share : m_groups)
        groups += share.groupCount();
    return groups;
}

NameValidation::Counts PreviewCache::judge(QList<FileItem> &files, const std::vector<char> &changed,
                                           const ListedFolders &folders)
{
    using NameValidation::Verdict;
    std::vector<qsizetype> rows; // the rows whose new names changed, in the list's order
    for (size_t i = 0; i < changed.size(); ++i) {
        if (changed[i])
            rows.push_back(qsizetype(i));
    }
    FileItem *const items = files.data();
    const qsizetype shares = qsizetype(m_groups.size());
    // Each changed name on its own, spread over the cores: the group it leaves, and the key
    // and hash of the one it joins.
    struct Change {
        quint32 hash = 0;
        qint32 folder = 0;
        qint32 left = -1; // the group the row leaves, in share `leftShare`
        quint16 leftShare = 0;
        bool grouped = false;
    };
    std::vector<Change> changes(rows.size());
    std::vector<QString> keys(rows.size());
    ParallelRanges::run(
        qsizetype(rows.size()), minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
            for (qsizetype k = begin; k < end; ++k) {
                const QString &name = items[rows[size_t(k)]].newName;
                Row &row = m_rows[size_t(rows[size_t(k)])];
                Change &change = changes[size_t(k)];
                change.left = row.group;
                change.leftShare = row.share;
                row.verdict = NameValidation::verdictOf(name);
                change.grouped = row.verdict == Verdict::grouped;
                if (change.grouped) {
                    change.folder = folders.folderOf(rows[size_t(k)]);
                    change.hash = NameValidation::placeHash(
                        NameValidation::groupKey(name, keys[size_t(k)],
                                                 folders.ignoresCase(change.folder)),
                        change.folder);
                }
            }
        });
    // Each changed name leaves its old group for its new one. Each share of the groups is
    // worked on by one thread, in the list's order, and writes the groups joined in its own
    // column.
    std::vector<std::vector<qint32>> joined(static_cast<size_t>(shares));
    ParallelRanges::run(shares, 1, [&](qsizetype, qsizetype first, qsizetype last) {
        for (qsizetype share = first; share < last; ++share) {
            NameGroups &groups = m_groups[size_t(share)];
            std::vector<qint32> &column = joined[size_t(share)];
            column.resize(changes.size());
            const auto mine = [shares, share](const Change &change) {
                return change.grouped && NameGroups::shareOf(change.hash, shares) == share;
            };
            for (size_t k = 0; k < changes.size(); ++k) {
                if (k + lookAhead < changes.size() && mine(changes[k + lookAhead]))
                    groups.prefetch(changes[k + lookAhead].hash);
                const Change &change = changes[k];
                if (change.left >= 0 && change.leftShare == share)
                    groups.leave(change.left);
                if (mine(change)) {
                    const QString &key = keys[k].isNull() ? items[rows[k]].newName : keys[k];
                    column[k] = qint32(groups.addCopy(key, change.hash, change.folder));
                }
            }
        }
    });
    for (size_t k = 0; k < changes.size(); ++k) {
        Row &row = m_rows[size_t(rows[k])];
        const qsizetype share = NameGroups::shareOf(changes[k].hash, shares);
        row.group = changes[k].grouped ? joined[size_t(share)][k] : -1;
        row.share = quint16(share);
    }
    // Every row gets its status again: an unchanged name may have gained or lost its equals.
    const NameValidation::Messages texts = NameValidation::messages();
    const qsizetype count = qsizetype(m_rows.size());
    std::vector<NameValidation::Counts> counts(
        size_t(ParallelRanges::pieceCount(count, minimumPiece)));
    ParallelRanges::run(count, minimumPiece, [&](qsizetype piece, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            if (i + lookAhead < end) {
                const Row &ahead = m_rows[size_t(i + lookAhead)];
                if (ahead.group >= 0)
                    m_groups[ahead.share].prefetchGroup(ahead.group);
            }
            const Row &row = m_rows[size_t(i)];
            NameValidation::setStatus(items[i], row.verdict,
                                      row.group >= 0 ? m_groups[row.share].groupSize(row.group) : 0,
                                      texts, counts[size_t(piece)]);
        }
    });
    return NameValidation::total(counts);
}
