#include "preview/fileinfopieces.h"

#include "fileinfo/fileinfoscheduler.h"
#include "names/fileinfostep.h"
#include "names/nametransformer.h"
#include "preview/parallelranges.h"

#include <algorithm>
#include <memory>

namespace {

// Rows per thread below which spreading the formatting costs more than it saves.
constexpr qsizetype piecesPerThread = 1024;

} // namespace

bool FileInfoPieces::clear()
{
    const bool flagged = m_anyFlagged;
    m_steps.clear();
    m_positions.clear();
    m_flags.clear();
    m_anyFlagged = false;
    m_rowsVersion = ~quint64(0);
    return flagged;
}

void FileInfoPieces::reorder(const std::vector<qsizetype> &order)
{
    if (order.size() != m_flags.size()) {
        clear();
        return;
    }
    const auto permute = [&order](auto &values) {
        std::remove_reference_t<decltype(values)> moved(values.size());
        for (size_t row = 0; row < order.size(); ++row)
            moved[row] = std::move(values[size_t(order[row])]);
        values.swap(moved);
    };
    for (Step &step : m_steps) {
        permute(step.pieces);
        permute(step.problems);
    }
    permute(m_flags);
    std::vector<qsizetype> placeOf(order.size());
    for (size_t row = 0; row < order.size(); ++row)
        placeOf[size_t(order[row])] = qsizetype(row);
    for (qsizetype &position : m_positions)
        position = placeOf[size_t(position)];
}

bool FileInfoPieces::update(const QList<FileItem> &files,
                            const QList<RenameOperationWrapper> &operations,
                            const FileInfoScheduler &info, const std::vector<QUuid> &arrived,
                            quint64 rowsVersion, const Tuning &tuning)
{
    const bool rowsChanged = rowsVersion != m_rowsVersion;
    const qsizetype count = files.size();
    if (rowsChanged) {
        m_rowsVersion = rowsVersion;
        m_positions.clear();
        m_positions.reserve(count);
        for (qsizetype i = 0; i < count; ++i)
            m_positions.insert(files[i].id, i);
    }
    // The rows read since the last time, where they are now.
    std::vector<size_t> fresh;
    if (!rowsChanged) {
        for (const QUuid &row : arrived) {
            if (const auto it = m_positions.constFind(row); it != m_positions.cend())
                fresh.push_back(size_t(*it));
        }
    }
    // Each step kept as it was, or made anew for every row.
    std::vector<Step> steps;
    std::vector<size_t> kept;  // indexes in `steps`
    std::vector<size_t> whole; // indexes in `steps`
    for (qsizetype position = 0; position < operations.size(); ++position) {
        const RenameOperationWrapper &operation = operations[position];
        if (operation.mode != RenameMode::fileInfo)
            continue;
        Step step;
        step.position = position;
        step.field = operation.infoField;
        step.dateFormat = operation.infoDateFormat;
        step.whenMissing = operation.infoWhenMissing;
        const auto same = [&](const Step &known) {
            return known.position == step.position && known.field == step.field &&
                   known.dateFormat == step.dateFormat && known.whenMissing == step.whenMissing;
        };
        const auto known = std::find_if(m_steps.begin(), m_steps.end(), same);
        if (!rowsChanged && known != m_steps.end()) {
            kept.push_back(steps.size());
            steps.push_back(std::move(*known));
            continue;
        }
        step.pieces.resize(size_t(count));
        step.problems.resize(size_t(count));
        whole.push_back(steps.size());
        steps.push_back(std::move(step));
    }

    // What each row's file said is looked up once, for every step that needs it.
    const OptionalText reading(FileInfoStep::readingMessage());
    const auto fill = [&](const std::vector<size_t> &which, size_t begin, size_t end,
                          const auto &rowAt) {
        std::vector<std::unique_ptr<FileInfoStep>> formats;
        for (const size_t k : which)
            formats.push_back(std::make_unique<FileInfoStep>(operations[steps[k].position]));
        for (size_t n = begin; n < end; ++n) {
            const size_t i = rowAt(n);
            const std::optional<FileInfo> read = info.infoOf(files[qsizetype(i)].id);
            for (size_t f = 0; f < which.size(); ++f) {
                Step &step = steps[which[f]];
                if (!read) {
                    step.pieces[i] = QString();
                    step.problems[i] = reading;
                    continue;
                }
                FileInfoStep::Value value = formats[f]->valueOf(*read);
                step.pieces[i] = std::move(value.text);
                step.problems[i] = std::move(value.problem);
            }
        }
    };
    if (!whole.empty()) {
        ParallelRanges::run(tuning.threads, count, piecesPerThread,
                            [&](qsizetype, qsizetype begin, qsizetype end) {
                                fill(whole, size_t(begin), size_t(end), [](size_t n) { return n; });
                            });
    }
    if (!kept.empty() && !fresh.empty())
        fill(kept, 0, fresh.size(), [&](size_t n) { return fresh[n]; });
    const bool wholeSteps = rowsChanged || !whole.empty() || steps.size() != m_steps.size();
    m_steps = std::move(steps);
    const bool wasFlagged = m_anyFlagged;
    bool flagsChanged = false;
    if (wholeSteps) {
        std::vector<OptionalText> before = std::move(m_flags);
        m_flags.assign(size_t(count), OptionalText());
        m_anyFlagged = false;
        for (size_t i = 0; i < size_t(count); ++i)
            flagRow(i);
        flagsChanged = m_anyFlagged != wasFlagged || before != m_flags;
    } else {
        for (const size_t i : fresh) {
            const OptionalText before = m_flags[i];
            flagRow(i);
            flagsChanged = flagsChanged || !(before == m_flags[i]);
        }
    }
    if (m_steps.empty())
        m_anyFlagged = false;
    return rowsChanged || flagsChanged || !fresh.empty();
}

void FileInfoPieces::flagRow(size_t row)
{
    // A row is flagged by the first step, from the top, that has nothing for it.
    m_flags[row] = OptionalText();
    for (const Step &step : m_steps) {
        if (step.problems[row]) {
            m_flags[row] = step.problems[row];
            m_anyFlagged = true;
            return;
        }
    }
}

void FileInfoPieces::applyTo(NameTransformer &transformer) const
{
    for (const Step &step : m_steps)
        transformer.setInfoPieces(step.position, step.pieces.data(), qsizetype(step.pieces.size()));
}
