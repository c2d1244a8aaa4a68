#include "names/nametransformer.h"

#include "names/caseconversion.h"
#include "names/fileinfostep.h"
#include "names/nameparts.h"
#include "names/textmatcher.h"
#include "names/unicodetext.h"

#include <unicode/regex.h>

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace {

// No file name holds more characters than this, so a wider padding only wastes memory.
constexpr qint64 maxSequencePadding = 255;

// The decimal number as the printf directive "%0<padding>d" writes it. A padding of 0
// is no width at all; a negative one reads as the "-" flag, which wins over "0": the
// number is left-aligned and filled with spaces on the right.
QString formatSequenceNumber(qint64 number, qint64 padding)
{
    padding = std::clamp(padding, -maxSequencePadding, maxSequencePadding);
    if (number >= 0 && padding >= 0) // the common case, without a trip through printf
        return QString::number(number).rightJustified(padding, u'0');
    char buffer[maxSequencePadding + 32];
    const long long value = number;
    const int width = static_cast<int>(padding < 0 ? -padding : padding);
    int length = 0;
    if (padding > 0)
        length = std::snprintf(buffer, sizeof buffer, "%0*lld", width, value);
    else if (padding < 0)
        length = std::snprintf(buffer, sizeof buffer, "%-*lld", width, value);
    else
        length = std::snprintf(buffer, sizeof buffer, "%lld", value);
    return QString::fromLatin1(buffer, std::max(length, 0));
}

// Where the dot before the extension is, as NameParts::split finds it, or -1 when the name
// has no extension; in one pass from the end, for the steps every name goes through.
qsizetype extensionDot(QStringView name)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        const char16_t c = name[i].unicode();
        if (c == u'/')
            return -1;
        if (c == u'.')
            return (i == 0 || name[i - 1] == u'/') ? -1 : i;
    }
    return -1;
}

// The name with its base name's case changed, written into `out`, for an ASCII name;
// false for the conversions that change the length.
bool changeAsciiCase(const QString &name, CaseType caseType, QString &out)
{
    const qsizetype dot = extensionDot(name);
    const qsizetype baseLength = dot < 0 ? name.size() : dot;
    // A dot with nothing after it goes with the empty extension, as in NameParts::join.
    const qsizetype kept = dot == name.size() - 1 ? baseLength : name.size();
    UnicodeText::assign(out, {QStringView(name).left(kept)});
    return CaseConversion::convertAsciiInPlace(out.data(), baseLength, caseType);
}

// The number as formatSequenceNumber writes it, in a buffer of the caller's, without a
// string of its own in the common case; the view points into `buffer` or `spill`.
QStringView sequenceNumber(qint64 number, qint64 padding,
                           std::array<char16_t, maxSequencePadding + 24> &buffer, QString &spill)
{
    padding = std::clamp(padding, -maxSequencePadding, maxSequencePadding);
    if (number < 0 || padding < 0) {
        spill = formatSequenceNumber(number, padding);
        return spill;
    }
    // Digits from the end of the buffer backwards, then zeros up to the padding.
    qsizetype start = qsizetype(buffer.size());
    auto value = static_cast<quint64>(number);
    do {
        buffer[size_t(--start)] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (qsizetype(buffer.size()) - start < padding)
        buffer[size_t(--start)] = u'0';
    return QStringView(buffer.data() + start, qsizetype(buffer.size()) - start);
}

// Trims one or both ends of a base name. `leading` and `trailing` remove whole
// user-perceived characters while `character` accepts them; `both` removes single scalar
// values while `scalar` accepts them.
template <typename ScalarTest, typename CharacterTest>
QString trimEnds(const QString &base, TrimPosition position, ScalarTest scalar,
                 CharacterTest character)
{
    if (position == TrimPosition::both) {
        qsizetype start = 0;
        qsizetype end = base.size();
        qsizetype width = 1;
        while (start < end && scalar(UnicodeText::codePointAt(base, start, &width)))
            start += width;
        while (end > start && scalar(UnicodeText::codePointBefore(base, end, &width)))
            end -= width;
        return base.mid(start, end - start);
    }
    const std::vector<qsizetype> bounds = UnicodeText::graphemeBoundaries(base);
    const qsizetype count = static_cast<qsizetype>(bounds.size()) - 1;
    auto accepts = [&](qsizetype i) {
        return character(QStringView(base).mid(bounds[i], bounds[i + 1] - bounds[i]));
    };
    if (position == TrimPosition::leading) {
        qsizetype first = 0;
        while (first < count && accepts(first))
            ++first;
        return base.mid(bounds[first]);
    }
    qsizetype last = count;
    while (last > 0 && accepts(last - 1))
        --last;
    return base.left(bounds[last]);
}

QString trimCharacterCount(const QString &base, TrimPosition position, qint64 trimCount)
{
    const std::vector<qsizetype> bounds = UnicodeText::graphemeBoundaries(base);
    const qint64 count = static_cast<qint64>(bounds.size()) - 1;
    const qint64 wanted = std::max<qint64>(trimCount, 0);
    const qint64 n = std::min(wanted, count);
    switch (position) {
    case TrimPosition::leading:
        return base.mid(bounds[n]);
    case TrimPosition::trailing:
        return base.left(bounds[count - n]);
    case TrimPosition::both: {
        const qint64 m = std::min(wanted, count - n);
        return base.mid(bounds[n], bounds[count - m] - bounds[n]);
    }
    }
    return base;
}

} // namespace

struct NameTransformer::Step {
    RenameOperationWrapper operation;
    std::unique_ptr<TextMatcher> matcher;
    // Compiled once; a pattern that does not compile leaves this empty.
    std::unique_ptr<icu::RegexMatcher> regex;
    icu::UnicodeString regexReplacement;
    mutable bool timedOut = false;
    QSet<char32_t> trimSet;
    const QString *infoPieces = nullptr;
    qsizetype infoPieceCount = 0;
};

NameTransformer::NameTransformer(const QList<RenameOperationWrapper> &operations)
{
    m_steps.reserve(static_cast<size_t>(operations.size()));
    for (const RenameOperationWrapper &operation : operations) {
        Step step;
        step.operation = operation;
        switch (operation.mode) {
        case RenameMode::replace:
            if (!operation.findText.isEmpty())
                step.matcher =
                    std::make_unique<TextMatcher>(operation.findText, operation.caseSensitive);
            break;
        case RenameMode::regex:
            if (!operation.regexPattern.isEmpty()) {
                UErrorCode status = U_ZERO_ERROR;
                auto matcher = std::make_unique<icu::RegexMatcher>(
                    UnicodeText::toIcu(operation.regexPattern), 0, status);
                if (U_SUCCESS(status)) {
                    matcher->setTimeLimit(regexTimeLimit, status);
                    step.regex = std::move(matcher);
                    step.regexReplacement = UnicodeText::toIcu(operation.regexReplacement);
                }
            }
            break;
        case RenameMode::trim: {
            const QString characters = operation.customCharacters.isEmpty()
                                           ? QStringLiteral(" ")
                                           : operation.customCharacters;
            for (qsizetype i = 0; i < characters.size(); ++i) {
                const char32_t c = UnicodeText::codePointAt(characters, i);
                step.trimSet.insert(c);
                if (c > 0xFFFF)
                    ++i;
            }
            break;
        }
        default:
            break;
        }
        m_steps.push_back(std::move(step));
    }
}

NameTransformer::~NameTransformer() = default;

qsizetype NameTransformer::stepCount() const
{
    return qsizetype(m_steps.size());
}

void NameTransformer::setInfoPieces(qsizetype step, const QString *pieces, qsizetype count)
{
    if (step < 0 || step >= qsizetype(m_steps.size()))
        return;
    m_steps[size_t(step)].infoPieces = pieces;
    m_steps[size_t(step)].infoPieceCount = count;
}

bool NameTransformer::hasTimedOut(qsizetype step) const
{
    return step >= 0 && step < qsizetype(m_steps.size()) && m_steps[size_t(step)].timedOut;
}

void NameTransformer::markTimedOut(qsizetype step)
{
    if (step < 0 || step >= qsizetype(m_steps.size()) || m_steps[size_t(step)].timedOut)
        return;
    m_steps[size_t(step)].timedOut = true;
    ++m_timedOutSteps;
}

QString NameTransformer::apply(const QString &name, qsizetype position) const
{
    Buffers buffers;
    return apply(name, position, buffers);
}

const QString &NameTransformer::apply(const QString &name, qsizetype position,
                                      Buffers &buffers) const
{
    return apply(name, position, buffers, 0, stepCount());
}

const QString &NameTransformer::apply(const QString &name, qsizetype position, Buffers &buffers,
                                      qsizetype first, qsizetype last) const
{
    const QString *current = &name;
    for (qsizetype i = std::max<qsizetype>(first, 0); i < last && i < stepCount(); ++i) {
        QString &out = current == &buffers.first ? buffers.second : buffers.first;
        current = &applyStep(m_steps[size_t(i)], *current, position, out);
    }
    return *current;
}

bool NameTransformer::keep(QString &kept, const QString &result, const QString &source)
{
    if (&result == &source) {
        if (kept.isSharedWith(source))
            return false;
        const bool changed =
            QStringView(kept) != QStringView(source) || kept.isNull() != source.isNull();
        kept = source;
        return changed;
    }
    // Compared as views, for equality only: `==` on two strings goes through Qt's ordering
    // compare.
    if (QStringView(kept) == QStringView(result) && kept.isNull() == result.isNull())
        return false;
    if (!result.isNull() && !kept.isNull() && kept.isDetached() &&
        kept.capacity() >= result.size()) {
        // Nothing else holds the old text: the new one takes its place.
        kept.resize(result.size());
        std::copy_n(result.constData(), result.size(), kept.data());
    } else {
        kept = result.isNull() ? QString() : QString(result.constData(), result.size());
    }
    return true;
}

const QString &NameTransformer::applyStep(const Step &step, const QString &name, qsizetype position,
                                          QString &out) const
{
    const RenameOperationWrapper &operation = step.operation;
    switch (operation.mode) {
    case RenameMode::replace:
        if (!step.matcher)
            return name;
        return step.matcher->replace(name, operation.replaceText, operation.replaceOccurrence, out)
                   ? out
                   : name;

    case RenameMode::regex: {
        if (!step.regex || step.timedOut)
            return name;
        const icu::UnicodeString input = UnicodeText::aliasIcu(name);
        icu::RegexMatcher &matcher = *step.regex;
        matcher.reset(input);
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString result;
        while (matcher.find(status) && U_SUCCESS(status))
            matcher.appendReplacement(result, step.regexReplacement, status);
        if (U_SUCCESS(status))
            matcher.appendTail(result);
        // Drop the matcher's pointer to `input` before it goes away.
        matcher.reset(UnicodeText::emptyText());
        // A bad template, the time limit or any other matching error leaves the name as it
        // was, as a pattern that does not compile does.
        if (status == U_REGEX_TIME_OUT) {
            step.timedOut = true;
            ++m_timedOutSteps;
        }
        if (U_FAILURE(status))
            return name;
        out = UnicodeText::fromIcu(result);
        return out;
    }

    case RenameMode::trim: {
        const NameParts parts = NameParts::split(name);
        QString base;
        switch (operation.trimType) {
        case TrimType::spaces:
            // At one end U+0020, decided like every trim set by the character's first scalar
            // value: a space carrying a combining mark goes whole. Both ends also drop tabs
            // and the other space separators.
            base = trimEnds(parts.baseName, operation.trimPosition, UnicodeText::isWhiteSpace,
                            [](QStringView character) { return character.front() == u' '; });
            break;
        case TrimType::customCharacters:
            // A character goes when its first scalar value is in the set.
            base = trimEnds(
                parts.baseName, operation.trimPosition,
                [&](char32_t c) { return step.trimSet.contains(c); },
                [&](QStringView character) {
                    return step.trimSet.contains(UnicodeText::codePointAt(character, 0));
                });
            break;
        case TrimType::characterCount:
            base = trimCharacterCount(parts.baseName, operation.trimPosition, operation.trimCount);
            break;
        }
        out = NameParts::join(base, parts.extension);
        return out;
    }

    case RenameMode::append: {
        if (operation.appendText.isEmpty())
            return name;
        if (!operation.beforeExtension) {
            UnicodeText::assign(out, {name, operation.appendText});
            return out;
        }
        const NameParts parts = NameParts::split(name);
        out = NameParts::join(parts.baseName + operation.appendText, parts.extension);
        return out;
    }

    case RenameMode::prepend:
        if (operation.prependText.isEmpty())
            return name;
        UnicodeText::assign(out, {operation.prependText, name});
        return out;

    case RenameMode::changeCase: {
        if (UnicodeText::isAscii(name) && changeAsciiCase(name, operation.caseType, out))
            return out;
        const NameParts parts = NameParts::split(name);
        out = NameParts::join(CaseConversion::convert(parts.baseName, operation.caseType),
                              parts.extension);
        return out;
    }

    case RenameMode::sequence: {
        const qsizetype dot = extensionDot(name);
        const QStringView baseName = dot < 0 ? QStringView(name) : QStringView(name).left(dot);
        const QStringView extension = dot < 0 ? QStringView() : QStringView(name).mid(dot + 1);
        // Wraps around instead of overflowing when a stored start is near the limit.
        const qint64 number = static_cast<qint64>(static_cast<quint64>(operation.sequenceStart) +
                                                  static_cast<quint64>(position));
        std::array<char16_t, maxSequencePadding + 24> buffer;
        QString spill;
        const QStringView digits = sequenceNumber(number, operation.sequencePadding, buffer, spill);
        const QStringView namePart =
            operation.useOriginalName ? baseName : QStringView(operation.sequenceBaseName);
        // Built in one string: the name part and number around " - ", then the extension.
        static constexpr char16_t separator[] = u" - ";
        const QStringView between(separator, 3);
        const bool after = operation.sequenceLocation == SequenceLocation::after;
        UnicodeText::assign(out,
                            {after ? namePart : digits, between, after ? digits : namePart,
                             extension.isEmpty() ? QStringView() : QStringView(u"."), extension});
        return out;
    }

    case RenameMode::fileInfo: {
        if (position < 0 || position >= step.infoPieceCount)
            return name;
        const QString &piece = step.infoPieces[position];
        if (piece.isNull())
            return name;
        FileInfoStep::place(name, piece, operation, out);
        return out;
    }
    }
    return name;
}
