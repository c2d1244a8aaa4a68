#include "updatefeedlocation.h"

#include "config.h"

#include <QSettings>

QString UpdateFeedLocation::builtInAddress()
{
    return QStringLiteral(BRISKLET_APPCAST_URL);
}

QUrl UpdateFeedLocation::resolve(const QSettings &settings)
{
    return resolve(settings, builtInAddress());
}

QUrl UpdateFeedLocation::resolve(const QSettings &settings, const QString &builtIn)
{
    const QVariant configured = settings.value(settingsKey());
    const QString address = configured.isValid() ? configured.toString() : builtIn;
    if (address.trimmed().isEmpty())
        return {};
    return QUrl(address.trimmed(), QUrl::StrictMode);
}
