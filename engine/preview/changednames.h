#pragma once

// Internal to the engine: not part of its interface.

#include "files/listedfolders.h"
#include "names/namevalidation.h"

#include <QString>

#include <utility>
#include <vector>

// The new names a judging is to take in, one entry for each row whose name changed, in the
// list's order: what judging needs of each, its verdict and, when it is grouped, its key
// and the key's hash. Worked out in pieces, one thread to a piece, best right where each
// name is made, while its text is still in the processor's cache.
class ChangedNames {
public:
    // Every row of a list of `count`, by `pieces` pieces of the list's order. `folders`
    // outlives the names.
    ChangedNames(qsizetype count, qsizetype pieces, const ListedFolders &folders);
    // Only `rows`, rising.
    ChangedNames(std::vector<qsizetype> rows, qsizetype pieces, const ListedFolders &folders);

    qsizetype size() const { return qsizetype(m_hashes.size()); }
    qsizetype rowOf(qsizetype entry) const
    {
        return m_rows.empty() ? entry : m_rows[size_t(entry)];
    }
    // Rows that cannot be renamed whatever their names, and why (by row; null for none):
    // they stand alone, with that message. Outlives the names.
    void setFlags(const std::vector<OptionalText> *flags) { m_flags = flags; }
    // Forgets what a piece worked out before, for it to work out again.
    void clearPiece(qsizetype piece) { m_keysOfPiece[size_t(piece)].clear(); }
    // Works out what judging needs of `name`, the new name of `entry`, an entry of `piece`.
    void add(qsizetype piece, qsizetype entry, const QString &name);

private:
    friend class NameJudge;

    const ListedFolders *m_folders;
    const std::vector<OptionalText> *m_flags = nullptr;
    std::vector<qsizetype> m_rows; // empty when every row changed
    std::vector<quint32> m_hashes;
    std::vector<NameValidation::Verdict> m_verdicts;
    // The canonical keys of the few names that are not their own, by piece, each in the
    // list's order.
    std::vector<std::vector<std::pair<qsizetype, QString>>> m_keysOfPiece;
};
