#include "listedfiles.h"

#include "filemover.h"
#include "localpath.h"
#include "parallelranges.h"
#include "rowid.h"

#include <QHash>

#include <algorithm>

namespace {

// The folder part of a local path; empty for a row that is not a local file.
QByteArrayView folderPart(const QByteArray &path)
{
    return path.isEmpty() ? QByteArrayView()
                          : QByteArrayView(path).first(path.lastIndexOf('/') + 1);
}

// Appends `count` pending rows to `files`, each with its own id, where `place(item, i)`
// sets the path, URL and name of the i-th; then reads the identity of each local one.
template <typename Place>
void appendRows(QList<FileItem> &files, qsizetype count, FileMover &mover, const Place &place)
{
    // Each row is made from its own URL or path alone, so a large drop is cut into pieces
    // that are made on all the cores at once; reading each file's identity (one system
    // call per file) is most of the time a large drop takes.
    constexpr qsizetype minimumPiece = 4096;
    const qsizetype first = files.size();
    files.resize(first + count);
    FileItem *const added = files.data() + first; // detached here, before any thread starts
    ParallelRanges::run(count, minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            FileItem &item = added[i];
            item.id = RowId::create();
            place(item, i);
            item.newName = item.originalName;
        }
    });

    // The identities are read in runs of paths, which the mover can read faster together
    // when they share a folder (all of a large folder from its entries at once). So the
    // files of one folder are read together, by the piece that the first of them falls in.
    const auto sameFolder = [&](qsizetype a, qsizetype b) {
        const QByteArrayView folder = folderPart(added[a].path);
        return !folder.isEmpty() && folder == folderPart(added[b].path);
    };
    ParallelRanges::run(count, minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
        while (begin > 0 && begin < end && sameFolder(begin - 1, begin))
            ++begin;
        while (begin < end && end < count && sameFolder(end - 1, end))
            ++end;
        constexpr qsizetype run = qsizetype(1) << 16;
        QList<QByteArray> paths;
        QList<qsizetype> rows;
        paths.reserve(std::min(run, end - begin));
        rows.reserve(std::min(run, end - begin));
        const auto readIdentities = [&] {
            const QList<std::optional<ItemIdentity>> read = mover.identities(paths);
            for (qsizetype k = 0; k < rows.size(); ++k)
                added[rows.at(k)].identity = read.at(k);
            paths.clear();
            rows.clear();
        };
        for (qsizetype i = begin; i < end; ++i) {
            if (added[i].path.isEmpty())
                continue;
            paths.append(added[i].path);
            rows.append(i);
            if (paths.size() == run)
                readIdentities();
        }
        readIdentities();
    });
}

// LocalPath::decodeName(LocalPath::nameOf(path)), without copying the name first.
QString nameOfPath(const QByteArray &path)
{
    return LocalPath::decodeName(QByteArrayView(path).sliced(LocalPath::nameStart(path)));
}

// What tells a listed item apart: its identity and its name. The name is only hashed; rows
// whose keys are equal compare their names too.
struct ListedKey {
    quint64 device = 0;
    quint64 inode = 0;
    size_t nameHash = 0;

    bool operator==(const ListedKey &other) const = default;
};

size_t qHash(const ListedKey &key, size_t seed = 0) noexcept
{
    return qHashMulti(seed, key.device, key.inode, key.nameHash);
}

QByteArrayView nameBytes(const FileItem &item)
{
    return QByteArrayView(item.path).sliced(LocalPath::nameStart(item.path));
}

ListedKey keyOf(const FileItem &item)
{
    return {item.identity->device, item.identity->inode, qHash(nameBytes(item))};
}

} // namespace

void ListedFiles::append(QList<FileItem> &files, const QList<QUrl> &urls, FileMover &mover)
{
    appendRows(files, urls.size(), mover, [&](FileItem &item, qsizetype i) {
        const QUrl &url = urls.at(i);
        item.path = LocalPath::fromUrl(url);
        item.url = FileUrl(url, item.path);
        item.originalName = item.path.isEmpty() ? LocalPath::nameOf(url) : nameOfPath(item.path);
    });
}

void ListedFiles::appendPaths(QList<FileItem> &files, const QList<QByteArray> &paths,
                              FileMover &mover)
{
    appendRows(files, paths.size(), mover, [&](FileItem &item, qsizetype i) {
        item.path = paths.at(i);
        item.url = FileUrl::fromLocalPath(item.path);
        item.originalName = nameOfPath(item.path);
    });
}

qsizetype ListedFiles::dropRepeats(QList<FileItem> &files, qsizetype first)
{
    const qsizetype count = files.size();
    // Most adds are of files that do not exist yet in tests and benchmarks, or of one new
    // file: nothing to look up then.
    const bool anyIdentity = std::any_of(files.cbegin() + first, files.cend(),
                                         [](const FileItem &item) { return item.identity; });
    if (!anyIdentity)
        return 0;
    QHash<ListedKey, qsizetype> listed;
    listed.reserve(count);
    for (qsizetype i = 0; i < first; ++i) {
        if (files.at(i).identity)
            listed.insert(keyOf(files.at(i)), i);
    }
    qsizetype kept = first;
    FileItem *const rows = files.data();
    for (qsizetype i = first; i < count; ++i) {
        bool repeat = false;
        if (rows[i].identity) {
            const ListedKey key = keyOf(rows[i]);
            const auto found = listed.constFind(key);
            if (found == listed.cend())
                listed.insert(key, kept); // where the row is about to be
            else
                repeat = nameBytes(rows[*found]) == nameBytes(rows[i]);
        }
        if (repeat)
            continue;
        if (kept != i)
            rows[kept] = std::move(rows[i]);
        ++kept;
    }
    const qsizetype removed = count - kept;
    if (removed > 0)
        files.resize(kept);
    return removed;
}
