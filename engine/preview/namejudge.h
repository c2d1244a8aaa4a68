#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"
#include "files/listedfolders.h"
#include "names/namevalidation.h"
#include "preview/changednames.h"
#include "preview/namegroups.h"
#include "preview/tuning.h"

#include <QList>

#include <vector>

// Judges the new names of a list against each other, for both ways a preview is made: a
// name with an error stands alone; names in the same folder that are the same under
// canonical equivalence (and letter case aside, where the folder ignores it) are
// conflicts. It remembers each row's verdict and group, so that a later judging need only
// be told the names that changed since; every row gets its status again each time.
class NameJudge {
public:
    // How many rows of a list got each status that holds the user back.
    struct Counts {
        qsizetype conflicts = 0;
        qsizetype errors = 0;
    };

    // `texts` say where the groups read their names from. A judge whose groups view the
    // list's names judges once: the names may change as soon as it returns. `tuning`
    // outlives the judge.
    NameJudge(NameGroups::Texts texts, const Tuning &tuning);

    // Forgets every row, for a list of `count` rows none of which has been judged.
    void reset(qsizetype count);
    qsizetype rowCount() const { return qsizetype(m_verdicts.size()); }
    // The same rows in a new order: `order` lists the positions they had. Groups hold no
    // rows, so each row keeps its group and verdict.
    void reorder(const std::vector<qsizetype> &order);
    // How many groups the tables hold, empty ones left by names that went included.
    qsizetype groupCount() const;
    // The pieces ChangedNames is cut into for a list of `count`.
    qsizetype piecesFor(qsizetype count) const;

    // Takes in the changed names, then sets the status and message of every row of `files`
    // (as many as reset() was told) and counts them.
    Counts judge(QList<FileItem> &files, ChangedNames changes);

    // The statuses of a whole list judged afresh: with the folders given, or with those of
    // the files, none of them ignoring case. `flags` as ChangedNames::setFlags takes them.
    static Counts judgeAll(QList<FileItem> &files, const ListedFolders &folders,
                           const Tuning &tuning = Tuning::standard(),
                           const std::vector<OptionalText> *flags = nullptr);
    static Counts judgeAll(QList<FileItem> &files);

    // The hash the groups file a name under: its key's, told apart by its folder. Names in
    // folder 0 keep the hash of their key.
    static quint32 placeHash(quint32 keyHash, qint32 folder)
    {
        return folder == 0 ? keyHash : keyHash ^ (quint32(folder) * 0x9E3779B1u);
    }

private:
    void setStatus(FileItem &item, qsizetype row, const NameValidation::Messages &messages,
                   const std::vector<OptionalText> *flags, Counts &counts) const;

    const Tuning &m_tuning;
    NameGroups::Texts m_texts;
    // The groups of equal names, shared out by hash among the threads, each share grouped
    // on its own thread.
    std::vector<NameGroups> m_groups;
    // By row: its group in its share, or -1 when it has an error; the share; its verdict.
    std::vector<qint32> m_group;
    std::vector<quint16> m_share;
    std::vector<NameValidation::Verdict> m_verdicts;
    bool m_anyGrouped = false; // whether any row was judged since the last reset
};
