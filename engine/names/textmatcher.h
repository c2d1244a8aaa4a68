#pragma once

// Internal to the engine: not part of its interface.

#include "names/renameenums.h"

#include <QString>

// Finds a text inside names the way the replace step needs: canonically equivalent
// sequences match, letter case optionally ignored (canonical caseless match), and a match
// never begins or ends inside a user-perceived character. Built once per recomputation.
class TextMatcher {
public:
    TextMatcher(const QString &findText, bool caseSensitive);

    // Replaces the chosen match(es) of the find text in `name`, writing the result into
    // `out`; false, with `out` left undefined, when nothing matches.
    bool replace(const QString &name, const QString &replacement, ReplaceOccurrence occurrence,
                 QString &out) const;

private:
    struct Range {
        qsizetype start;
        qsizetype end;
    };

    // Offsets of the find text in an ASCII name, or -1.
    qsizetype indexInAscii(QStringView name, qsizetype from) const;
    qsizetype lastIndexInAscii(QStringView name) const;
    bool replaceAscii(const QString &name, const QString &replacement, ReplaceOccurrence occurrence,
                      QString &out) const;
    QString replaceUnicode(const QString &name, const QString &replacement,
                           ReplaceOccurrence occurrence) const;

    QString m_findText;
    QString m_findKey;
    QString m_findLower; // used only when the find text is ASCII
    bool m_caseSensitive;
    bool m_findIsAscii;
};
