#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <vector>

// Which folder each listed file lies in, and which of those folders compare names without
// regard to letter case. Two new names can only meet within one folder, so only there can
// they clash. Folders are numbered from 0 in the order their first file is listed.
class ListedFolders {
public:
    // Asked once for each folder, with the folder and the path of its first listed file:
    // whether the folder's file system takes names that differ only in letter case for
    // the same name.
    using CaseProbe = std::function<bool(const QByteArray &folder, const QByteArray &path)>;

    // Every row in one folder that tells letter case apart.
    ListedFolders() = default;
    explicit ListedFolders(const QList<FileItem> &files, const CaseProbe &ignoresCase = {});

    qint32 folderOf(qsizetype row) const
    {
        return m_folderOfRow.empty() ? 0 : m_folderOfRow[size_t(row)];
    }
    bool ignoresCase(qint32 folder) const
    {
        return !m_ignoresCase.empty() && m_ignoresCase[size_t(folder)];
    }
    // Set anew for every set of folders made, so that what was worked out for one is not
    // taken for another.
    quint64 version() const { return m_version; }
    // The same rows in a new order: `order` lists the positions they had.
    void reorder(const std::vector<qsizetype> &order);

private:
    // Empty while every row is in folder 0, as the files of most lists are.
    std::vector<qint32> m_folderOfRow;
    // Empty while no folder ignores case.
    std::vector<bool> m_ignoresCase;
    quint64 m_version = 0;
};
