#include "preview/changednames.h"

#include "preview/namejudge.h"

ChangedNames::ChangedNames(qsizetype count, qsizetype pieces, const ListedFolders &folders)
    : m_folders(&folders), m_hashes(size_t(count)), m_verdicts(size_t(count)),
      m_keysOfPiece(size_t(pieces))
{
}

ChangedNames::ChangedNames(std::vector<qsizetype> rows, qsizetype pieces,
                           const ListedFolders &folders)
    : ChangedNames(qsizetype(rows.size()), pieces, folders)
{
    m_rows = std::move(rows);
}

void ChangedNames::add(qsizetype piece, qsizetype entry, const QString &name)
{
    using NameValidation::Verdict;
    const auto at = size_t(entry);
    if (m_flags && (*m_flags)[size_t(rowOf(entry))]) {
        m_verdicts[at] = Verdict::flagged;
        return;
    }
    m_verdicts[at] = NameValidation::verdictOf(name);
    if (m_verdicts[at] != Verdict::grouped)
        return;
    QString key;
    const qint32 folder = m_folders->folderOf(rowOf(entry));
    m_hashes[at] = NameJudge::placeHash(
        NameValidation::groupKey(name, key, m_folders->ignoresCase(folder)), folder);
    if (!key.isNull())
        m_keysOfPiece[size_t(piece)].emplace_back(entry, std::move(key));
}
