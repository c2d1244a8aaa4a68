#include "namevalidation.h"

#include "namegroups.h"
#include "parallelranges.h"
#include "unicodetext.h"

#include <vector>

#include <QCoreApplication>

namespace NameValidation {

bool containsForbiddenCharacter(QStringView name)
{
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u':' || u == u'/' || u == u'\\')
            return true;
    }
    return false;
}

Verdict verdictOf(QStringView name)
{
    if (containsForbiddenCharacter(name))
        return Verdict::invalidCharacters;
    if (UnicodeText::isBlank(name))
        return Verdict::emptyName;
    return Verdict::grouped;
}

QString groupKey(const QString &name)
{
    return UnicodeText::isAscii(name) ? QString() : UnicodeText::canonicalKey(name);
}

Messages messages()
{
    return {QCoreApplication::translate("NameValidation", "Contains invalid characters (: / \\)"),
            QCoreApplication::translate("NameValidation", "Filename cannot be empty"),
            QCoreApplication::translate("NameValidation", "Duplicate filename")};
}

void setStatus(FileItem &item, Verdict verdict, qsizetype groupSize, const Messages &messages)
{
    switch (verdict) {
    case Verdict::invalidCharacters:
        item.status = RenameStatus::error;
        item.errorMessage = messages.invalidCharacters;
        return;
    case Verdict::emptyName:
        item.status = RenameStatus::error;
        item.errorMessage = messages.emptyName;
        return;
    case Verdict::grouped:
        break;
    }
    if (groupSize > 1) {
        item.status = RenameStatus::conflict;
        item.errorMessage = messages.duplicate;
    } else {
        item.status = RenameStatus::pending;
        item.errorMessage.reset();
    }
}

void judge(QList<FileItem> &files)
{
    // Each name is judged on its own, spread over the cores; only the grouping of equal
    // names runs in one piece, in the list's order.
    constexpr qsizetype minimumPiece = 8192;
    const qsizetype count = files.size();
    FileItem *const items = files.data(); // detached here, before any thread starts
    const Messages texts = messages();    // shared by every file that has one
    // The canonical key of each valid name that is not its own key (ASCII names are), and
    // the hash of the key; names with an error are not grouped.
    std::vector<QString> keys(static_cast<size_t>(count));
    std::vector<quint32> hashes(static_cast<size_t>(count));
    std::vector<Verdict> verdicts(static_cast<size_t>(count));
    ParallelRanges::run(count, minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            const auto at = static_cast<size_t>(i);
            verdicts[at] = verdictOf(items[i].newName);
            if (verdicts[at] != Verdict::grouped)
                continue;
            keys[at] = groupKey(items[i].newName);
            hashes[at] = NameGroups::hashOf(keys[at].isNull() ? items[i].newName : keys[at]);
        }
    });

    // Files with the same valid new name form a group.
    NameGroups groups(count);
    std::vector<qsizetype> groupOfFile(static_cast<size_t>(count), -1);
    constexpr qsizetype lookAhead = 8;
    for (qsizetype i = 0; i < count; ++i) {
        if (i + lookAhead < count)
            groups.prefetch(hashes[static_cast<size_t>(i + lookAhead)]);
        const auto at = static_cast<size_t>(i);
        if (verdicts[at] == Verdict::grouped)
            groupOfFile[at] =
                groups.add(keys[at].isNull() ? items[i].newName : keys[at], hashes[at]);
    }

    ParallelRanges::run(count, minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            const auto at = static_cast<size_t>(i);
            const qsizetype group = groupOfFile[at];
            setStatus(items[i], verdicts[at], group >= 0 ? groups.groupSize(group) : 0, texts);
        }
    });
}

} // namespace NameValidation
