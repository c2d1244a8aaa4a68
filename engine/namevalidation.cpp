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

void judge(QList<FileItem> &files)
{
    // Each name is judged on its own, spread over the cores; only the grouping of equal
    // names runs in one piece, in the list's order.
    constexpr qsizetype minimumPiece = 8192;
    const qsizetype count = files.size();
    FileItem *const items = files.data(); // detached here, before any thread starts
    // Translated once: the pieces and the files share these texts.
    const OptionalText invalidCharacters =
        QCoreApplication::translate("NameValidation", "Contains invalid characters (: / \\)");
    const OptionalText emptyName =
        QCoreApplication::translate("NameValidation", "Filename cannot be empty");
    const OptionalText duplicate =
        QCoreApplication::translate("NameValidation", "Duplicate filename");
    // The canonical key of each valid name that is not its own key (ASCII names are), and
    // the hash of the key; names with an error are not grouped.
    std::vector<QString> keys(static_cast<size_t>(count));
    std::vector<quint32> hashes(static_cast<size_t>(count));
    std::vector<char> grouped(static_cast<size_t>(count), 0);
    ParallelRanges::run(count, minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            FileItem &item = items[i];
            item.status = RenameStatus::pending;
            item.errorMessage.reset();
            if (containsForbiddenCharacter(item.newName)) {
                item.status = RenameStatus::error;
                item.errorMessage = invalidCharacters;
            } else if (UnicodeText::isBlank(item.newName)) {
                item.status = RenameStatus::error;
                item.errorMessage = emptyName;
            } else {
                const auto at = static_cast<size_t>(i);
                if (!UnicodeText::isAscii(item.newName))
                    keys[at] = UnicodeText::canonicalKey(item.newName);
                hashes[at] = NameGroups::hashOf(keys[at].isNull() ? item.newName : keys[at]);
                grouped[at] = 1;
            }
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
        if (grouped[at])
            groupOfFile[at] =
                groups.add(keys[at].isNull() ? items[i].newName : keys[at], hashes[at]);
    }

    ParallelRanges::run(count, minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            const qsizetype group = groupOfFile[static_cast<size_t>(i)];
            if (group >= 0 && groups.groupSize(group) > 1) {
                items[i].status = RenameStatus::conflict;
                items[i].errorMessage = duplicate;
            }
        }
    });
}

} // namespace NameValidation
