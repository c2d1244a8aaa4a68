#pragma once

#include <QStringView>
#include <QtGlobal>

// The part of a new name that differs from the old one, from the first to the last
// character that differs, as code-unit positions in the new name. Its ends never fall
// inside a user-perceived character of either name: an accent added to a letter marks the
// letter, a changed emoji the whole emoji. An empty span in a changed name is where
// characters were only taken out.
struct ChangedSpan {
    qsizetype start = 0;
    qsizetype end = 0;
    bool changed = false;

    static ChangedSpan between(QStringView before, QStringView after);

    bool operator==(const ChangedSpan &other) const = default;
};
