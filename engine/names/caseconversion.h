#pragma once

// Internal to the engine: not part of its interface.

#include "names/renameenums.h"

#include <QString>

// Case conversions of a base name, always with the root locale's mappings.
namespace CaseConversion {

QString convert(const QString &text, CaseType caseType);

// The same conversion in place, for text known to be ASCII, where every character maps to
// exactly one character; false, with the text untouched, for the conversions that change
// the length (camel and snake case).
bool convertAsciiInPlace(QChar *text, qsizetype length, CaseType caseType);

// Word capitalisation: a cased letter that follows another cased letter (case-ignorable
// characters such as the apostrophe do not interrupt a word) is lower-cased; every other
// cased letter is put in title case.
QString capitalizeWords(const QString &text);
QString camelCase(const QString &text);
QString snakeCase(const QString &text);

} // namespace CaseConversion
