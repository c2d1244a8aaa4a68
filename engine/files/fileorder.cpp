#include "files/fileorder.h"

#include "disk/localpath.h"
#include "names/nameparts.h"
#include "preview/parallelranges.h"

#include <unicode/ucol.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>

namespace {

// Rows per thread below which spreading the work costs more than it saves.
constexpr qsizetype keyPiece = 2048;
constexpr qsizetype statPiece = 512;

struct CollatorCloser {
    void operator()(UCollator *collator) const { ucol_close(collator); }
};
using Collator = std::unique_ptr<UCollator, CollatorCloser>;

// The user's language's collation, with digits compared as numbers. None when ICU has no
// collation at all, and the keys are then the names' own code units.
Collator openCollator(const QLocale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    Collator collator(ucol_open(locale.name().toUtf8().constData(), &status));
    if (U_FAILURE(status))
        return nullptr;
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    return U_SUCCESS(status) ? std::move(collator) : nullptr;
}

// A row's sort key, with its first bytes kept beside it as one number: most pairs of rows
// differ there, and comparing them so stays in the row's own entry.
struct KeyedRow {
    quint64 prefix = 0;
    const quint8 *key = nullptr;
    quint32 length = 0;
    quint32 row = 0;
};

int compareKeys(const KeyedRow &a, const KeyedRow &b)
{
    if (a.prefix != b.prefix)
        return a.prefix < b.prefix ? -1 : 1;
    const int byBytes = std::memcmp(a.key, b.key, std::min(a.length, b.length));
    if (byBytes != 0)
        return byBytes;
    return a.length < b.length ? -1 : (a.length > b.length ? 1 : 0);
}

// The folder a row is in: the path without the name for a local file, and for any other
// URL the URL without its file name.
QByteArray folderBytes(const FileItem &item)
{
    if (!item.path.isEmpty())
        return LocalPath::folderOf(item.path);
    return item.url.toUrl().adjusted(QUrl::RemoveFilename).toEncoded();
}

// The same as text, for comparing as the user reads it.
QString folderText(const FileItem &item, const QByteArray &folder)
{
    return item.path.isEmpty() ? QString::fromUtf8(folder) : LocalPath::display(folder);
}

// Collation sort keys of each row, made on worker threads into one store a thread. Each
// row's key is the keys of its parts one after the other, each with the zero byte that
// ends it, so that the first part decides before the second is looked at: the kind or the
// folder, when sorting by them, then the name.
class SortKeys {
public:
    SortKeys(const QList<FileItem> &files, SortKey key, const QLocale &locale)
        : m_rows(size_t(files.size()))
    {
        const qsizetype count = files.size();
        const FileItem *const items = files.constData();
        const Collator shared = openCollator(locale);
        const qsizetype pieces = ParallelRanges::pieceCount(count, keyPiece, threads());
        m_stores.resize(size_t(pieces));
        ParallelRanges::run(
            threads(), count, keyPiece, [&](qsizetype piece, qsizetype begin, qsizetype end) {
                // A collator is not to be used by two threads at once.
                UErrorCode status = U_ZERO_ERROR;
                const Collator collator(shared ? ucol_clone(shared.get(), &status) : nullptr);
                std::vector<quint8> &store = m_stores[size_t(piece)];
                std::vector<quint32> offsets;
                offsets.reserve(size_t(end - begin) + 1);
                store.reserve(size_t(end - begin) * 48);
                // Most rows share their folder with the row before: its key is copied.
                QByteArray lastFolder;
                size_t lastFolderKey = 0, lastFolderKeyLength = 0;
                for (qsizetype row = begin; row < end; ++row) {
                    offsets.push_back(quint32(store.size()));
                    const FileItem &item = items[row];
                    if (key == SortKey::kind) {
                        append(
                            collator.get(),
                            NameParts::split(item.originalName).extension.toString().toCaseFolded(),
                            store);
                    } else if (key == SortKey::folder) {
                        const QByteArray folder = folderBytes(item);
                        if (row > begin && folder == lastFolder) {
                            const size_t at = store.size();
                            store.resize(at + lastFolderKeyLength);
                            std::memcpy(store.data() + at, store.data() + lastFolderKey,
                                        lastFolderKeyLength);
                        } else {
                            const size_t at = store.size();
                            append(collator.get(), folderText(item, folder), store);
                            lastFolder = folder;
                            lastFolderKey = at;
                            lastFolderKeyLength = store.size() - at;
                        }
                    }
                    append(collator.get(), item.originalName, store);
                }
                offsets.push_back(quint32(store.size()));
                for (qsizetype row = begin; row < end; ++row) {
                    const size_t at = size_t(row - begin);
                    KeyedRow &entry = m_rows[size_t(row)];
                    entry.key = store.data() + offsets[at];
                    entry.length = offsets[at + 1] - offsets[at];
                    entry.row = quint32(row);
                    for (quint32 i = 0; i < 8; ++i)
                        entry.prefix = (entry.prefix << 8) | (i < entry.length ? entry.key[i] : 0);
                }
            });
    }

    std::vector<KeyedRow> &rows() { return m_rows; }

private:
    static int threads() { return Tuning::standard().threads; }

    static void append(const UCollator *collator, const QString &text, std::vector<quint8> &store)
    {
        const auto *units = reinterpret_cast<const UChar *>(text.utf16());
        const auto length = int32_t(text.size());
        if (!collator) {
            for (const QChar c : text) {
                const char16_t unit = c.unicode();
                store.insert(store.end(), {quint8((unit >> 8) + 1), quint8(unit & 0xff)});
            }
            store.push_back(0);
            return;
        }
        const size_t at = store.size();
        store.resize(at + 64);
        int32_t needed = ucol_getSortKey(collator, units, length, store.data() + at, 64);
        if (needed > 64) {
            store.resize(at + size_t(needed));
            needed = ucol_getSortKey(collator, units, length, store.data() + at, needed);
        }
        // The key ends with its zero byte, which stays as the separator of the parts.
        store.resize(at + size_t(std::max(needed, 0)));
    }

    std::vector<KeyedRow> m_rows;
    std::vector<std::vector<quint8>> m_stores;
};

std::vector<qsizetype> byKeys(std::vector<KeyedRow> &rows, Qt::SortOrder order)
{
    // Equal keys keep their rows' order: the row is the last thing compared.
    if (order == Qt::AscendingOrder) {
        std::sort(rows.begin(), rows.end(), [](const KeyedRow &a, const KeyedRow &b) {
            const int keys = compareKeys(a, b);
            return keys != 0 ? keys < 0 : a.row < b.row;
        });
    } else {
        std::sort(rows.begin(), rows.end(), [](const KeyedRow &a, const KeyedRow &b) {
            const int keys = compareKeys(a, b);
            return keys != 0 ? keys > 0 : a.row < b.row;
        });
    }
    std::vector<qsizetype> sorted;
    sorted.reserve(rows.size());
    for (const KeyedRow &row : rows)
        sorted.push_back(row.row);
    return sorted;
}

// A number to sort a row by, or none.
struct ValuedRow {
    qint64 value = 0;
    qsizetype row = 0;
};

// Rows with a value, ordered by it (stably), then `rest` as they are.
void appendByValue(std::vector<ValuedRow> &valued, Qt::SortOrder order,
                   std::vector<qsizetype> &sorted)
{
    if (order == Qt::AscendingOrder) {
        std::sort(valued.begin(), valued.end(), [](const ValuedRow &a, const ValuedRow &b) {
            return a.value != b.value ? a.value < b.value : a.row < b.row;
        });
    } else {
        std::sort(valued.begin(), valued.end(), [](const ValuedRow &a, const ValuedRow &b) {
            return a.value != b.value ? a.value > b.value : a.row < b.row;
        });
    }
    for (const ValuedRow &row : valued)
        sorted.push_back(row.row);
}

enum class Stamp { modified, size };

// The date modified (nanoseconds) or size of the files in `rows`, read without following a
// symbolic link (the listed item is the link), from what the kernel knows without asking a
// network server again. None for a row that is not a local file or is gone.
std::vector<std::optional<qint64>> readStamps(const QList<FileItem> &files,
                                              const std::vector<qsizetype> &rows, Stamp stamp)
{
    std::vector<std::optional<qint64>> values(rows.size());
    const FileItem *const items = files.constData();
    ParallelRanges::run(
        qsizetype(rows.size()), statPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
            // Each name is looked up in its folder, held open while the rows stay in it, rather
            // than along its whole path.
            QByteArray openFolder;
            int folder = -1;
            for (qsizetype i = begin; i < end; ++i) {
                const QByteArray &path = items[rows[size_t(i)]].path;
                if (path.isEmpty())
                    continue;
                const qsizetype nameStart = LocalPath::nameStart(path);
                const QByteArrayView folderPath = nameStart <= 1
                                                      ? QByteArrayView("/")
                                                      : QByteArrayView(path).first(nameStart - 1);
                if (folder < 0 || folderPath != openFolder) {
                    if (folder >= 0)
                        ::close(folder);
                    openFolder = folderPath.toByteArray();
                    folder = ::open(openFolder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
                }
                struct statx info {};
                if (folder < 0 || ::statx(folder, path.constData() + nameStart,
                                          AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC,
                                          STATX_MTIME | STATX_SIZE, &info) != 0)
                    continue;
                values[size_t(i)] =
                    stamp == Stamp::size
                        ? qint64(info.stx_size)
                        : qint64(info.stx_mtime.tv_sec) * 1'000'000'000 + info.stx_mtime.tv_nsec;
            }
            if (folder >= 0)
                ::close(folder);
        });
    return values;
}

// `rows` by the stamp of their files, those without one after the others.
void appendByStamp(const QList<FileItem> &files, const std::vector<qsizetype> &rows, Stamp stamp,
                   Qt::SortOrder order, std::vector<qsizetype> &sorted)
{
    const std::vector<std::optional<qint64>> values = readStamps(files, rows, stamp);
    std::vector<ValuedRow> valued;
    valued.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (values[i])
            valued.push_back({*values[i], rows[i]});
    }
    appendByValue(valued, order, sorted);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!values[i])
            sorted.push_back(rows[i]);
    }
}

std::vector<qsizetype> identity(qsizetype count)
{
    std::vector<qsizetype> order{};
    order.resize(size_t(count));
    std::iota(order.begin(), order.end(), qsizetype(0));
    return order;
}

} // namespace

namespace FileOrder {

std::vector<qsizetype> sorted(const QList<FileItem> &files, SortKey key, Qt::SortOrder order,
                              const DateTaken &dateTaken, const QLocale &locale)
{
    const qsizetype count = files.size();
    switch (key) {
    case SortKey::name:
    case SortKey::kind:
    case SortKey::folder: {
        SortKeys keys(files, key, locale);
        return byKeys(keys.rows(), order);
    }
    case SortKey::modified:
    case SortKey::size: {
        std::vector<qsizetype> sorted;
        sorted.reserve(size_t(count));
        appendByStamp(files, identity(count), key == SortKey::size ? Stamp::size : Stamp::modified,
                      order, sorted);
        return sorted;
    }
    case SortKey::taken: {
        std::vector<ValuedRow> taken;
        std::vector<qsizetype> without;
        for (qsizetype row = 0; row < count; ++row) {
            if (const std::optional<qint64> date = dateTaken ? dateTaken(row) : std::nullopt)
                taken.push_back({*date, row});
            else
                without.push_back(row);
        }
        std::vector<qsizetype> sorted;
        sorted.reserve(size_t(count));
        appendByValue(taken, order, sorted);
        appendByStamp(files, without, Stamp::modified, order, sorted);
        return sorted;
    }
    }
    return identity(count);
}

std::vector<qsizetype> reversed(qsizetype count)
{
    std::vector<qsizetype> order = identity(count);
    std::reverse(order.begin(), order.end());
    return order;
}

std::vector<qsizetype> moved(const QList<FileItem> &files, const QSet<QUuid> &ids,
                             qsizetype destination)
{
    const qsizetype count = files.size();
    destination = std::clamp<qsizetype>(destination, 0, count);
    std::vector<qsizetype> block;
    std::vector<qsizetype> order;
    order.reserve(size_t(count));
    for (qsizetype row = 0; row < count; ++row) {
        if (ids.contains(files.at(row).id))
            block.push_back(row);
    }
    qsizetype next = 0; // the next row of `block`
    for (qsizetype row = 0; row <= count; ++row) {
        if (row == destination)
            order.insert(order.end(), block.begin(), block.end());
        if (row == count)
            break;
        if (next < qsizetype(block.size()) && block[size_t(next)] == row)
            ++next;
        else
            order.push_back(row);
    }
    return order;
}

std::vector<qsizetype> movedByOne(const QList<FileItem> &files, const QSet<QUuid> &ids, int by)
{
    const qsizetype count = files.size();
    std::vector<qsizetype> order = identity(count);
    std::vector<char> moving(size_t(count), 0);
    for (qsizetype row = 0; row < count; ++row)
        moving[size_t(row)] = ids.contains(files.at(row).id);
    // One step at a time, each moving row trading places with the row beyond it unless that
    // one moves too: it then stays with it, and a block at the end stays whole.
    for (int step = 0; step < std::abs(by) && count > 1; ++step) {
        if (by < 0) {
            for (qsizetype i = 1; i < count; ++i) {
                if (moving[size_t(order[size_t(i)])] && !moving[size_t(order[size_t(i - 1)])])
                    std::swap(order[size_t(i)], order[size_t(i - 1)]);
            }
        } else {
            for (qsizetype i = count - 2; i >= 0; --i) {
                if (moving[size_t(order[size_t(i)])] && !moving[size_t(order[size_t(i + 1)])])
                    std::swap(order[size_t(i)], order[size_t(i + 1)]);
            }
        }
    }
    return order;
}

bool keepsPlaces(const std::vector<qsizetype> &order)
{
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] != qsizetype(i))
            return false;
    }
    return true;
}

void apply(QList<FileItem> &files, const std::vector<qsizetype> &order)
{
    Q_ASSERT(qsizetype(order.size()) == files.size());
    QList<FileItem> reordered;
    reordered.reserve(files.size());
    FileItem *const items = files.data();
    for (const qsizetype row : order)
        reordered.append(std::move(items[row]));
    files = std::move(reordered);
}

} // namespace FileOrder
