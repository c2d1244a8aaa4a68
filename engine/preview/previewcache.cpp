#include "preview/previewcache.h"

#include "names/nametransformer.h"
#include "preview/parallelranges.h"

#include <atomic>

PreviewCache::PreviewCache(const Tuning &tuning)
    : m_tuning(tuning), m_judge(NameGroups::Texts::copied, tuning)
{
}

std::optional<NameJudge::Counts>
PreviewCache::update(QList<FileItem> &files, const QList<RenameOperationWrapper> &operations,
                     const ListedFolders &folders, const FileInfoPieces &info)
{
    const qsizetype count = files.size();
    std::optional<qsizetype> edited = editedStep(operations);
    // Rows added or removed, or a stack changed in more than one step: every row is worked
    // out afresh.
    if (!edited || qsizetype(m_rows.size()) != count || folders.version() != m_foldersVersion) {
        clear();
        m_rows.resize(size_t(count));
        m_judge.reset(count);
        edited = -1;
    }
    // Typing in a step leaves the rows' inputs to it as they are. Editing another step than
    // last time makes each row keep that step's input and output from now on.
    const qsizetype step = *edited >= 0 ? *edited : m_keptStep;
    const bool rekey = step != m_keptStep;
    const bool known = m_known;
    const qsizetype steps = operations.size();
    // Rows that changed places need again every step from the first that reads a row's
    // position. When the kept step comes no later, its input still holds and the rows go on
    // from there; otherwise each goes through the whole stack.
    qsizetype positional = steps;
    for (qsizetype i = 0; i < steps && m_rowsMoved; ++i) {
        if (operations[i].mode == RenameMode::sequence) {
            positional = i;
            break;
        }
    }
    const bool redo = positional < steps;
    const bool redoFromInput = redo && step >= 0 && step <= positional;
    FileItem *const items = ParallelRanges::itemsToWrite(files);
    std::vector<char> changed(size_t(count), 0);
    std::atomic<bool> timedOut = false;
    const auto prefetch = [this](qsizetype ahead) {
        const Row &row = m_rows[size_t(ahead)];
        __builtin_prefetch(row.stepInput.constData());
        __builtin_prefetch(row.stepOutput.constData());
    };
    ParallelRanges::run(
        m_tuning.threads, count, m_tuning.namePiece,
        [&](qsizetype, qsizetype begin, qsizetype end) {
            NameTransformer transformer(operations);
            info.applyTo(transformer);
            NameTransformer::Buffers buffers;
            ParallelRanges::forEachFetchingAhead(
                begin, end, m_tuning.lookAhead, prefetch, [&](qsizetype i) {
                    FileItem &item = items[i];
                    Row &row = m_rows[size_t(i)];
                    const bool same = known && row.originalName.isSharedWith(item.originalName) &&
                                      row.newName.isSharedWith(item.newName);
                    if (same && !rekey && (!redo || redoFromInput)) {
                        if (step < 0)
                            return; // no step changed
                        const QString &output =
                            transformer.apply(row.stepInput, i, buffers, step, step + 1);
                        if (!NameTransformer::keep(row.stepOutput, output, row.stepInput) && !redo)
                            return; // the edited step gives what it gave, and so do those below
                        const QString &name =
                            transformer.apply(row.stepOutput, i, buffers, step + 1, steps);
                        changed[size_t(i)] =
                            NameTransformer::keep(item.newName, name, row.stepOutput);
                    } else {
                        const QString *input = &item.originalName;
                        if (step >= 0) {
                            NameTransformer::keep(
                                row.stepInput,
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
                        const QString &name =
                            transformer.apply(*input, i, buffers, step + 1, steps);
                        // A row that is not the one it was is judged afresh even under its old
                        // name.
                        changed[size_t(i)] =
                            NameTransformer::keep(item.newName, name, *input) || !same;
                        row.originalName = item.originalName;
                    }
                    row.newName = item.newName;
                });
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
    m_rowsMoved = false;
    // Every new name that comes and goes leaves an empty group behind, holding its name:
    // once groups outnumber the rows three times, they are made again from the rows' names.
    if (m_judge.groupCount() > 3 * count + 1024) {
        m_judge.reset(count);
        std::fill(changed.begin(), changed.end(), char(1));
    }
    std::vector<qsizetype> rows; // the rows whose new names changed, in the list's order
    for (size_t i = 0; i < changed.size(); ++i) {
        if (changed[i])
            rows.push_back(qsizetype(i));
    }
    const auto entries = qsizetype(rows.size());
    ChangedNames changes(std::move(rows), m_judge.piecesFor(entries), folders);
    changes.setFlags(info.flags());
    ParallelRanges::run(m_tuning.threads, entries, m_tuning.judgePiece,
                        [&](qsizetype piece, qsizetype begin, qsizetype end) {
                            for (qsizetype k = begin; k < end; ++k)
                                changes.add(piece, k, items[changes.rowOf(k)].newName);
                        });
    return m_judge.judge(files, std::move(changes));
}

void PreviewCache::clear()
{
    std::vector<Row>().swap(m_rows);
    m_operations.clear();
    m_keptStep = -1;
    m_judge.reset(0);
    m_foldersVersion = 0;
    m_known = false;
    m_rowsMoved = false;
}

void PreviewCache::reorder(const std::vector<qsizetype> &order)
{
    if (!m_known || m_rows.size() != order.size()) {
        clear();
        return;
    }
    std::vector<Row> reordered(order.size());
    for (size_t row = 0; row < order.size(); ++row)
        reordered[row] = std::move(m_rows[size_t(order[row])]);
    m_rows.swap(reordered);
    m_judge.reorder(order);
    m_rowsMoved = true;
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
