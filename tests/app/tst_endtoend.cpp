#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// The shipped program, driven as a person would: a real X server (Xvfb), real files, the
// keyboard. It proves the pieces work together, not only one by one.
class EndToEndTest : public QObject {
    Q_OBJECT

private:
    QProcess m_xvfb;
    QProcess m_app;
    QTemporaryDir m_home;
    QString m_display;
    QProcessEnvironment m_environment;

    static bool waitFor(const std::function<bool()> &condition, int milliseconds = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds) {
            if (condition())
                return true;
            QTest::qWait(100);
        }
        return condition();
    }

    QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        process.waitForFinished(15000);
        if (exitCode)
            *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }

    QString visibleWindow()
    {
        return run(u"xdotool"_qs,
                   {u"search"_qs, u"--onlyvisible"_qs, u"--name"_qs, u"^Brisklet$"_qs})
            .section(u'\n', 0, 0);
    }

    QStringList namesIn(const QString &folder)
    {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"Xvfb"_qs).isEmpty() ||
            QStandardPaths::findExecutable(u"xdotool"_qs).isEmpty())
            QSKIP("Xvfb and xdotool are needed to drive the real program (scripts/setup installs "
                  "them)");
        QVERIFY(m_home.isValid());
        for (int number = 140; number < 200; ++number) {
            if (!QFile::exists(u"/tmp/.X11-unix/X%1"_qs.arg(number)) &&
                !QFile::exists(u"/tmp/.X%1-lock"_qs.arg(number))) {
                m_display = u":%1"_qs.arg(number);
                break;
            }
        }
        if (m_display.isEmpty())
            QSKIP("No free X display number");
        m_xvfb.start(u"Xvfb"_qs, {m_display, u"-screen"_qs, u"0"_qs, u"1280x800x24"_qs,
                                  u"-nolisten"_qs, u"tcp"_qs});
        if (!m_xvfb.waitForStarted(5000))
            QSKIP("Xvfb does not start here");
        const QString socket = u"/tmp/.X11-unix/X"_qs + m_display.mid(1);
        if (!waitFor([&] { return QFile::exists(socket); }, 10000))
            QSKIP("Xvfb started but offers no display");

        QDir(m_home.path()).mkpath(u"config"_qs);
        QDir(m_home.path()).mkpath(u"runtime"_qs);
        QFile::setPermissions(m_home.filePath(u"runtime"_qs),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"DISPLAY"_qs, m_display);
        m_environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        m_environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        m_environment.insert(u"XDG_RUNTIME_DIR"_qs, m_home.filePath(u"runtime"_qs));
        m_environment.remove(u"SESSION_MANAGER"_qs);
    }

    void cleanupTestCase()
    {
        if (m_app.state() != QProcess::NotRunning) {
            m_app.kill();
            m_app.waitForFinished(5000);
        }
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            if (!m_xvfb.waitForFinished(5000))
                m_xvfb.kill();
        }
    }

    void renameThroughTheKeyboard()
    {
        const QString folder = m_home.filePath(u"files"_qs);
        QDir().mkpath(folder);
        QStringList paths;
        for (int i = 1; i <= 3; ++i) {
            QFile file(folder + u"/file%1.txt"_qs.arg(i));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::number(i));
            paths.append(file.fileName());
        }

        m_app.setProcessEnvironment(m_environment);
        m_app.start(QStringLiteral(BRISKLET_BINARY), {});
        QVERIFY(m_app.waitForStarted(10000));
        QVERIFY2(waitFor([&] { return !visibleWindow().isEmpty(); }), "the window never appeared");
        const QString window = visibleWindow();

        // A second launch hands the files over and exits at once.
        int exitCode = -1;
        run(QStringLiteral(BRISKLET_BINARY), paths, &exitCode);
        QCOMPARE(exitCode, 0);
        QTest::qWait(500);

        // The first field of the first step has the focus: replace "file" with "doc".
        run(u"xdotool"_qs, {u"windowfocus"_qs, u"--sync"_qs, window});
        run(u"xdotool"_qs, {u"type"_qs, u"--delay"_qs, u"30"_qs, u"file"_qs});
        run(u"xdotool"_qs, {u"key"_qs, u"Tab"_qs});
        run(u"xdotool"_qs, {u"type"_qs, u"--delay"_qs, u"30"_qs, u"doc"_qs});
        QTest::qWait(300);
        run(u"xdotool"_qs, {u"key"_qs, u"ctrl+Return"_qs});
        const QStringList expected{u"doc1.txt"_qs, u"doc2.txt"_qs, u"doc3.txt"_qs};
        QVERIFY2(waitFor([&] { return namesIn(folder) == expected; }),
                 qPrintable(namesIn(folder).join(u", ")));
        QFile first(folder + u"/doc1.txt"_qs);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), QByteArray("1"));

        // Closing hides the window; the process keeps running.
        run(u"xdotool"_qs, {u"key"_qs, u"ctrl+w"_qs});
        QVERIFY2(waitFor([&] { return visibleWindow().isEmpty(); }), "the window did not close");
        QCOMPARE(m_app.state(), QProcess::Running);

        // Launching again brings the same window back.
        run(QStringLiteral(BRISKLET_BINARY), {}, &exitCode);
        QCOMPARE(exitCode, 0);
        QVERIFY2(waitFor([&] { return !visibleWindow().isEmpty(); }),
                 "the window did not come back");
        QCOMPARE(visibleWindow(), window);
    }
};

BRISKLET_TEST(EndToEndTest)
#include "tst_endtoend.moc"
