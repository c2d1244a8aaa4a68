#pragma once

#include "files/fileitem.h"
#include "names/renameenums.h"

#include <QList>
#include <QLocale>
#include <QSet>
#include <QUuid>

#include <functional>
#include <optional>
#include <vector>

// What the file list can be sorted by. The raw values are what the command line takes.
enum class SortKey { name, modified, size, kind, folder, taken };

template <> struct EnumCases<SortKey> {
    using Row = EnumRow<SortKey>;
    static constexpr std::array rows{
        Row{SortKey::name, u"name"},     Row{SortKey::modified, u"modified"},
        Row{SortKey::size, u"size"},     Row{SortKey::kind, u"kind"},
        Row{SortKey::folder, u"folder"}, Row{SortKey::taken, u"taken"}};
    static constexpr std::array all = casesOf(rows);
};

// New orders of the file list. Each answer is the list's rows in their new order, as the
// positions they have now; the rows themselves are moved by apply(). Every order is stable:
// rows that compare equal keep the order they had, whichever way the list is sorted.
namespace FileOrder {

// Each row's date taken, in milliseconds, or none when its file has none. Asked on the
// calling thread, once per row.
using DateTaken = std::function<std::optional<qint64>(qsizetype row)>;

// The rows sorted by `key`. Names compare as the user's language sorts them (`locale`),
// with the digits in them taken as numbers, so "IMG_9" comes before "IMG_10". A kind is the
// extension, letter case aside, then the name; a folder its path, then the name. Dates
// modified and sizes are read from the disk, on worker threads; rows whose file cannot be
// read (not a local file, or gone) follow the others. Rows without a date taken follow
// those with one, ordered by their date modified. Descending turns the order of the keys
// around, not that of equal rows, and rows without a value still come last.
std::vector<qsizetype> sorted(const QList<FileItem> &files, SortKey key, Qt::SortOrder order,
                              const DateTaken &dateTaken = {}, const QLocale &locale = QLocale());

// The rows the other way round.
std::vector<qsizetype> reversed(qsizetype count);

// The rows whose ids are in `ids`, in their order, moved as one block to before the row now
// at `destination` (the list's size: to the end).
std::vector<qsizetype> moved(const QList<FileItem> &files, const QSet<QUuid> &ids,
                             qsizetype destination);

// Each row whose id is in `ids` moved one place up (`by` < 0) or down, as many times as `by`
// says. A row blocked by the end of the list, or by a moving row that is blocked, stays.
std::vector<qsizetype> movedByOne(const QList<FileItem> &files, const QSet<QUuid> &ids, int by);

// Whether an order leaves every row where it is.
bool keepsPlaces(const std::vector<qsizetype> &order);

// Puts the rows of `files` in `order`.
void apply(QList<FileItem> &files, const std::vector<qsizetype> &order);

} // namespace FileOrder
