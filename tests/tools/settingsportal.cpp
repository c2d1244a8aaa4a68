// A stand-in for the desktop's settings portal on the session bus of DBUS_SESSION_BUS_ADDRESS:
//   brisklet-settings-portal INITIAL_COLOR_SCHEME
// Answers Read for org.freedesktop.appearance color-scheme with the current value (0 no
// preference, 1 dark, 2 light). Each number read from standard input becomes the new value
// and is announced with SettingChanged, as a desktop does when the user switches; a line
// "GROUP KEY N" announces another setting and keeps the value. Prints "ready" once the
// portal's name is taken and "changed N" after each announcement.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusVariant>
#include <QObject>
#include <QSocketNotifier>
#include <QTextStream>

#include <unistd.h>

namespace {

const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorScheme = QStringLiteral("color-scheme");

QDBusVariant wrapped(uint value)
{
    return QDBusVariant(QVariant::fromValue(value));
}

} // namespace

class SettingsPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    uint value = 0;

public Q_SLOTS:
    QDBusVariant Read(const QString &group, const QString &key)
    {
        // The reply's variant holds the setting's own variant, as the real portal's does.
        const uint answer = group == appearance && key == colorScheme ? value : 0;
        return QDBusVariant(QVariant::fromValue(wrapped(answer)));
    }

Q_SIGNALS:
    void SettingChanged(const QString &group, const QString &key, const QDBusVariant &value);
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    SettingsPortal portal;
    portal.value = argc > 1 ? QByteArray(argv[1]).toUInt() : 0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        out << "failed: " << bus.lastError().message() << '\n';
        return 1;
    }
    out << "ready\n";
    out.flush();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, got);
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = pending.left(end).simplified().split(' ');
            pending.remove(0, end + 1);
            bool ok = false;
            const uint changed = words.constLast().toUInt(&ok);
            if (!ok || (words.size() != 1 && words.size() != 3))
                continue;
            const QString group = words.size() == 3 ? QString::fromUtf8(words[0]) : appearance;
            const QString key = words.size() == 3 ? QString::fromUtf8(words[1]) : colorScheme;
            if (group == appearance && key == colorScheme)
                portal.value = changed;
            Q_EMIT portal.SettingChanged(group, key, wrapped(changed));
            out << "changed " << changed << '\n';
            out.flush();
        }
    });
    return app.exec();
}

#include "settingsportal.moc"
