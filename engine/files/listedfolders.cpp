#include "files/listedfolders.h"

#include "disk/localpath.h"

#include <QHash>

#include <algorithm>
#include <atomic>

namespace {

// Where the folder of a row is, as bytes that differ from those of every other folder: the
// path without its name for a local file, and for any other URL the URL without its file
// name (no path of a local file starts like that).
QByteArray folderKey(const FileItem &item)
{
    if (!item.path.isEmpty()) {
        const qsizetype start = LocalPath::nameStart(item.path);
        return start <= 1 ? QByteArray("/") : item.path.first(start - 1);
    }
    return item.url.toUrl().adjusted(QUrl::RemoveFilename).toEncoded();
}

} // namespace

ListedFolders::ListedFolders(const QList<FileItem> &files, const CaseProbe &ignoresCase)
{
    static std::atomic<quint64> made = 0;
    m_version = ++made;

    QHash<QByteArray, qint32> numbers;
    std::vector<qint32> folderOfRow(size_t(files.size()), 0);
    // Each folder's key, and the row its file system is asked about: the first with a letter
    // in its name, which the question needs; the folder's first row until one turns up.
    std::vector<QByteArray> keys;
    std::vector<qsizetype> asked;
    std::vector<bool> hasLetter;
    const auto nameHasLetter = [](const QByteArray &path) {
        for (qsizetype i = LocalPath::nameStart(path); i < path.size(); ++i) {
            const char c = path[i];
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
                return true;
        }
        return false;
    };
    const auto consider = [&](qint32 folder, qsizetype row) {
        if (!ignoresCase || hasLetter[size_t(folder)] || files.at(row).path.isEmpty())
            return;
        if (nameHasLetter(files.at(row).path)) {
            asked[size_t(folder)] = row;
            hasLetter[size_t(folder)] = true;
        }
    };
    QByteArray previous; // most lists come folder by folder
    qint32 previousNumber = -1;
    for (qsizetype row = 0; row < files.size(); ++row) {
        const FileItem &item = files.at(row);
        // The folder of the row before is asked first, without making a key.
        if (previousNumber >= 0 && !item.path.isEmpty() &&
            LocalPath::nameStart(item.path) == previous.size() + 1 &&
            item.path.startsWith(previous)) {
            folderOfRow[size_t(row)] = previousNumber;
            consider(previousNumber, row);
            continue;
        }
        QByteArray key = folderKey(item);
        auto found = numbers.find(key);
        if (found == numbers.end()) {
            const auto number = qint32(numbers.size());
            found = numbers.insert(key, number);
            keys.push_back(key);
            asked.push_back(row);
            hasLetter.push_back(false);
        }
        folderOfRow[size_t(row)] = *found;
        consider(*found, row);
        previousNumber = item.path.isEmpty() || key == "/" ? -1 : *found;
        previous = std::move(key);
    }
    std::vector<bool> caseless(keys.size(), false);
    for (size_t folder = 0; ignoresCase && folder < keys.size(); ++folder) {
        const QByteArray &path = files.at(asked[folder]).path;
        caseless[folder] = !path.isEmpty() && ignoresCase(keys[folder], path);
    }
    if (numbers.size() > 1)
        m_folderOfRow = std::move(folderOfRow);
    if (std::find(caseless.cbegin(), caseless.cend(), true) != caseless.cend())
        m_ignoresCase = std::move(caseless);
}

void ListedFolders::reorder(const std::vector<qsizetype> &order)
{
    if (m_folderOfRow.empty())
        return;
    std::vector<qint32> reordered(order.size());
    for (size_t row = 0; row < order.size(); ++row)
        reordered[row] = m_folderOfRow[size_t(order[row])];
    m_folderOfRow.swap(reordered);
}
