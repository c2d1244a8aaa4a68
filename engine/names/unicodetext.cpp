#include "names/unicodetext.h"

#include <unicode/brkiter.h>
#include <unicode/casemap.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace UnicodeText {

namespace {

const icu::Normalizer2 &nfd()
{
    UErrorCode status = U_ZERO_ERROR;
    return *icu::Normalizer2::getNFDInstance(status);
}

const icu::Normalizer2 &nfc()
{
    UErrorCode status = U_ZERO_ERROR;
    return *icu::Normalizer2::getNFCInstance(status);
}

icu::BreakIterator *characterBreaks()
{
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        return std::unique_ptr<icu::BreakIterator>(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    }();
    return iterator.get();
}

// Case properties of the ASCII range, read once from ICU so the fast paths agree with
// the general ones.
struct AsciiCaseTable {
    std::array<bool, 128> cased{};
    std::array<bool, 128> ignorable{};
    AsciiCaseTable()
    {
        for (char32_t c = 0; c < 128; ++c) {
            cased[c] = u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_CASED);
            ignorable[c] = u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_CASE_IGNORABLE);
        }
    }
};

const AsciiCaseTable &asciiCaseTable()
{
    static const AsciiCaseTable table;
    return table;
}

} // namespace

const icu::UnicodeString &emptyText()
{
    static const icu::UnicodeString empty;
    return empty;
}

char32_t codePointAt(QStringView text, qsizetype index, qsizetype *width)
{
    const QChar c = text.at(index);
    const bool pair =
        c.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate();
    if (width)
        *width = pair ? 2 : 1;
    return pair ? QChar::surrogateToUcs4(c, text.at(index + 1)) : c.unicode();
}

char32_t codePointBefore(QStringView text, qsizetype end, qsizetype *width)
{
    const QChar c = text.at(end - 1);
    const bool pair = c.isLowSurrogate() && end >= 2 && text.at(end - 2).isHighSurrogate();
    if (width)
        *width = pair ? 2 : 1;
    return pair ? QChar::surrogateToUcs4(text.at(end - 2), c) : c.unicode();
}

std::vector<qsizetype> graphemeBoundaries(QStringView text)
{
    std::vector<qsizetype> boundaries;
    boundaries.reserve(static_cast<size_t>(text.size()) + 1);
    if (isAsciiWithoutCarriageReturn(text)) {
        for (qsizetype i = 0; i <= text.size(); ++i)
            boundaries.push_back(i);
        return boundaries;
    }
    UErrorCode status = U_ZERO_ERROR;
    UText *utext = utext_openUChars(nullptr, reinterpret_cast<const UChar *>(text.utf16()),
                                    text.size(), &status);
    icu::BreakIterator *breaks = characterBreaks();
    if (U_FAILURE(status) || breaks == nullptr) {
        utext_close(utext);
        for (qsizetype i = 0; i <= text.size(); ++i)
            boundaries.push_back(i);
        return boundaries;
    }
    breaks->setText(utext, status);
    for (int32_t position = breaks->first(); position != icu::BreakIterator::DONE;
         position = breaks->next()) {
        boundaries.push_back(position);
    }
    // The iterator keeps a pointer to the text; point it at something that stays alive.
    breaks->setText(emptyText());
    utext_close(utext);
    if (boundaries.empty() || boundaries.back() != text.size())
        boundaries.push_back(text.size());
    return boundaries;
}

QString canonicalKey(const QString &text)
{
    if (isAscii(text))
        return text;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString normalized = nfc().normalize(aliasIcu(text), status);
    return U_SUCCESS(status) ? fromIcu(normalized) : text;
}

QString matchingKey(QStringView text, bool caseSensitive)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString key = nfd().normalize(aliasIcu(text), status);
    if (!caseSensitive) {
        key.foldCase(U_FOLD_CASE_DEFAULT);
        key = nfd().normalize(key, status);
    }
    return U_SUCCESS(status) ? fromIcu(key) : text.toString();
}

bool isWhiteSpace(char32_t codePoint)
{
    if (codePoint == u'\t' || codePoint == u' ')
        return true;
    if (codePoint < 0x80)
        return false;
    return u_charType(static_cast<UChar32>(codePoint)) == U_SPACE_SEPARATOR;
}

bool isBlank(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype width = 1;
        if (!isWhiteSpace(codePointAt(text, i, &width)))
            return false;
        i += width;
    }
    return true;
}

QString toUpper(const QString &text)
{
    if (isAscii(text))
        return text.toUpper();
    icu::UnicodeString converted = toIcu(text);
    converted.toUpper(icu::Locale::getRoot());
    return fromIcu(converted);
}

QString toLower(const QString &text)
{
    if (isAscii(text))
        return text.toLower();
    icu::UnicodeString converted = toIcu(text);
    converted.toLower(icu::Locale::getRoot());
    return fromIcu(converted);
}

QString toTitle(char32_t codePoint)
{
    if (codePoint < 0x80) {
        const char16_t c = static_cast<char16_t>(codePoint);
        return QString(QChar(c >= u'a' && c <= u'z' ? c - 32 : c));
    }
    // Full title-case mapping of one character: "ß" becomes "Ss", "ǆ" becomes "ǅ". Without
    // the option ICU would first move on to a letter, so a cased mark such as U+0345 (whose
    // title case is U+0399) would pass through unchanged.
    const icu::UnicodeString source(static_cast<UChar32>(codePoint));
    UChar buffer[16];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = icu::CaseMap::toTitle(
        "", U_TITLECASE_NO_BREAK_ADJUSTMENT | U_TITLECASE_NO_LOWERCASE, nullptr, source.getBuffer(),
        source.length(), buffer, 16, nullptr, status);
    if (U_FAILURE(status))
        return fromIcu(source);
    return QString(reinterpret_cast<const QChar *>(buffer), length);
}

bool isCased(char32_t codePoint)
{
    if (codePoint < 0x80)
        return asciiCaseTable().cased[codePoint];
    return u_hasBinaryProperty(static_cast<UChar32>(codePoint), UCHAR_CASED);
}

bool isCaseIgnorable(char32_t codePoint)
{
    if (codePoint < 0x80)
        return asciiCaseTable().ignorable[codePoint];
    return u_hasBinaryProperty(static_cast<UChar32>(codePoint), UCHAR_CASE_IGNORABLE);
}

bool isAlphanumeric(char32_t codePoint)
{
    if (codePoint < 0x80) {
        return (codePoint >= u'a' && codePoint <= u'z') ||
               (codePoint >= u'A' && codePoint <= u'Z') || (codePoint >= u'0' && codePoint <= u'9');
    }
    const int32_t mask = U_GET_GC_MASK(static_cast<UChar32>(codePoint));
    return (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

namespace {

// Eight code units compared at once, in the processor's vector registers where it has them.
using Lanes = char16_t __attribute__((vector_size(16)));
constexpr qsizetype laneCount = 8;

Lanes lanesAt(const char16_t *text)
{
    Lanes lanes;
    std::memcpy(&lanes, text, sizeof lanes);
    return lanes;
}

template <typename Mask> bool anySet(Mask mask)
{
    quint64 words[2];
    static_assert(sizeof mask == sizeof words);
    std::memcpy(words, &mask, sizeof words);
    return (words[0] | words[1]) != 0;
}

} // namespace

void assign(QString &text, std::initializer_list<QStringView> pieces)
{
    qsizetype length = 0;
    for (const QStringView piece : pieces)
        length += piece.size();
    text.resize(length);
    char16_t *at = reinterpret_cast<char16_t *>(text.data());
    for (const QStringView piece : pieces)
        at = std::copy_n(piece.utf16(), piece.size(), at);
}

bool isAscii(QStringView text)
{
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    if (size < laneCount) {
        char16_t any = 0;
        for (qsizetype i = 0; i < size; ++i)
            any |= data[i];
        return any <= 0x7f;
    }
    // Every eight together, the last eight overlapping the ones before: a name is short,
    // and looking at all of it costs less than a branch at every step.
    Lanes any = lanesAt(data + size - laneCount);
    for (qsizetype i = 0; i + laneCount <= size; i += laneCount)
        any |= lanesAt(data + i);
    return !anySet(any > (Lanes{} + char16_t(0x7f)));
}

bool isAsciiWithoutCarriageReturn(QStringView text)
{
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    const Lanes carriageReturn = Lanes{} + u'\r';
    const Lanes beyondAscii = Lanes{} + char16_t(0x7f);
    const auto plain = [&](qsizetype at) {
        const Lanes lanes = lanesAt(data + at);
        return !anySet((lanes > beyondAscii) | (lanes == carriageReturn));
    };
    if (size < laneCount) {
        for (qsizetype i = 0; i < size; ++i) {
            if (data[i] > 0x7f || data[i] == u'\r')
                return false;
        }
        return true;
    }
    // Eight at a time, the last eight overlapping the ones before.
    for (qsizetype i = 0; i + laneCount <= size; i += laneCount) {
        if (!plain(i))
            return false;
    }
    return plain(size - laneCount);
}

qsizetype indexOfEither(QStringView text, char16_t a, char16_t b, qsizetype from)
{
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    const Lanes first = Lanes{} + a;
    const Lanes second = Lanes{} + b;
    const auto holds = [&](qsizetype at) {
        const Lanes lanes = lanesAt(data + at);
        return anySet((lanes == first) | (lanes == second));
    };
    qsizetype i = std::max<qsizetype>(from, 0);
    while (i + laneCount <= size && !holds(i))
        i += laneCount;
    // The last few, in the eight that end the text when it has that many.
    if (i + laneCount > size && size >= laneCount && i < size && !holds(size - laneCount))
        return -1;
    for (; i < size; ++i) {
        if (data[i] == a || data[i] == b)
            return i;
    }
    return -1;
}

bool containsAnyOf(QStringView text, char16_t a, char16_t b, char16_t c)
{
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    const Lanes first = Lanes{} + a;
    const Lanes second = Lanes{} + b;
    const Lanes third = Lanes{} + c;
    const auto holds = [&](qsizetype at) {
        const Lanes lanes = lanesAt(data + at);
        return anySet((lanes == first) | (lanes == second) | (lanes == third));
    };
    if (size < laneCount) {
        for (qsizetype i = 0; i < size; ++i) {
            if (data[i] == a || data[i] == b || data[i] == c)
                return true;
        }
        return false;
    }
    // Eight at a time, the last eight overlapping the ones before.
    for (qsizetype i = 0; i + laneCount <= size; i += laneCount) {
        if (holds(i))
            return true;
    }
    return holds(size - laneCount);
}

} // namespace UnicodeText
