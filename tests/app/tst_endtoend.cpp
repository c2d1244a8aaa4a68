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
    QProcessEnvironment m_environment;

    static bool waitFor(const std::function<bool()> &condition)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < 10000)
            QTest::qWait(100);
        return condition();
    }

    // The exit code (-1 after a crash) and the standard output of a finished program.
    std::pair<int, QString> run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        process.waitForFinished(15000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed()};
    }

    QString visibleWindow()
    {
        return run(u"xdotool"_qs,
                   {u"search"_qs, u"--onlyvisible"_qs, u"--name"_qs, u"^Brisklet$"_qs})
            .second.section(u'\n', 0, 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"Xvfb"_qs).isEmpty() ||
            QStandardPaths::findExecutable(u"xdotool"_qs).isEmpty())
            QSKIP("Xvfb and xdotool drive the real program (scripts/setup installs them)");
        QVERIFY(m_home.isValid());
        // Xvfb picks a free display and writes its number once it accepts connections.
        m_xvfb.start(u"Xvfb"_qs, {u"-displayfd"_qs, u"1"_qs, u"-screen"_qs, u"0"_qs,
                                  u"1280x800x24"_qs, u"-nolisten"_qs, u"tcp"_qs});
        if (!m_xvfb.waitForReadyRead(10000))
            QSKIP("Xvfb does not start here");
        const QString display = QString::fromLatin1(m_xvfb.readAllStandardOutput()).trimmed();
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"DISPLAY"_qs, u":"_qs + display);
        m_environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        m_environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.path());
        m_environment.insert(u"XDG_RUNTIME_DIR"_qs, m_home.path()); // private to the user
        m_environment.remove(u"SESSION_MANAGER"_qs);
    }

    void cleanupTestCase()
    {
        m_app.kill(); // both do nothing when the process is not running
        m_app.waitForFinished(5000);
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(5000))
            m_xvfb.kill();
    }

    void renameThroughTheKeyboard()
    {
        const QDir folder(m_home.filePath(u"files"_qs));
        QVERIFY(folder.mkpath(u"."_qs));
        QStringList paths;
        for (int i = 1; i <= 3; ++i) {
            QFile file(folder.filePath(u"file%1.txt"_qs.arg(i)));
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
        QCOMPARE(run(QStringLiteral(BRISKLET_BINARY), paths).first, 0);
        QTest::qWait(500);

        // The first field of the first step has the focus: replace "file" with "doc".
        run(u"xdotool"_qs, {u"windowfocus"_qs, u"--sync"_qs, window});
        run(u"xdotool"_qs, {u"type"_qs, u"--delay"_qs, u"30"_qs, u"file"_qs});
        run(u"xdotool"_qs, {u"key"_qs, u"Tab"_qs});
        run(u"xdotool"_qs, {u"type"_qs, u"--delay"_qs, u"30"_qs, u"doc"_qs});
        QTest::qWait(300);
        run(u"xdotool"_qs, {u"key"_qs, u"ctrl+Return"_qs});
        const auto names = [&] { return folder.entryList(QDir::Files, QDir::Name); };
        const QStringList expected{u"doc1.txt"_qs, u"doc2.txt"_qs, u"doc3.txt"_qs};
        QVERIFY2(waitFor([&] { return names() == expected; }), qPrintable(names().join(u", ")));
        QFile first(folder.filePath(u"doc1.txt"_qs));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), QByteArray("1"));

        // Closing hides the window; the process keeps running.
        run(u"xdotool"_qs, {u"key"_qs, u"ctrl+w"_qs});
        QVERIFY2(waitFor([&] { return visibleWindow().isEmpty(); }), "the window did not close");
        QCOMPARE(m_app.state(), QProcess::Running);

        // Launching again brings the same window back.
        QCOMPARE(run(QStringLiteral(BRISKLET_BINARY), {}).first, 0);
        QVERIFY2(waitFor([&] { return visibleWindow() == window; }),
                 "the same window did not come back");
    }
};

BRISKLET_TEST(EndToEndTest)
#include "tst_endtoend.moc"
