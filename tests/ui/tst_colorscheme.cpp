#include "testmain.h"

#include "style/colorschemefollower.h"
#include "style/schemepalettes.h"
#include "uitesthelpers.h"
#include "window/contentview.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <memory>

namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_qs;
const QString portalPath = u"/org/freedesktop/portal/desktop"_qs;
const QString appearance = u"org.freedesktop.appearance"_qs;
const QString colorScheme = u"color-scheme"_qs;

QDBusVariant wrapped(uint value)
{
    return QDBusVariant(QVariant::fromValue(value));
}

} // namespace

// The portal's settings, on a thread of their own so that a blocking read can be answered.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    std::atomic<uint> value = 0;

public Q_SLOTS:
    QDBusVariant Read(const QString &group, const QString &key)
    {
        // The reply's variant holds the setting's own variant.
        const uint answer = group == appearance && key == colorScheme ? value.load() : 0;
        return QDBusVariant(QVariant::fromValue(wrapped(answer)));
    }

    // Announces a change from the portal's thread, the only one its signals are relayed from.
    void announce(const QString &group, const QString &key, uint changed)
    {
        QMetaObject::invokeMethod(
            this, [=, this] { Q_EMIT SettingChanged(group, key, wrapped(changed)); },
            Qt::BlockingQueuedConnection);
    }

Q_SIGNALS:
    void SettingChanged(const QString &group, const QString &key, const QDBusVariant &value);
};

namespace {

// A window showing a conflict, so the list, its accents and the problem badges are drawn.
struct Shown {
    std::unique_ptr<RenameEngine> engine = UiTest::makeEngine();
    ContentView view{engine.get()};

    Shown()
    {
        engine->addFiles(UiTest::urlsFor({u"a.txt"_qs, u"b.txt"_qs, u"locked.txt"_qs}));
        UiTest::editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
            operation.findText = u"."_qs;
            operation.replaceText = u"-"_qs;
        });
        view.resize(900, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

    QImage render()
    {
        if (QWidget *focused = QApplication::focusWidget()) // the blinking cursor
            focused->clearFocus();
        QApplication::processEvents();
        return view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    }
};

// The colours that tell the three palettes apart, readable in a failure message.
QString signature(const QPalette &palette)
{
    return palette.color(QPalette::Window).name() + u' ' + palette.color(QPalette::Base).name() +
           u' ' + palette.color(QPalette::Highlight).name();
}

} // namespace

class ColorSchemeTest : public QObject {
    Q_OBJECT

private:
    QDBusConnection bus(const QString &name)
    {
        return QDBusConnection::connectToBus(m_address, name);
    }

    QProcess m_daemon;
    QString m_address;
    QThread m_portalThread;
    FakePortal *m_portal = nullptr;
    QPalette m_platform;

    void publishPortal()
    {
        // Exported from the portal's own thread, where its signal relay has to live.
        bool published = false;
        QMetaObject::invokeMethod(
            m_portal,
            [this, &published] {
                QDBusConnection portal = bus(u"portal"_qs);
                published = portal.registerObject(portalPath, m_portal,
                                                  QDBusConnection::ExportAllSlots |
                                                      QDBusConnection::ExportAllSignals) &&
                            portal.registerService(portalService);
            },
            Qt::BlockingQueuedConnection);
        QVERIFY(published);
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

        m_portal = new FakePortal;
        m_portal->moveToThread(&m_portalThread);
        connect(&m_portalThread, &QThread::finished, m_portal, &QObject::deleteLater);
        m_portalThread.start();
    }

    void cleanup()
    {
        QMetaObject::invokeMethod(
            m_portal,
            [this] {
                QDBusConnection portal = bus(u"portal"_qs);
                portal.unregisterService(portalService);
                portal.unregisterObject(portalPath);
            },
            Qt::BlockingQueuedConnection);
        QApplication::setPalette(m_platform);
    }

    void cleanupTestCase()
    {
        m_portalThread.quit();
        m_portalThread.wait();
        QDBusConnection::disconnectFromBus(u"app"_qs);
        QDBusConnection::disconnectFromBus(u"portal"_qs);
        m_daemon.terminate();
        m_daemon.waitForFinished();
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
        m_portal->value = setting;
        if (withPortal)
            publishPortal();
        const ColorSchemeFollower follower(withBus ? bus(u"app"_qs)
                                                   : QDBusConnection(u"never-connected"_qs));
        const QPalette wanted = expected == u"dark"_qs    ? SchemePalettes::dark()
                                : expected == u"light"_qs ? SchemePalettes::light()
                                                          : m_platform;
        QCOMPARE(signature(QApplication::palette()), signature(wanted));
    }

    // A running window follows the portal and draws as one made in the palette it switched to.
    void switchesWhileRunning()
    {
        m_portal->value = 2;
        publishPortal();
        ColorSchemeFollower follower(bus(u"app"_qs));
        QSignalSpy changes(&follower, &ColorSchemeFollower::schemeChanged);
        QCOMPARE(follower.scheme(), ColorSchemeFollower::Scheme::light);
        Shown running;
        const QImage light = running.render();

        m_portal->announce(appearance, colorScheme, 1);
        QTRY_COMPARE(follower.scheme(), ColorSchemeFollower::Scheme::dark);
        QCOMPARE(signature(QApplication::palette()), signature(SchemePalettes::dark()));
        const QImage dark = Shown().render();
        QVERIFY(dark != light);
        QVERIFY(running.render() == dark);

        // Other settings leave the palette alone; the next real change proves they arrived first.
        m_portal->announce(u"org.freedesktop.other"_qs, colorScheme, 2);
        m_portal->announce(appearance, u"accent-color"_qs, 2);
        m_portal->announce(appearance, colorScheme, 0);
        QTRY_COMPARE(follower.scheme(), ColorSchemeFollower::Scheme::noPreference);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(signature(QApplication::palette()), signature(m_platform));
        QVERIFY(running.render() == Shown().render());
    }
};

#include "tst_colorscheme.moc"
BRISKLET_TEST(ColorSchemeTest)
