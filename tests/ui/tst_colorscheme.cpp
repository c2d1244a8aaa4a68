#include "testmain.h"

#include "style/colorschemefollower.h"
#include "style/schemepalettes.h"

#include <QApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>

namespace {

// The colours that tell the three palettes apart, readable in a failure message.
QString signature(const QPalette &palette)
{
    return palette.color(QPalette::Window).name() + u' ' + palette.color(QPalette::Base).name() +
           u' ' + palette.color(QPalette::Highlight).name();
}

} // namespace

// The portal is another process, as on a desktop: nothing of it is registered in this one, so
// the follower has to bring all it needs to hear the portal.
class ColorSchemeTest : public QObject {
    Q_OBJECT

private:
    QDBusConnection bus(const QString &name)
    {
        return QDBusConnection::connectToBus(m_address, name);
    }

    QProcess m_daemon;
    QString m_address;
    QProcess m_portal;
    QPalette m_platform;

    void startPortal(uint setting)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, m_address);
        m_portal.setProcessEnvironment(environment);
        m_portal.start(QStringLiteral(SETTINGS_PORTAL), {QString::number(setting)});
        QVERIFY(m_portal.waitForStarted());
        QTRY_VERIFY(m_portal.canReadLine());
        QCOMPARE(m_portal.readLine().trimmed(), QByteArray("ready"));
    }

    // A switch on the desktop: the portal announces the new value (of another setting, when
    // `setting` is given).
    void announce(uint value, const QByteArray &setting = {})
    {
        m_portal.write(setting + ' ' + QByteArray::number(value) + '\n');
        QTRY_VERIFY(m_portal.canReadLine());
        QCOMPARE(m_portal.readLine().trimmed(), "changed " + QByteArray::number(value));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_platform = QApplication::palette();
        QVERIFY2(signature(m_platform) != signature(SchemePalettes::light()),
                 "the platform palette must differ from the light one for this test");
        // A private bus, so the test needs no session and leaves none behind.
        m_daemon.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address"_qs});
        QVERIFY2(m_daemon.waitForStarted(), "dbus-daemon is missing (scripts/setup installs it)");
        QTRY_VERIFY(m_daemon.canReadLine());
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        QVERIFY(bus(u"app"_qs).isConnected());
    }

    void cleanup()
    {
        if (m_portal.state() != QProcess::NotRunning) {
            m_portal.closeWriteChannel(); // the portal ends with its input
            if (!m_portal.waitForFinished(5000))
                m_portal.kill();
            m_portal.waitForFinished();
        }
        QApplication::setPalette(m_platform);
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(u"app"_qs);
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    // The application's palette follows the portal (the real program's window is seen to
    // redraw end to end). First of all: like the program at its start, this process has not
    // yet met the bus's variant type anywhere (a read reply carrying one makes it known).
    void switchesWhileRunning()
    {
        startPortal(2);
        ColorSchemeFollower follower(bus(u"app"_qs));
        QSignalSpy changes(&follower, &ColorSchemeFollower::schemeChanged);
        QCOMPARE(follower.scheme(), ColorSchemeFollower::Scheme::light);
        announce(1);
        QTRY_COMPARE(follower.scheme(), ColorSchemeFollower::Scheme::dark);
        QCOMPARE(signature(QApplication::palette()), signature(SchemePalettes::dark()));

        // Other settings leave the palette alone; the next real change proves they arrived first.
        announce(2, "org.freedesktop.other color-scheme");
        announce(2, "org.freedesktop.appearance accent-color");
        announce(0);
        QTRY_COMPARE(follower.scheme(), ColorSchemeFollower::Scheme::noPreference);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(signature(QApplication::palette()), signature(m_platform));
    }

    void launch_data()
    {
        QTest::addColumn<bool>("withBus");
        QTest::addColumn<bool>("withPortal");
        QTest::addColumn<uint>("setting");
        QTest::addColumn<QString>("expected"); // "dark", "light" or "platform"
        QTest::newRow("prefers dark") << true << true << 1u << u"dark"_qs;
        QTest::newRow("prefers light") << true << true << 2u << u"light"_qs;
        QTest::newRow("no preference") << true << true << 0u << u"platform"_qs;
        QTest::newRow("unknown value") << true << true << 7u << u"platform"_qs;
        QTest::newRow("no portal") << true << false << 1u << u"platform"_qs;
        QTest::newRow("no bus") << false << true << 1u << u"platform"_qs;
    }

    void launch()
    {
        QFETCH(bool, withBus);
        QFETCH(bool, withPortal);
        QFETCH(uint, setting);
        QFETCH(QString, expected);
        if (withPortal)
            startPortal(setting);
        const ColorSchemeFollower follower(withBus ? bus(u"app"_qs)
                                                   : QDBusConnection(u"never-connected"_qs));
        const QPalette wanted = expected == u"dark"_qs    ? SchemePalettes::dark()
                                : expected == u"light"_qs ? SchemePalettes::light()
                                                          : m_platform;
        QCOMPARE(signature(QApplication::palette()), signature(wanted));
        // A portal that comes later is still heard; no bus, nothing to hear.
        QCOMPARE(follower.isListening(), withBus);
    }
};

#include "tst_colorscheme.moc"
BRISKLET_TEST(ColorSchemeTest)
