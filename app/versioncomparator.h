#pragma once

#include <QStringView>

// Orders version strings the way people read them: "1.10" is newer than "1.9", "1.0" equals
// "1.0.0", and a pre-release ("1.0b1", "1.0-rc.2") comes before its release ("1.0").
//
// A version is a dotted run of numbers (the release), optionally followed by a pre-release
// tail that starts with a letter or "-", and optionally "+build" metadata, which is ignored.
// A leading "v" is ignored. Numbers of any length compare numerically without overflow.
class VersionComparator {
public:
    // Negative when a is older than b, zero when they are the same version, positive when a
    // is newer.
    static int compare(QStringView a, QStringView b);

    static bool isNewer(QStringView candidate, QStringView current)
    {
        return compare(candidate, current) > 0;
    }
};
