#include "fileinfo/datepattern.h"

#include "names/unicodetext.h"

#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>

QString DatePattern::format(const QString &pattern, qint64 wallClockMilliseconds)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat formatter(UnicodeText::toIcu(pattern), icu::Locale::getDefault(), status);
    if (U_FAILURE(status))
        return {};
    // The time is a clock reading, not an instant: read it in a zone without offsets, so it
    // is written as it was recorded wherever the program runs.
    formatter.adoptTimeZone(icu::TimeZone::getGMT()->clone());
    icu::UnicodeString text;
    formatter.format(static_cast<UDate>(wallClockMilliseconds), text);
    return UnicodeText::fromIcu(text);
}
