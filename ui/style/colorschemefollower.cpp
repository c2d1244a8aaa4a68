#include "style/colorschemefollower.h"

#include "style/schemepalettes.h"

#include <QApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcColorScheme, "brisklet.ui.colorscheme")

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");
// A portal that does not answer in this time is taken as absent; the window waits for it.
constexpr int readTimeoutMs = 1000;

// The portal wraps the value in one variant for the reply and another for the setting.
QVariant unwrapped(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

ColorSchemeFollower::Scheme schemeFrom(const QVariant &value)
{
    bool ok = false;
    const uint number = unwrapped(value).toUInt(&ok);
    if (!ok)
        return ColorSchemeFollower::Scheme::noPreference;
    switch (ColorSchemeFollower::Scheme(number)) {
    case ColorSchemeFollower::Scheme::dark:
        return ColorSchemeFollower::Scheme::dark;
    case ColorSchemeFollower::Scheme::light:
        return ColorSchemeFollower::Scheme::light;
    case ColorSchemeFollower::Scheme::noPreference:
        break;
    }
    return ColorSchemeFollower::Scheme::noPreference;
}

} // namespace

ColorSchemeFollower::ColorSchemeFollower(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_platformPalette(QApplication::palette())
{
    if (!bus.isConnected())
        return;
    QDBusConnection connection = bus;
    // The bus finds the slot's argument types by name, and nothing in the program has
    // registered this one by then: without it the subscription is refused and the window
    // never follows a switch.
    qRegisterMetaType<QDBusVariant>();
    // The slot's signature stays in the normalized form Qt looks it up by.
    // clang-format off
    m_listening = connection.connect(portalService, portalPath, settingsInterface,
                                     QStringLiteral("SettingChanged"), this,
                                     SLOT(settingChanged(QString,QString,QDBusVariant)));
    // clang-format on
    if (!m_listening)
        qCWarning(lcColorScheme).noquote()
            << "not following the desktop's colour scheme while running:"
            << (connection.lastError().isValid() ? connection.lastError().message()
                                                 : QStringLiteral("the bus refused the signal"));
    QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                                       QStringLiteral("Read"));
    read << appearance << colorSchemeKey;
    const QDBusMessage reply = connection.call(read, QDBus::Block, readTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        apply(schemeFrom(reply.arguments().constFirst()));
}

QDBusConnection ColorSchemeFollower::sessionBus()
{
    const QString runtimeBus = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || !QFileInfo::exists(runtimeBus)))
        return QDBusConnection(QStringLiteral("brisklet-no-session-bus"));
    return QDBusConnection::sessionBus();
}

void ColorSchemeFollower::settingChanged(const QString &group, const QString &key,
                                         const QDBusVariant &value)
{
    if (group == appearance && key == colorSchemeKey)
        apply(schemeFrom(value.variant()));
}

void ColorSchemeFollower::apply(Scheme scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    switch (scheme) {
    case Scheme::dark:
        QApplication::setPalette(SchemePalettes::dark());
        break;
    case Scheme::light:
        QApplication::setPalette(SchemePalettes::light());
        break;
    case Scheme::noPreference:
        QApplication::setPalette(m_platformPalette);
        break;
    }
    Q_EMIT schemeChanged(scheme);
}
