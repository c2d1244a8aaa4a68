#pragma once

#include <QString>
#include <QUrl>

class QSettings;

// Where the update feed lives: the address chosen when the application was built, unless the
// settings file says otherwise under "UpdateFeedURL". An empty value there turns the update
// check off, which lets a packager or an administrator disable it without rebuilding.
class UpdateFeedLocation {
public:
    static QString settingsKey() { return QStringLiteral("UpdateFeedURL"); }
    static QString builtInAddress();

    static QUrl resolve(const QSettings &settings);
    static QUrl resolve(const QSettings &settings, const QString &builtIn);
};
