#pragma once

// Internal to the engine: not part of its interface.

#include <QString>
#include <QStringView>

#include <unicode/unistr.h>

#include <initializer_list>
#include <vector>

// Small bridges between Qt strings and ICU, and the Unicode questions the name
// computation asks. Both sides are UTF-16, so conversions copy code units only.
namespace UnicodeText {

inline icu::UnicodeString toIcu(QStringView text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

// A read-only ICU view of text that must outlive it.
inline icu::UnicodeString aliasIcu(QStringView text)
{
    return icu::UnicodeString(false, reinterpret_cast<const UChar *>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

inline QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

bool isAscii(QStringView text);
// Sets `text` to the pieces one after the other, in the room it already has when that is
// enough: most names of a list are about as long as the one before.
void assign(QString &text, std::initializer_list<QStringView> pieces);
// Whether `text` is ASCII without a carriage return: text in which every code unit is a
// whole user-perceived character and its own canonical form.
bool isAsciiWithoutCarriageReturn(QStringView text);
// Where `text` first holds `a` or `b` from `from` on, or -1; eight code units at a time.
qsizetype indexOfEither(QStringView text, char16_t a, char16_t b, qsizetype from = 0);
// Whether `text` holds any of the three code units, eight at a time.
bool containsAnyOf(QStringView text, char16_t a, char16_t b, char16_t c);

// An empty text that lives as long as the program: ICU iterators and matchers keep a
// reference to their input, so they are pointed here once the real input goes away.
const icu::UnicodeString &emptyText();

// The code point that starts at `index`, and how many code units it takes. A lone
// surrogate stands for itself.
char32_t codePointAt(QStringView text, qsizetype index, qsizetype *width = nullptr);
// The code point that ends just before `end`.
char32_t codePointBefore(QStringView text, qsizetype end, qsizetype *width = nullptr);

// Offsets of every user-perceived character (grapheme cluster) boundary, 0 and the
// length included.
std::vector<qsizetype> graphemeBoundaries(QStringView text);

// The key under which canonically equivalent texts are equal (NFC).
QString canonicalKey(const QString &text);

// NFD, or NFD(casefold(NFD(text))) when letter case is ignored: the canonical caseless
// form.
QString matchingKey(QStringView text, bool caseSensitive);

// Unicode space separators (Zs) and the tab.
bool isWhiteSpace(char32_t codePoint);

// Whether nothing but white space remains once white space is taken from both ends.
bool isBlank(QStringView text);

// Root-locale full case mappings, never the user's language.
QString toUpper(const QString &text);
QString toLower(const QString &text);
QString toTitle(char32_t codePoint);

bool isCased(char32_t codePoint);
bool isCaseIgnorable(char32_t codePoint);
// Letters, marks and numbers (general categories L, M and N).
bool isAlphanumeric(char32_t codePoint);

} // namespace UnicodeText
