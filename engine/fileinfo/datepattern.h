#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class SimpleDateFormat;
U_NAMESPACE_END

// Dates written with an ICU date pattern ("yyyy-MM-dd", "dd.MM.yyyy HH.mm"), in the user's
// locale, as the file-info step writes them into names.
namespace DatePattern {

// Why the pattern cannot be used; empty when it can. ICU formats a letter it does not know
// as nothing and an open quote as the rest of the pattern, so a typing slip would silently
// cut a piece out of every name: it is caught here instead.
QString problem(const QString &pattern);
// Whether the pattern writes nothing finer than the day: no time of day, no zone.
bool showsDaysOnly(const QString &pattern);

// A formatter of the pattern. A wall clock (a time as recorded, with no zone) is read in a
// zone without offsets, so that it is written as recorded wherever the program runs; an
// instant is read in the local zone. Null when ICU refuses the pattern.
std::unique_ptr<icu::SimpleDateFormat> formatter(const QString &pattern, bool wallClock);
// Milliseconds from 1970-01-01T00:00 through `formatter`.
QString format(icu::SimpleDateFormat &formatter, qint64 milliseconds);
// A wall-clock time in `pattern`; null when ICU refuses the pattern.
QString format(const QString &pattern, qint64 wallClockMilliseconds);

} // namespace DatePattern
