#include "versioncomparator.h"

#include <QList>

namespace {

struct Token {
    bool numeric = false;
    QStringView text; // digits without leading zeros, or letters
};

struct ParsedVersion {
    QList<QStringView> release; // numbers, leading zeros removed
    QList<Token> preRelease;
};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QStringView withoutLeadingZeros(QStringView digits)
{
    qsizetype start = 0;
    while (start + 1 < digits.size() && digits.at(start) == u'0')
        ++start;
    return digits.mid(start);
}

ParsedVersion parse(QStringView version)
{
    version = version.trimmed();
    if (const qsizetype plus = version.indexOf(u'+'); plus >= 0)
        version = version.left(plus);
    if (!version.isEmpty() && (version.front() == u'v' || version.front() == u'V') &&
        version.size() > 1 && isDigit(version.at(1)))
        version = version.mid(1);

    ParsedVersion parsed;
    qsizetype i = 0;
    const qsizetype size = version.size();
    // The release: numbers separated by single dots.
    while (i < size && isDigit(version.at(i))) {
        const qsizetype start = i;
        while (i < size && isDigit(version.at(i)))
            ++i;
        parsed.release.append(withoutLeadingZeros(version.sliced(start, i - start)));
        if (i + 1 < size && version.at(i) == u'.' && isDigit(version.at(i + 1)))
            ++i;
        else
            break;
    }
    // Whatever follows is the pre-release tail: runs of digits and runs of other characters
    // than separators, so "b10" reads as "b", 10 and "-rc.2" as "rc", 2.
    while (i < size) {
        const QChar c = version.at(i);
        if (c == u'.' || c == u'-' || c == u'_' || c == u'~' || c.isSpace()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        const bool numeric = isDigit(c);
        while (i < size) {
            const QChar d = version.at(i);
            if (isDigit(d) != numeric || d == u'.' || d == u'-' || d == u'_' || d == u'~' ||
                d.isSpace())
                break;
            ++i;
        }
        QStringView text = version.sliced(start, i - start);
        parsed.preRelease.append({numeric, numeric ? withoutLeadingZeros(text) : text});
    }
    return parsed;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

int compareNumbers(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return sign(a.compare(b));
}

int compareTokens(const Token &a, const Token &b)
{
    if (a.numeric && b.numeric)
        return compareNumbers(a.text, b.text);
    // A word before a number, as in "1.0-beta" before "1.0-1".
    if (a.numeric != b.numeric)
        return a.numeric ? 1 : -1;
    return sign(a.text.compare(b.text, Qt::CaseInsensitive));
}

} // namespace

int VersionComparator::compare(QStringView a, QStringView b)
{
    const ParsedVersion left = parse(a);
    const ParsedVersion right = parse(b);

    static const QStringView zero = u"0";
    const qsizetype releaseLength = std::max(left.release.size(), right.release.size());
    for (qsizetype i = 0; i < releaseLength; ++i) {
        const QStringView x = i < left.release.size() ? left.release.at(i) : zero;
        const QStringView y = i < right.release.size() ? right.release.at(i) : zero;
        if (const int order = compareNumbers(x, y))
            return order;
    }

    // Same release: the one without a pre-release tail is the release itself, so newer.
    if (left.preRelease.isEmpty() || right.preRelease.isEmpty())
        return sign(int(right.preRelease.size() > 0) - int(left.preRelease.size() > 0));
    const qsizetype tailLength = std::min(left.preRelease.size(), right.preRelease.size());
    for (qsizetype i = 0; i < tailLength; ++i) {
        if (const int order = compareTokens(left.preRelease.at(i), right.preRelease.at(i)))
            return order;
    }
    // "1.0b" before "1.0b1".
    return sign(int(left.preRelease.size()) - int(right.preRelease.size()));
}
