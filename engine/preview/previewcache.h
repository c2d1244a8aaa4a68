#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"
#include "files/listedfolders.h"
#include "names/renameoperationwrapper.h"
#include "preview/fileinfopieces.h"
#include "preview/namejudge.h"
#include "preview/tuning.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

// What the last preview worked out for each row of a list, kept so that the next one does
// again only what changed. While the user types in one step, each row starts from its name
// as the steps above that step left it; a row whose edited step gives what it gave before
// keeps its new name, and only new names that changed are judged against the others.
// The results are those of a preview from scratch.
class PreviewCache {
public:
    // `tuning` outlives the cache.
    explicit PreviewCache(const Tuning &tuning);

    // Gives every row its new name and status for `operations`, and counts the statuses;
    // `folders` are those of `files`. None when a step ran out of time: the rows are then
    // left half done, for a preview from scratch.
    // `info` holds what the file-info steps put in: the cache is cleared whenever it
    // changed otherwise than by an edit of its step.
    std::optional<NameJudge::Counts> update(QList<FileItem> &files,
                                            const QList<RenameOperationWrapper> &operations,
                                            const ListedFolders &folders,
                                            const FileInfoPieces &info);
    void clear();
    // The same rows in a new order: `order` lists the positions they had. What each row
    // worked out goes with it; the next update redoes the steps that read a row's position.
    void reorder(const std::vector<qsizetype> &order);

private:
    struct Row {
        // The row's names when it was last worked out: held, so that a row is known to be
        // unchanged by its strings alone.
        QString originalName;
        QString newName;
        // The name as the steps above `m_keptStep` left it, and as that step left it.
        QString stepInput;
        QString stepOutput;
    };

    // The one step whose operation differs from the last preview's; -1 when none does,
    // none when the stack changed otherwise.
    std::optional<qsizetype> editedStep(const QList<RenameOperationWrapper> &operations) const;

    const Tuning &m_tuning;
    std::vector<Row> m_rows;
    QList<RenameOperationWrapper> m_operations;
    qsizetype m_keptStep = -1;    // the step whose input and output the rows keep, or -1
    NameJudge m_judge;            // its groups keep copies of the names, which change
    quint64 m_foldersVersion = 0; // the folders the groups are made for
    bool m_known = false;         // whether the rows hold anything
    bool m_rowsMoved = false;     // whether rows changed places since the last update
};
