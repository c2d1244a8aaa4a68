#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Quit in a desktop session that has a system tray, where the application also shows a tray
// icon: the real program under its own X server, a window manager and a tray host.
class QuitWithTrayTest : public QObject {
    Q_OBJECT

private:
    QProcess m_xvfb;
    QProcess m_windowManager;
    QProcess m_trayHost;
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;

    static bool waitFor(const std::function<bool()> &condition, int milliseconds = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < milliseconds)
            QTest::qWait(20);
        return condition();
    }

    QString xdotool(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(u"xdotool"_qs, arguments);
        process.waitForFinished(10000);
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }

    QString visibleWindow()
    {
        return xdotool({u"search"_qs, u"--onlyvisible"_qs, u"--name"_qs, u"^Brisklet$"_qs})
            .section(u'\n', 0, 0);
    }

    void startHelper(QProcess &process, const QString &program)
    {
        process.setProcessEnvironment(m_environment);
        process.start(program, {});
        QVERIFY(process.waitForStarted(5000));
    }

    static void stop(QProcess &process)
    {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const QString &tool : {u"Xvfb"_qs, u"xdotool"_qs, u"trayer"_qs}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + u" is needed for a desktop with a tray"_qs));
        }
        QVERIFY(m_home.isValid());
        m_xvfb.start(u"Xvfb"_qs, {u"-displayfd"_qs, u"1"_qs, u"-screen"_qs, u"0"_qs,
                                  u"1280x800x24"_qs, u"-nolisten"_qs, u"tcp"_qs});
        if (!m_xvfb.waitForReadyRead(10000))
            QSKIP("Xvfb does not start here");
        const QString display = QString::fromLatin1(m_xvfb.readAllStandardOutput()).trimmed();
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"DISPLAY"_qs, u":"_qs + display);
        m_environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        m_environment.insert(u"HOME"_qs, m_home.path());
        m_environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.path());
        m_environment.insert(u"XDG_RUNTIME_DIR"_qs, m_home.path());
        m_environment.remove(u"SESSION_MANAGER"_qs);
        m_environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_qs); // the tray is the X11 one
        // In a sanitizer build the system's D-Bus library leaves an allocation behind at
        // exit, which would count as a crash here; this test is about quitting, not leaks.
        QFile suppressions(QDir(m_home.path()).filePath(u"lsan.supp"_qs));
        QVERIFY(suppressions.open(QIODevice::WriteOnly));
        suppressions.write("leak:libdbus-1.so\n");
        suppressions.close();
        m_environment.insert(u"LSAN_OPTIONS"_qs, u"suppressions="_qs + suppressions.fileName());
        if (!QStandardPaths::findExecutable(u"openbox"_qs).isEmpty())
            startHelper(m_windowManager, u"openbox"_qs);
        startHelper(m_trayHost, u"trayer"_qs);
        QTest::qWait(500); // the tray host takes the tray selection
    }

    void cleanupTestCase()
    {
        stop(m_trayHost);
        stop(m_windowManager);
        stop(m_xvfb);
    }

    void quitEndsTheProcessEveryTime()
    {
        const QString lockPath = QDir(m_home.path()).filePath(u"brisklet-instance.lock"_qs);
        for (int attempt = 1; attempt <= 6; ++attempt) {
            QProcess app;
            app.setProcessEnvironment(m_environment);
            app.start(QStringLiteral(BRISKLET_BINARY), {});
            QVERIFY(app.waitForStarted(10000));
            QVERIFY2(waitFor([&] { return !visibleWindow().isEmpty(); }),
                     "the window never appeared");
            const QString window = visibleWindow();
            QTest::qWait(300); // the tray icon is embedded by now

            xdotool({u"windowactivate"_qs, u"--sync"_qs, window});
            QElapsedTimer clock;
            clock.start();
            xdotool({u"key"_qs, u"ctrl+q"_qs});
            const bool ended = app.waitForFinished(5000);
            const qint64 elapsed = clock.elapsed();
            if (!ended) {
                app.kill();
                app.waitForFinished(5000);
            }
            QVERIFY2(ended, qPrintable(u"attempt %1: still running after Quit"_qs.arg(attempt)));
            QCOMPARE(app.exitStatus(), QProcess::NormalExit);
            QCOMPARE(app.exitCode(), 0);
            // Well under half a second on an idle machine; the bound leaves room for a busy one.
            QVERIFY2(elapsed < 1500, qPrintable(u"attempt %1: %2 ms"_qs.arg(attempt).arg(elapsed)));
            QLockFile lock(lockPath);
            QVERIFY2(lock.tryLock(0), "the instance lock is still held");
        }
    }
};

BRISKLET_TEST(QuitWithTrayTest)
#include "tst_quitwithtray.moc"
