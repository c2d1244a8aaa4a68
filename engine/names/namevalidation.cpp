#include "names/namevalidation.h"

#include "disk/localpath.h"
#include "names/unicodetext.h"
#include "preview/namegroups.h"

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

} // namespace NameValidation
