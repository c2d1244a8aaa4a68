#include "namevalidation.h"

#include "namegroups.h"
#include "parallelranges.h"
#include "unicodetext.h"

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

Verdict verdictOf(QStringView name)
{
    if (containsForbiddenCharacter(name))
        return Verdict::invalidCharacters;
    if (UnicodeText::isBlank(name))
        return Verdict::emptyName;
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

quint32 groupKey(const QString &name, QString &key)
{
    key = UnicodeText::isAscii(name) ? QString() : UnicodeText::canonicalKey(name);
    return NameGroups::hashOf(key.isNull() ? name : key);
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

Counts judge(QList<FileItem> &files)
{
    // Each name is judged on its own, spread over the cores; then each core groups the
    // names whose hashes fall in its share, in the list's order.
    constexpr qsizetype minimumPiece = 8192;
    constexpr qsizetype lookAhead = 8; // rows whose names are fetched ahead of their turn
    const qsizetype count = files.size();
    FileItem *const items = files.data(); // detached here, before any thread starts
    const Messages texts = messages();    // shared by every file that has one
    // The hash of each valid name's key, and the canonical keys of the few names that are
    // not their own key (ASCII names are), by row; names with an error are not grouped.
    std::vector<quint32> hashes(static_cast<size_t>(count));
    std::vector<Verdict> verdicts(static_cast<size_t>(count));
    using RowKey = std::pair<qsizetype, QString>;
    std::vector<std::vector<RowKey>> keysOfPiece(
        static_cast<size_t>(ParallelRanges::pieceCount(count, minimumPiece)));
    ParallelRanges::run(count, minimumPiece, [&](qsizetype piece, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            if (i + lookAhead < end)
                __builtin_prefetch(items[i + lookAhead].newName.constData());
            const auto at = static_cast<size_t>(i);
            verdicts[at] = verdictOf(items[i].newName);
            if (verdicts[at] != Verdict::grouped)
                continue;
            QString key;
            hashes[at] = groupKey(items[i].newName, key);
            if (!key.isNull())
                keysOfPiece[size_t(piece)].emplace_back(i, std::move(key));
        }
    });
    std::vector<RowKey> keys; // in the list's order, as the pieces are
    for (std::vector<RowKey> &piece : keysOfPiece)
        std::move(piece.begin(), piece.end(), std::back_inserter(keys));

    // Files with the same valid new name form a group. Equal names have equal hashes, so
    // the hashes share the names out among the cores, each grouping its share on its own.
    const qsizetype parts = ParallelRanges::pieceCount(count, minimumPiece);
    const auto partOf = [parts](quint32 hash) { return NameGroups::shareOf(hash, parts); };
    std::vector<NameGroups> groups = NameGroups::inShares(count, parts);
    std::vector<qint32> groupOfFile(static_cast<size_t>(count), -1);
    ParallelRanges::run(parts, 1, [&](qsizetype, qsizetype first, qsizetype last) {
        for (qsizetype part = first; part < last; ++part) {
            NameGroups &mine = groups[size_t(part)];
            size_t key = 0; // the first entry of `keys` not behind the row
            for (qsizetype i = 0; i < count; ++i) {
                const auto at = static_cast<size_t>(i);
                if (i + lookAhead < count && partOf(hashes[at + lookAhead]) == part) {
                    // Its slot, and its name, which the group it starts takes a share of.
                    mine.prefetch(hashes[at + lookAhead]);
                    __builtin_prefetch(items[i + lookAhead].newName.constData());
                }
                if (verdicts[at] != Verdict::grouped || partOf(hashes[at]) != part)
                    continue;
                while (key < keys.size() && keys[key].first < i)
                    ++key;
                const bool keyed = key < keys.size() && keys[key].first == i;
                groupOfFile[at] =
                    qint32(mine.add(keyed ? keys[key].second : items[i].newName, hashes[at]));
            }
        }
    });

    std::vector<Counts> countsOfPiece(keysOfPiece.size());
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
