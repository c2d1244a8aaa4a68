#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>

// What one update check found out, for the dialog that reports it.
struct UpdateCheckResult {
    enum class Outcome { upToDate, updateAvailable, failed };

    Outcome outcome = Outcome::failed;
    QString currentVersion;
    QString newVersion;     // the version to show, when an update is available
    QUrl releaseNotesLink;  // may be empty
    QUrl releasePage;       // may be empty
    QString failureMessage; // a readable sentence, when the check failed
};

Q_DECLARE_METATYPE(UpdateCheckResult)
