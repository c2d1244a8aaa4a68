#include "names/textmatcher.h"

#include "disk/localpath.h"
#include "names/unicodetext.h"

#include <QList>

#include <vector>

TextMatcher::TextMatcher(const QString &findText, bool caseSensitive)
    : m_findText(findText), m_findKey(UnicodeText::matchingKey(findText, caseSensitive)),
      m_findLower(findText.toLower()), m_caseSensitive(caseSensitive),
      m_findIsAscii(UnicodeText::isAscii(findText))
{
}

bool TextMatcher::replace(const QString &name, const QString &replacement,
                          ReplaceOccurrence occurrence, QString &out) const
{
    if (m_findText.isEmpty() || m_findKey.isEmpty())
        return false;
    if (m_findIsAscii && UnicodeText::isAsciiWithoutCarriageReturn(name))
        return replaceAscii(name, replacement, occurrence, out);
    QString result = replaceUnicode(name, replacement, occurrence);
    if (result.isSharedWith(name))
        return false;
    out = std::move(result);
    return true;
}

namespace {

char16_t asciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

bool equalsIgnoringAsciiCase(const QChar *text, QStringView lowerFind)
{
    for (qsizetype i = 0; i < lowerFind.size(); ++i) {
        if (asciiLower(text[i].unicode()) != lowerFind[i].unicode())
            return false;
    }
    return true;
}

} // namespace

// Qt's case-insensitive search folds every code unit by the full Unicode tables; for ASCII
// text a plain comparison against the lower-cased find text gives the same matches.
qsizetype TextMatcher::indexInAscii(QStringView name, qsizetype from) const
{
    if (m_caseSensitive)
        return name.indexOf(m_findText, from);
    const qsizetype findLength = m_findLower.size();
    const char16_t first = m_findLower.front().unicode();
    // The first character in both cases; the same twice when it has no case.
    const char16_t firstUpper =
        (first >= u'a' && first <= u'z') ? char16_t(first - (u'a' - u'A')) : first;
    if (name.size() < findLength)
        return -1;
    const QStringView starts = name.left(name.size() - findLength + 1);
    const QStringView rest = QStringView(m_findLower).mid(1);
    for (qsizetype at = UnicodeText::indexOfEither(starts, first, firstUpper, from); at >= 0;
         at = UnicodeText::indexOfEither(starts, first, firstUpper, at + 1)) {
        if (equalsIgnoringAsciiCase(name.data() + at + 1, rest))
            return at;
    }
    return -1;
}

qsizetype TextMatcher::lastIndexInAscii(QStringView name) const
{
    if (m_caseSensitive)
        return name.lastIndexOf(m_findText);
    for (qsizetype at = name.size() - m_findLower.size(); at >= 0; --at) {
        if (equalsIgnoringAsciiCase(name.data() + at, m_findLower))
            return at;
    }
    return -1;
}

bool TextMatcher::replaceAscii(const QString &name, const QString &replacement,
                               ReplaceOccurrence occurrence, QString &out) const
{
    const qsizetype findLength = m_findText.size();
    qsizetype at =
        occurrence == ReplaceOccurrence::last ? lastIndexInAscii(name) : indexInAscii(name, 0);
    if (at < 0)
        return false;
    const qsizetype next =
        occurrence == ReplaceOccurrence::all ? indexInAscii(name, at + findLength) : -1;
    if (next < 0) {
        // One match, the common case: the name around it in one go.
        UnicodeText::assign(
            out, {QStringView(name).left(at), replacement, QStringView(name).mid(at + findLength)});
        return true;
    }
    out.resize(0);
    out.reserve(name.size() + replacement.size());
    qsizetype copied = 0;
    while (at >= 0) {
        out.append(QStringView(name).mid(copied, at - copied)).append(replacement);
        copied = at + findLength;
        at = occurrence == ReplaceOccurrence::all ? indexInAscii(name, copied) : -1;
    }
    out.append(QStringView(name).mid(copied));
    return true;
}

QString TextMatcher::replaceUnicode(const QString &name, const QString &replacement,
                                    ReplaceOccurrence occurrence) const
{
    // Build the matching key of the name one user-perceived character at a time, and
    // remember where each character starts in the key and in the name. Matches may only
    // start and end at those places.
    const std::vector<qsizetype> boundaries = UnicodeText::graphemeBoundaries(name);
    QString key;
    key.reserve(name.size() * 2);
    std::vector<qsizetype> keyStarts; // key offset of each character, plus the end
    keyStarts.reserve(boundaries.size());
    for (size_t i = 0; i + 1 < boundaries.size(); ++i) {
        keyStarts.push_back(key.size());
        const QStringView character =
            QStringView(name).mid(boundaries[i], boundaries[i + 1] - boundaries[i]);
        // A byte that is not UTF-8 is shown as U+FFFD, so that is what finds it; it is never
        // a part of a longer character.
        if (character.size() == 1 && LocalPath::isEscapedByte(character.front().unicode()))
            key.append(QChar::ReplacementCharacter);
        else
            key.append(UnicodeText::matchingKey(character, m_caseSensitive));
    }
    keyStarts.push_back(key.size());

    // Character index at each key offset, or -1 inside a character.
    std::vector<qsizetype> characterAt(static_cast<size_t>(key.size()) + 1, -1);
    for (size_t i = 0; i < keyStarts.size(); ++i)
        characterAt[static_cast<size_t>(keyStarts[i])] = static_cast<qsizetype>(i);

    const qsizetype characterCount = static_cast<qsizetype>(keyStarts.size()) - 1;
    auto matchAt = [&](qsizetype character) -> qsizetype {
        const qsizetype start = keyStarts[static_cast<size_t>(character)];
        if (!QStringView(key).mid(start).startsWith(m_findKey))
            return -1;
        return characterAt[static_cast<size_t>(start + m_findKey.size())];
    };

    QList<Range> matches; // in characters
    if (occurrence == ReplaceOccurrence::last) {
        for (qsizetype c = characterCount - 1; c >= 0; --c) {
            const qsizetype end = matchAt(c);
            if (end >= 0) {
                matches.append({c, end});
                break;
            }
        }
    } else {
        for (qsizetype c = 0; c < characterCount;) {
            const qsizetype end = matchAt(c);
            if (end < 0) {
                ++c;
                continue;
            }
            matches.append({c, end});
            if (occurrence == ReplaceOccurrence::first)
                break;
            c = end;
        }
    }
    if (matches.isEmpty())
        return name;

    QString result;
    result.reserve(name.size() + replacement.size());
    qsizetype copied = 0;
    for (const Range &match : matches) {
        const qsizetype start = boundaries[static_cast<size_t>(match.start)];
        result.append(QStringView(name).mid(copied, start - copied)).append(replacement);
        copied = boundaries[static_cast<size_t>(match.end)];
    }
    result.append(QStringView(name).mid(copied));
    return result;
}
