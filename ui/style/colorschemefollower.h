#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QPalette>

// Follows the desktop's dark or light preference, which the freedesktop settings portal
// publishes on the session bus: it reads the preference once when created and then listens
// for its changes, switching the application palette while the program runs. Without a bus,
// without a portal or without a preference, the platform's palette stays in use.
class ColorSchemeFollower : public QObject {
    Q_OBJECT

public:
    // The values of the portal's `color-scheme` setting.
    enum class Scheme : uint { noPreference = 0, dark = 1, light = 2 };
    Q_ENUM(Scheme)

    explicit ColorSchemeFollower(const QDBusConnection &bus, QObject *parent = nullptr);

    // The session bus when the session announces one, else a connection that is not
    // connected (connecting anyway could start a bus of its own).
    static QDBusConnection sessionBus();

    Scheme scheme() const { return m_scheme; }
    // Whether the portal's changes reach this object; false without a bus, or where the bus
    // refused the subscription (the reason is logged).
    bool isListening() const { return m_listening; }

Q_SIGNALS:
    void schemeChanged(ColorSchemeFollower::Scheme scheme);

private Q_SLOTS:
    void settingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    void apply(Scheme scheme);

    QPalette m_platformPalette;
    Scheme m_scheme = Scheme::noPreference;
    bool m_listening = false;
};
