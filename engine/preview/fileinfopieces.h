#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"
#include "names/optionaltext.h"
#include "names/renameoperationwrapper.h"
#include "preview/tuning.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

#include <vector>

class FileInfoScheduler;
class NameTransformer;

// What each file-info step of a stack puts into each row's name, worked out once from what
// the files said and kept while neither the rows, what was read of them, nor what the step
// reads (its field, date format and fallback) change: typing in any other step, or in the
// step's separator, costs nothing here. A row whose file lacks what a step reads, or has
// not been read yet, is flagged with why, and is not renamed.
class FileInfoPieces {
public:
    // Works out the pieces for `operations`. True when a row's flag may have changed, or a
    // piece changed for another reason than an edit of its step's own fields: what a
    // preview kept of the rows no longer holds.
    // `arrived` are the rows whose files were read since the last update.
    bool update(const QList<FileItem> &files, const QList<RenameOperationWrapper> &operations,
                const FileInfoScheduler &info, const std::vector<QUuid> &arrived,
                quint64 rowsVersion, const Tuning &tuning);
    // Forgets everything; true when a row was flagged.
    bool clear();
    // The rows have moved: row i now is the one that was at `order[i]`. What was worked out
    // for each row goes with it, as the pieces are read by position.
    void reorder(const std::vector<qsizetype> &order);

    // Hands the pieces to a transformer made for the same operations.
    void applyTo(NameTransformer &transformer) const;
    // By row, why it cannot be renamed; null when no row is flagged.
    const std::vector<OptionalText> *flags() const { return m_anyFlagged ? &m_flags : nullptr; }

private:
    struct Step {
        qsizetype position = -1;
        FileInfoField field = FileInfoField::dateTaken;
        QString dateFormat;
        MissingInfo whenMissing = MissingInfo::flagRow;
        std::vector<QString> pieces;
        std::vector<OptionalText> problems;
    };

    void flagRow(size_t row);

    std::vector<Step> m_steps;
    QHash<QUuid, qsizetype> m_positions; // of the rows, by id
    std::vector<OptionalText> m_flags;
    bool m_anyFlagged = false;
    quint64 m_rowsVersion = ~quint64(0);
};
