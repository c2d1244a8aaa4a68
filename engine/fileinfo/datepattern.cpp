#include "fileinfo/datepattern.h"

#include "names/unicodetext.h"

#include <QCoreApplication>

#include <unicode/dtfmtsym.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

QString DatePattern::problem(const QString &pattern)
{
    if (pattern.trimmed().isEmpty())
        return QCoreApplication::translate("FileInfoStep", "Enter a date format.");
    const icu::UnicodeString fields(icu::DateFormatSymbols::getPatternUChars());
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        const bool asciiLetter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (!quoted && asciiLetter && fields.indexOf(char16_t(c.unicode())) < 0)
            return QCoreApplication::translate(
                       "FileInfoStep",
                       "“%1” is not part of a date. Put other text in single quotes.")
                .arg(c);
    }
    if (quoted)
        return QCoreApplication::translate("FileInfoStep",
                                           "A quote is not closed. Put text in single quotes.");
    return {};
}

bool DatePattern::showsDaysOnly(const QString &pattern)
{
    // Era, years, quarters, months, weeks, days and weekdays.
    static constexpr QStringView dayFields = u"GyYuUrQqMLlwWdDFgEec";
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c.isLetter() && !dayFields.contains(c))
            return false;
    }
    return true;
}

std::unique_ptr<icu::SimpleDateFormat> DatePattern::formatter(const QString &pattern,
                                                              bool wallClock)
{
    UErrorCode status = U_ZERO_ERROR;
    auto made = std::make_unique<icu::SimpleDateFormat>(UnicodeText::toIcu(pattern),
                                                        icu::Locale::getDefault(), status);
    if (U_FAILURE(status))
        return nullptr;
    if (wallClock)
        made->setTimeZone(*icu::TimeZone::getGMT());
    return made;
}

QString DatePattern::format(icu::SimpleDateFormat &formatter, qint64 milliseconds)
{
    icu::UnicodeString text;
    formatter.format(static_cast<UDate>(milliseconds), text);
    return UnicodeText::fromIcu(text);
}

QString DatePattern::format(const QString &pattern, qint64 wallClockMilliseconds)
{
    const std::unique_ptr<icu::SimpleDateFormat> made = formatter(pattern, true);
    return made ? format(*made, wallClockMilliseconds) : QString();
}
