#include "namevalidation.h"

#include "namegroups.h"
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
    // Files with the same valid new name form a group.
    NameGroups groups(files.size());
    std::vector<qsizetype> groupOfFile(static_cast<size_t>(files.size()), -1);
    for (qsizetype i = 0; i < files.size(); ++i) {
        FileItem &item = files[i];
        item.status = RenameStatus::pending;
        item.errorMessage.reset();
        if (containsForbiddenCharacter(item.newName)) {
            item.status = RenameStatus::error;
            item.errorMessage = QCoreApplication::translate("NameValidation",
                                                            "Contains invalid characters (: / \\)");
        } else if (UnicodeText::isBlank(item.newName)) {
            item.status = RenameStatus::error;
            item.errorMessage =
                QCoreApplication::translate("NameValidation", "Filename cannot be empty");
        } else {
            groupOfFile[static_cast<size_t>(i)] =
                groups.add(UnicodeText::canonicalKey(item.newName));
        }
    }
    for (qsizetype i = 0; i < files.size(); ++i) {
        const qsizetype group = groupOfFile[static_cast<size_t>(i)];
        if (group >= 0 && groups.groupSize(group) > 1) {
            FileItem &item = files[i];
            item.status = RenameStatus::conflict;
            item.errorMessage = QCoreApplication::translate("NameValidation", "Duplicate filename");
        }
    }
}

} // namespace NameValidation
