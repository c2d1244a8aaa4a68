#pragma once

#include <QString>
#include <QUrl>

// One release announced by the update feed, as far as this platform is concerned.
struct AppcastItem {
    QString title;
    QString version;        // compared with the running version
    QString displayVersion; // shown to the user; the version when the feed gives none
    QUrl releaseNotesLink;  // empty when the feed gives none or an unusable one
    QUrl releasePage;       // the item's link: where the user downloads the release
};
