#pragma once

#include <QString>
#include <QtGlobal>

// Dates written with an ICU date pattern ("yyyy-MM-dd", "dd.MM.yyyy HH.mm"), in the user's
// locale, as the file-info step writes them into names.
namespace DatePattern {

// A wall-clock time (milliseconds from 1970-01-01T00:00 of that clock, no time zone) in
// `pattern`. Null when ICU refuses the pattern.
QString format(const QString &pattern, qint64 wallClockMilliseconds);

} // namespace DatePattern
