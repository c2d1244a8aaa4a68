#include "names/namevalidation.h"

#include "disk/localpath.h"
#include "names/unicodetext.h"
#include "preview/namegroups.h"
#include "preview/parallelranges.h"

#include <iterator>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QMutex>

namespace NameValidation {

bool containsForbiddenCharacter(QStringView name)
{
    return UnicodeText::containsAnyOf(name, u':', u'/', u'\\');
}

namespace {

// No UTF-16 code unit takes more than three bytes in UTF-8: a name of up to this many is
// short enough, whatever it holds.
constexpr qsizetype surelyShortEnough = maximumNameBytes / 3;

// Whether the name's bytes on disk are more than a name may have. Counted by the encoding
// a move uses; a name that cannot be encoded at all is the move's to refuse.
bool isTooLong(QStringView name)
{
    if (name.size() <= surelyShortEnough)
        return false;
    const std::optional<QByteArray> bytes = LocalPath::encodeName(name.toString());
    return bytes && bytes->size() > maximumNameBytes;
}

} // namespace

Verdict verdictOf(QStringView name)
{
    if (containsForbiddenCharacter(name))
        return Verdict::invalidCharacters;
    if (UnicodeText::isBlank(name))
        return Verdict::emptyName;
    if (name.size() <= 2 && (name == u"." || name == u".."))
        return Verdict::dotName;
    if (isTooLong(name))
        return Verdict::tooLong;
    return Verdict::grouped;
}

Counts total(const std::vector<Counts> &pieces)
{
    Counts sum;
    for (const Counts &piece : pieces) {
        sum.conflicts += piece.conflicts;
        sum.errors += piece.errors;
    }
    return sum;
}

quint32 groupKey(const QString &name, QString &key, bool ignoresCase)
{
    if (!ignoresCase) {
        key = UnicodeText::isAscii(name) ? QString() : UnicodeText::canonicalKey(name);
        return NameGroups::hashOf(key.isNull() ? name : key);
    }
    // Folding ASCII is lowering it; the general form of an ASCII name is the same.
    key = UnicodeText::isAscii(name) ? name.toLower() : UnicodeText::matchingKey(name, false);
    return NameGroups::hashOf(key);
}

Messages messages()
{
    // Files on both cores take their message from these; a message made afresh for every
    // preview would have both cores count its holders in the same place, row after row.
    static QMutex guard;
    static Messages kept;
    const auto keep = [](OptionalText &message, const QString &text) {
        if (!(message == text))
            message = text;
    };
    const QMutexLocker locker(&guard);
    keep(kept.invalidCharacters,
         QCoreApplication::translate("NameValidation", "Contains invalid characters (: / \\)"));
    keep(kept.emptyName, QCoreApplication::translate("NameValidation", "Filename cannot be empty"));
    keep(kept.dotName,
         QCoreApplication::translate("NameValidation", "Filename cannot be “.” or “..”"));
    keep(kept.tooLong,
         QCoreApplication::translate("NameValidation", "Filename is too long (over 255 bytes)"));
    keep(kept.duplicate, QCoreApplication::translate("NameValidation", "Duplicate filename"));
    return kept;
}

void setStatus(FileItem &item, Verdict verdict, qsizetype groupSize, const Messages &messages,
               Counts &counts)
{
    // Only what changes is written: an unchanged row is left as it is in memory, so that
    // it need not be written back.
    const auto set = [&item](RenameStatus status, const OptionalText &message) {
        if (item.status != status)
            item.status = status;
        item.errorMessage = message; // nothing is written when it is the same message
    };
    switch (verdict) {
    case Verdict::invalidCharacters:
        set(RenameStatus::error, messages.invalidCharacters);
        ++counts.errors;
        return;
    case Verdict::emptyName:
        set(RenameStatus::error, messages.emptyName);
        ++counts.errors;
        return;
    case Verdict::dotName:
        set(RenameStatus::error, messages.dotName);
        ++counts.errors;
        return;
    case Verdict::tooLong:
        set(RenameStatus::error, messages.tooLong);
        ++counts.errors;
        return;
    case Verdict::grouped:
        break;
    }
    if (groupSize > 1) {
        set(RenameStatus::conflict, messages.duplicate);
        ++counts.conflicts;
    } else {
        set(RenameStatus::pending, OptionalText());
    }
}

Keys::Keys(qsizetype count, qsizetype pieces, const ListedFolders &listedFolders)
    : folders(&listedFolders), hashes(static_cast<size_t>(count)),
      verdicts(static_cast<size_t>(count)), keysOfPiece(static_cast<size_t>(pieces))
{
}

void addKey(Keys &keys, qsizetype piece, qsizetype row, const QString &name)
{
    const auto at = static_cast<size_t>(row);
    keys.verdicts[at] = verdictOf(name);
    if (keys.verdicts[at] != Verdict::grouped)
        return;
    QString key;
    const qint32 folder = keys.folders->folderOf(row);
    keys.hashes[at] = placeHash(groupKey(name, key, keys.folders->ignoresCase(folder)), folder);
    if (!key.isNull())
        keys.keysOfPiece[size_t(piece)].emplace_back(row, std::move(key));
}

namespace {

// Rows per thread below which spreading the work costs more than it saves.
constexpr qsizetype minimumPiece = 8192;
constexpr qsizetype lookAhead = 8; // rows whose names are fetched ahead of their turn

} // namespace

Counts judge(QList<FileItem> &files)
{
    return judge(files, ListedFolders(files));
}

Counts judge(QList<FileItem> &files, const ListedFolders &folders)
{
    const qsizetype count = files.size();
    const FileItem *const items = files.constData();
    Keys keys(count, ParallelRanges::pieceCount(count, minimumPiece), folders);
    ParallelRanges::run(count, minimumPiece, [&](qsizetype piece, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            if (i + lookAhead < end)
                __builtin_prefetch(items[i + lookAhead].newName.constData());
            addKey(keys, piece, i, items[i].newName);
        }
    });
    return judge(files, std::move(keys));
}

Counts judge(QList<FileItem> &files, Keys keys)
{
    // Each core groups the names whose hashes fall in its share, in the list's order.
    const qsizetype count = files.size();
    FileItem *const items = files.data(); // detached here, before any thread starts
    const Messages texts = messages();    // shared by every file that has one
    const std::vector<quint32> &hashes = keys.hashes;
    const std::vector<Verdict> &verdicts = keys.verdicts;
    const ListedFolders &folders = *keys.folders;
    using RowKey = std::pair<qsizetype, QString>;
    std::vector<RowKey> canonical; // in the list's order, as the pieces are
    for (std::vector<RowKey> &piece : keys.keysOfPiece)
        std::move(piece.begin(), piece.end(), std::back_inserter(canonical));

    // Files with the same valid new name form a group. Equal names have equal hashes, so
    // the hashes share the names out among the cores, each grouping its share on its own.
    // The groups read their names from the list and from `canonical`, both left as they
    // are until the groups are gone.
    const qsizetype parts = ParallelRanges::pieceCount(count, minimumPiece);
    const auto partOf = [parts](quint32 hash) { return NameGroups::shareOf(hash, parts); };
    std::vector<NameGroups> groups = NameGroups::inShares(count, parts);
    std::vector<qint32> groupOfFile(static_cast<size_t>(count), -1);
    ParallelRanges::run(parts, 1, [&](qsizetype, qsizetype first, qsizetype last) {
        for (qsizetype part = first; part < last; ++part) {
            NameGroups &mine = groups[size_t(part)];
            size_t key = 0; // the first entry of `canonical` not behind the row
            for (qsizetype i = 0; i < count; ++i) {
                const auto at = static_cast<size_t>(i);
                // Its slot. The name's text is read only when an equal hash is found: a new
                // group points at it where it lies.
                if (i + lookAhead < count && partOf(hashes[at + lookAhead]) == part)
                    mine.prefetch(hashes[at + lookAhead]);
                if (verdicts[at] != Verdict::grouped || partOf(hashes[at]) != part)
                    continue;
                while (key < canonical.size() && canonical[key].first < i)
                    ++key;
                const bool keyed = key < canonical.size() && canonical[key].first == i;
                groupOfFile[at] = qint32(mine.add(keyed ? canonical[key].second : items[i].newName,
                                                  hashes[at], folders.folderOf(i)));
            }
        }
    });

    std::vector<Counts> countsOfPiece(size_t(ParallelRanges::pieceCount(count, minimumPiece)));
    ParallelRanges::run(count, minimumPiece, [&](qsizetype piece, qsizetype begin, qsizetype end) {
        Counts &counts = countsOfPiece[size_t(piece)];
        for (qsizetype i = begin; i < end; ++i) {
            const auto at = static_cast<size_t>(i);
            const qint32 group = groupOfFile[at];
            const qsizetype size =
                group >= 0 ? groups[size_t(partOf(hashes[at]))].groupSize(group) : 0;
            setStatus(items[i], verdicts[at], size, texts, counts);
        }
    });
    return total(countsOfPiece);
}

} // namespace NameValidation
