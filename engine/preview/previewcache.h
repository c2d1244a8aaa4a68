#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"
#include "files/listedfolders.h"
#include "names/namevalidation.h"
#include "names/renameoperationwrapper.h"
#include "preview/namegroups.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

// What the last preview worked out for each row of a list, kept so that the next one does
// again only what changed. While the user types in one step, each row starts from its name
// as the steps above that step left it; a row whose edited step gives what it gave before
// keeps its new name, and only new names that changed are judged against the others.
// The results are those of a preview from scratch. Kept for lists of up to `maximumRows`,
// where its hundred-odd bytes a row are small beside the list.
class PreviewCache {
public:
    static constexpr qsizetype maximumRows = 250'000;

    // Gives every row its new name and status for `operations`, and counts the statuses;
    // `folders` are those of `files`. None when a step ran out of time: the rows are then
    // left half done, for a preview from scratch.
    std::optional<NameValidation::Counts> update(QList<FileItem> &files,
                                                 const QList<RenameOperationWrapper> &operations,
                                                 const ListedFolders &folders);
    void clear();

private:
    struct Row {
        // The row's names when it was last worked out: held, so that a row is known to be
        // unchanged by its strings alone.
        QString originalName;
        QString newName;
        // The name as the steps above `m_keptStep` left it, and as that step left it.
        QString stepInput;
        QString stepOutput;
        qint32 group = -1; // its group of equal names in `share`, or -1 when it has an error
        quint16 share = 0; // one share of the groups to a core
        NameValidation::Verdict verdict = NameValidation::Verdict::grouped;
    };

    // The one step whose operation differs from the last preview's; -1 when none does,
    // none when the stack changed otherwise.
    std::optional<qsizetype> editedStep(const QList<RenameOperationWrapper> &operations) const;
    NameValidation::Counts judge(QList<FileItem> &files, const std::vector<char> &changed,
                                 const ListedFolders &folders);
    qsizetype groupCount() const;

    std::vector<Row> m_rows;
    QList<RenameOperationWrapper> m_operations;
    qsizetype m_keptStep = -1; // the step whose input and output the rows keep, or -1
    // The groups of equal names, shared out by hash among the cores, each share grouped on
    // its own thread.
    std::vector<NameGroups> m_groups;
    quint64 m_foldersVersion = 0; // the folders the groups are made for
    bool m_known = false;         // whether the rows hold anything
};
