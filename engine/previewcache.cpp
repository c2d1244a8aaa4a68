#include "previewcache.h"

#include "nametransformer.h"
#include "parallelranges.h"

#include <atomic>

namespace {

// Rows per thread below which spreading the work costs more than it saves.
constexpr qsizetype minimumPiece = 4096;

} // namespace

std::optional<NameValidation::Counts>
PreviewCache::update(QList<FileItem> &files, const QList<RenameOperationWrapper> &operations)
{
    const qsizetype count = files.size();
    std::optional<qsizetype> edited = editedStep(operations);
    // Rows added or removed, or a stack changed in more than one step: every row is worked
    // out afresh.
    if (!edited || qsizetype(m_rows.size()) != count) {
        clear();
        m_rows.resize(size_t(count));
        m_groups = NameGroups(count);
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
    m_known = true;
    // Every new name that comes and goes leaves an empty group behind, holding its name:
    // once groups outnumber the rows three times, they are made again from the rows' names.
    if (m_groups.groupCount() > 3 * count + 1024) {
        m_groups = NameGroups(count);
        for (Row &row : m_rows)
            row.group = -1;
        std::fill(changed.begin(), changed.end(), char(1));
    }
    return judge(files, changed);
}

void PreviewCache::clear()
{
    std::vector<Row>().swap(m_rows);
    m_operations.clear();
    m_keptStep = -1;
    m_groups = NameGroups(0);
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

NameValidation::Counts PreviewCache::judge(QList<FileItem> &files, const std::vector<char> &changed)
{
    using NameValidation::Verdict;
    std::vector<qsizetype> rows; // the rows whose new names changed, in the list's order
    for (size_t i = 0; i < changed.size(); ++i) {
        if (changed[i])
            rows.push_back(qsizetype(i));
    }
    FileItem *const items = files.data();
    // Each changed name on its own, spread over the cores.
    std::vector<QString> keys(rows.size());
    std::vector<quint32> hashes(rows.size());
    ParallelRanges::run(qsizetype(rows.size()), minimumPiece,
                        [&](qsizetype, qsizetype begin, qsizetype end) {
                            for (qsizetype k = begin; k < end; ++k) {
                                const QString &name = items[rows[size_t(k)]].newName;
                                Row &row = m_rows[size_t(rows[size_t(k)])];
                                row.verdict = NameValidation::verdictOf(name);
                                if (row.verdict != Verdict::grouped)
                                    continue;
                                hashes[size_t(k)] = NameValidation::groupKey(name, keys[size_t(k)]);
                            }
                        });
    // Each changed name leaves its old group for its new one, in one piece.
    constexpr size_t lookAhead = 8;
    for (size_t k = 0; k < rows.size(); ++k) {
        if (k + lookAhead < rows.size())
            m_groups.prefetch(hashes[k + lookAhead]);
        Row &row = m_rows[size_t(rows[k])];
        if (row.group >= 0)
            m_groups.leave(row.group);
        row.group = -1;
        if (row.verdict == Verdict::grouped) {
            const QString &name = items[rows[k]].newName;
            row.group = qint32(m_groups.add(keys[k].isNull() ? name : keys[k], hashes[k]));
        }
    }
    // Every row gets its status again: an unchanged name may have gained or lost its equals.
    const NameValidation::Messages texts = NameValidation::messages();
    const qsizetype count = qsizetype(m_rows.size());
    std::vector<NameValidation::Counts> counts(
        size_t(ParallelRanges::pieceCount(count, minimumPiece)));
    ParallelRanges::run(count, minimumPiece, [&](qsizetype piece, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            const Row &row = m_rows[size_t(i)];
            NameValidation::setStatus(items[i], row.verdict,
                                      row.group >= 0 ? m_groups.groupSize(row.group) : 0, texts,
                                      counts[size_t(piece)]);
        }
    });
    return NameValidation::total(counts);
}
