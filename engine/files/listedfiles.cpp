#include "files/listedfiles.h"

#include "disk/filemover.h"
#include "disk/localpath.h"
#include "files/rowid.h"
#include "preview/parallelranges.h"

#include <algorithm>
#include <vector>

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
    // A list made in one go takes exactly the room of its rows; one that grows keeps room
    // to grow, so that many small adds stay cheap.
    if (first == 0)
        files.reserve(count);
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
        // Room for the whole piece: a large folder is read in one run however long.
        paths.reserve(end - begin);
        rows.reserve(end - begin);
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
            // A run ends between two folders: a large folder is read from its entries, all
            // of them, and a run ending within it would have them read once for each part.
            if (paths.size() >= run && (i + 1 == end || !sameFolder(i, i + 1)))
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

QByteArrayView nameBytes(const FileItem &item)
{
    return QByteArrayView(item.path).sliced(LocalPath::nameStart(item.path));
}

// Rows by their item, for telling whether an item is listed: open addressing over row
// numbers, keyed by the identity alone. The name, which tells two hard links apart, is
// compared only where the identities are equal, so most rows are never hashed by name. A
// million rows are looked up in one pass over a few megabytes, with no allocation a row.
class ListedItems {
public:
    ListedItems(const FileItem *rows, qsizetype count) : m_rows(rows)
    {
        int bits = 4;
        while ((qsizetype(1) << bits) < 2 * count)
            ++bits;
        m_shift = 64 - bits;
        m_slots.assign(size_t(1) << bits, 0);
    }

    // Whether a row recorded before lists the item of `row`; if none does, `row` is recorded
    // as the row at `place`, where the caller keeps it.
    bool findOrRecord(qsizetype row, qsizetype place)
    {
        const FileItem &item = m_rows[row];
        const ItemIdentity &identity = *item.identity;
        const size_t mask = m_slots.size() - 1;
        for (size_t slot = slotOf(identity);; slot = (slot + 1) & mask) {
            const quint32 recorded = m_slots[slot];
            if (recorded == 0) {
                // A list cannot hold four billion rows: each takes far more than a byte.
                m_slots[slot] = quint32(place + 1);
                return false;
            }
            const FileItem &other = m_rows[recorded - 1];
            if (other.identity->inode == identity.inode &&
                other.identity->device == identity.device && nameBytes(other) == nameBytes(item))
                return true;
        }
    }

private:
    size_t slotOf(const ItemIdentity &identity) const
    {
        const quint64 mixed =
            (identity.inode ^ ((identity.device << 32) | (identity.device >> 32))) *
            0x9E3779B97F4A7C15ull;
        return size_t(mixed >> m_shift);
    }

    const FileItem *m_rows;
    std::vector<quint32> m_slots; // row number + 1; 0 for none
    int m_shift = 0;
};

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
    FileItem *const rows = files.data();
    ListedItems listed(rows, count);
    for (qsizetype i = 0; i < first; ++i) {
        if (rows[i].identity)
            listed.findOrRecord(i, i);
    }
    qsizetype kept = first;
    for (qsizetype i = first; i < count; ++i) {
        // Recorded where the row is about to be moved to.
        const bool repeat = rows[i].identity && listed.findOrRecord(i, kept);
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

void ListedFiles::appendInPieces(QList<FileItem> &files, const QList<QUrl> &urls, FileMover &mover,
                                 const std::function<void(qsizetype, qsizetype)> &progress)
{
    constexpr qsizetype piece = 1 << 16;
    files.reserve(files.size() + urls.size());
    const qsizetype first = files.size();
    for (qsizetype start = 0; start < urls.size(); start += piece) {
        append(files, urls.mid(start, piece), mover);
        progress(files.size() - first, urls.size());
    }
}

QList<RowSpan> ListedFiles::remove(QList<FileItem> &files, const QSet<QUuid> &ids)
{
    QList<RowSpan> removed;
    for (qsizetype row = 0; !ids.isEmpty() && row < files.size(); ++row) {
        if (!ids.contains(files.at(row).id))
            continue;
        if (!removed.isEmpty() && removed.last().first + removed.last().count == row)
            ++removed.last().count;
        else
            removed.append({row, 1});
    }
    if (!removed.isEmpty())
        files.removeIf([&ids](const FileItem &item) { return ids.contains(item.id); });
    return removed;
}

bool ListedFiles::anyPending(const QList<FileItem> &files)
{
    return std::any_of(files.cbegin(), files.cend(),
                       [](const FileItem &item) { return item.status == RenameStatus::pending; });
}

bool ListedFiles::anyChanged(const QList<FileItem> &files)
{
    return std::any_of(files.cbegin(), files.cend(),
                       [](const FileItem &item) { return item.newName != item.originalName; });
}
