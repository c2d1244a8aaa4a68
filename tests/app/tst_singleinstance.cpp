#include "testmain.h"

#include "disk/localpath.h"
#include "launchrequest.h"
#include "singleinstance.h"

#include <QProcess>
#include <QSignalSpy>

using Action = LaunchRequest::Action;

// The command line as the program receives it, and later launches as real processes:
// brisklet-instance-probe starts as Brisklet does.
class SingleInstanceTest : public QObject {
    Q_OBJECT

private:
    const QString m_probe = QCoreApplication::applicationDirPath() + u"/brisklet-instance-probe"_qs;
    QTemporaryDir m_directory;

private Q_SLOTS:
    // Arguments are bytes: a name that is not UTF-8 reaches the engine as those bytes.
    void arguments_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QList<QByteArray>>("paths");
        QTest::addColumn<Action>("action");

        using Bytes = QList<QByteArray>;
        const Action open = Action::openFiles;
        QTest::newRow("relative paths in order")
            << Bytes{"b.txt", "sub/a.txt"} << Bytes{"/work dir/b.txt", "/work dir/sub/a.txt"}
            << open;
        QTest::newRow("absolute path, cleaned")
            << Bytes{"/tmp/x/../y//z.txt"} << Bytes{"/tmp/y/z.txt"} << open;
        QTest::newRow("UTF-8 name") << Bytes{"/tmp/\xc3\xa9t\xc3\xa9 1.jpg"}
                                    << Bytes{"/tmp/\xc3\xa9t\xc3\xa9 1.jpg"} << open;
        QTest::newRow("name that is not UTF-8")
            << Bytes{"photo-\xff.jpg", "/tmp/\xc3(.txt"}
            << Bytes{"/work dir/photo-\xff.jpg", "/tmp/\xc3(.txt"} << open;
        QTest::newRow("percent sign in a path stays a percent sign")
            << Bytes{"100%25.txt"} << Bytes{"/work dir/100%25.txt"} << open;
        QTest::newRow("file URI keeps its escaped bytes")
            << Bytes{"file:///tmp/photo-%FF.jpg"} << Bytes{"/tmp/photo-\xff.jpg"} << open;
        QTest::newRow("after -- a dash starts a file")
            << Bytes{"--", "-x.txt"} << Bytes{"/work dir/-x.txt"} << open;
        QTest::newRow("options are not files")
            << Bytes{"--add-files", "-style"} << Bytes{} << Action::addFiles;
        QTest::newRow("files win over the chooser")
            << Bytes{"--add-files", "a"} << Bytes{"/work dir/a"} << open;
    }

    void arguments()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QList<QByteArray>, paths);
        QFETCH(Action, action);
        const LaunchRequest request = LaunchRequest::fromArguments(arguments, "/work dir");
        QCOMPARE(request.action, action);
        QList<QByteArray> got;
        for (const QUrl &url : request.files)
            got.append(LocalPath::fromUrl(url));
        QCOMPARE(got, paths);
        // A UTF-8 path gives the very URL Qt makes of it, so the same file compares equal
        // however it arrived.
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (QString::fromUtf8(paths.at(i)).toUtf8() == paths.at(i))
                QCOMPARE(request.files.at(i), QUrl::fromLocalFile(QString::fromUtf8(paths.at(i))));
        }
    }

    // A bare second launch and one with files are driven in the real program; the chooser's
    // request crosses too.
    void addFilesIsForwarded()
    {
        SingleInstance first(m_directory.path());
        QCOMPARE(first.start({}), SingleInstance::Role::primary);
        QSignalSpy spy(&first, &SingleInstance::requestReceived);
        QProcess second;
        second.start(m_probe, {m_directory.path(), u"0"_qs, u"--add-files"_qs});
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy.first().first().value<LaunchRequest>(), (LaunchRequest{Action::addFiles, {}}));
        // The event loop above may already have seen it exit, when waitForFinished says false.
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 5000);
        QCOMPARE(second.readAllStandardOutput(), QByteArray("forwarded\n"));
    }

    void simultaneousLaunchesHaveOneServer()
    {
        constexpr int launches = 5;
        QProcess processes[launches];
        for (int i = 0; i < launches; ++i)
            processes[i].start(m_probe,
                               {m_directory.path(), QString::number(launches - 1),
                                u"/tmp/file-%1.txt"_qs.arg(i), u"/tmp/other-%1.txt"_qs.arg(i)});
        QStringList outputs;
        qsizetype primary = -1;
        for (QProcess &process : processes) {
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), 0); // the server exits 0 only once all reached it
            outputs.append(QString::fromUtf8(process.readAllStandardOutput()));
            if (outputs.last().startsWith(u"primary\n"_qs))
                primary = outputs.size() - 1;
        }
        QVERIFY2(primary >= 0, qPrintable(outputs.join(u'|')));
        QCOMPARE(outputs.count(u"forwarded\n"_qs), launches - 1);
        for (int i = 0; i < launches; ++i) {
            const QString line =
                u"request 1 file:///tmp/file-%1.txt file:///tmp/other-%1.txt\n"_qs.arg(i);
            QVERIFY2(outputs.at(primary).contains(line) == (i != primary),
                     qPrintable(outputs.at(primary)));
        }
    }
};

BRISKLET_TEST(SingleInstanceTest)
#include "tst_singleinstance.moc"
