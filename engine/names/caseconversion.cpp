#include "names/caseconversion.h"

#include "disk/localpath.h"
#include "names/unicodetext.h"

#include <QList>

#include <array>

namespace CaseConversion {

namespace {

// Title case over ASCII as one lookup a character. A word runs from a letter over letters
// and case-ignorable characters; its first letter is upper case, the others lower case.
// The entry for a character, at 128 within a word and at 0 outside one, is the character
// to write, with the high bit set when the next character is within a word.
const std::array<quint8, 256> &asciiTitleCaseSteps()
{
    static const std::array<quint8, 256> table = [] {
        std::array<quint8, 256> result{};
        constexpr quint8 inWord = 0x80;
        for (char32_t c = 0; c < 128; ++c) {
            const bool upper = c >= U'A' && c <= U'Z';
            const bool lower = c >= U'a' && c <= U'z';
            const auto plain = quint8(c);
            if (upper || lower) {
                result[c] = quint8((lower ? c - 32 : c) | inWord);
                result[128 + c] = quint8((upper ? c + 32 : c) | inWord);
            } else {
                const bool ignorable = UnicodeText::isCaseIgnorable(c);
                result[c] = plain;
                result[128 + c] = quint8(plain | (ignorable ? inWord : 0));
            }
        }
        return result;
    }();
    return table;
}

// `text` is ASCII.
void capitalizeAsciiInPlace(QChar *text, qsizetype length)
{
    const std::array<quint8, 256> &steps = asciiTitleCaseSteps();
    unsigned state = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = text[i].unicode();
        Q_ASSERT(c < 128);
        const quint8 step = steps[state + c];
        text[i] = QChar(char16_t(step & 0x7f));
        state = step & 0x80u;
    }
}

QString capitalizeAscii(const QString &text)
{
    QString result = text;
    capitalizeAsciiInPlace(result.data(), result.size());
    return result;
}

// A byte of a name that is not UTF-8 (LocalPath::decodeName) is most likely a letter of an
// older encoding, so it counts as one in words: it keeps its place in a word, and no case
// mapping changes it.
bool isEscapedByte(char32_t c)
{
    return c <= 0xFFFF && LocalPath::isEscapedByte(char16_t(c));
}

// Splits at every character that is not a letter, mark or number; every separator ends
// a part, so adjacent separators and separators at either end give empty parts.
QList<QString> splitWords(const QString &text)
{
    QList<QString> parts;
    qsizetype partStart = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype width = 1;
        const char32_t c = UnicodeText::codePointAt(text, i, &width);
        if (!UnicodeText::isAlphanumeric(c) && !isEscapedByte(c)) {
            parts.append(text.mid(partStart, i - partStart));
            partStart = i + width;
        }
        i += width;
    }
    parts.append(text.mid(partStart));
    return parts;
}

} // namespace

QString capitalizeWords(const QString &text)
{
    if (UnicodeText::isAscii(text))
        return capitalizeAscii(text);

    // A word runs from a cased letter over cased and case-ignorable characters. Its first
    // letter takes the title-case mapping; the rest is lower-cased as one run, so that
    // context-dependent mappings such as the final sigma come out right.
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype width = 1;
        const char32_t c = UnicodeText::codePointAt(text, i, &width);
        const bool escaped = isEscapedByte(c);
        if (!escaped && !UnicodeText::isCased(c)) {
            result.append(QStringView(text).mid(i, width));
            i += width;
            continue;
        }
        if (escaped)
            result.append(QChar(char16_t(c)));
        else
            result.append(UnicodeText::toTitle(c));
        qsizetype end = i + width;
        while (end < text.size()) {
            qsizetype nextWidth = 1;
            const char32_t next = UnicodeText::codePointAt(text, end, &nextWidth);
            if (!UnicodeText::isCased(next) && !UnicodeText::isCaseIgnorable(next) &&
                !isEscapedByte(next))
                break;
            end += nextWidth;
        }
        // Lower-case the rest of the word with the first letter in front as context,
        // then drop that letter's lower-case form again.
        const QString firstLower = UnicodeText::toLower(text.mid(i, width));
        const QString wordLower = UnicodeText::toLower(text.mid(i, end - i));
        result.append(QStringView(wordLower).mid(firstLower.size()));
        i = end;
    }
    return result;
}

QString camelCase(const QString &text)
{
    const QList<QString> parts = splitWords(text);
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < parts.size(); ++i)
        result.append(i == 0 ? UnicodeText::toLower(parts[i]) : capitalizeWords(parts[i]));
    return result;
}

QString snakeCase(const QString &text)
{
    QList<QString> parts = splitWords(text);
    parts.removeIf([](const QString &part) { return part.isEmpty(); });
    return UnicodeText::toLower(parts.join(u'_'));
}

bool convertAsciiInPlace(QChar *text, qsizetype length, CaseType caseType)
{
    switch (caseType) {
    case CaseType::uppercase:
        for (qsizetype i = 0; i < length; ++i) {
            const char16_t c = text[i].unicode();
            if (c >= u'a' && c <= u'z')
                text[i] = QChar(c - 32);
        }
        return true;
    case CaseType::lowercase:
        for (qsizetype i = 0; i < length; ++i) {
            const char16_t c = text[i].unicode();
            if (c >= u'A' && c <= u'Z')
                text[i] = QChar(c + 32);
        }
        return true;
    case CaseType::titleCase:
        capitalizeAsciiInPlace(text, length);
        return true;
    case CaseType::camelCase:
    case CaseType::snakeCase:
        break;
    }
    return false;
}

QString convert(const QString &text, CaseType caseType)
{
    switch (caseType) {
    case CaseType::uppercase:
        return UnicodeText::toUpper(text);
    case CaseType::lowercase:
        return UnicodeText::toLower(text);
    case CaseType::titleCase:
        return capitalizeWords(text);
    case CaseType::camelCase:
        return camelCase(text);
    case CaseType::snakeCase:
        return snakeCase(text);
    }
    return text;
}

} // namespace CaseConversion
