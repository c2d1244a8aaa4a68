#include "testregistry.h"

#include "launchrequest.h"
#include "singleinstance.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using Action = LaunchRequest::Action;
using Role = SingleInstance::Role;

Q_DECLARE_METATYPE(Action)

namespace {

QUrl local(const QString &path)
{
    return QUrl::fromLocalFile(path);
}

QString probePath()
{
    return QCoreApplication::applicationDirPath() + u"/brisklet-instance-probe"_qs;
}

// Runs a second launch on its own thread: it blocks until the serving instance, which needs
// this thread's event loop, has answered.
Role launchAgain(const QString &directory, const LaunchRequest &request)
{
    std::atomic<bool> done{false};
    Role role = Role::failed;
    std::thread launch([&] {
        SingleInstance second(directory);
        role = second.start(request);
        done = true;
    });
    QDeadlineTimer deadline(10000);
    while (!done && !deadline.hasExpired())
        QTest::qWait(5);
    launch.join();
    return role;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QList<QUrl>>("files");

        QTest::newRow("bare launch") << QStringList() << Action::showWindow << QList<QUrl>();
        QTest::newRow("add files")
            << QStringList{u"--add-files"_qs} << Action::addFiles << QList<QUrl>();
        QTest::newRow("paths, relative and absolute")
            << QStringList{u"a.txt"_qs, u"../b c.txt"_qs, u"/tmp/x/./d.txt"_qs} << Action::openFiles
            << QList<QUrl>{local(u"/home/u/work/a.txt"_qs), local(u"/home/u/b c.txt"_qs),
                           local(u"/tmp/x/d.txt"_qs)};
        QTest::newRow("file URIs")
            << QStringList{u"file:///tmp/a%20b.txt"_qs, u"file:///tmp/%C3%A9.txt"_qs}
            << Action::openFiles
            << QList<QUrl>{local(u"/tmp/a b.txt"_qs), local(u"/tmp/\u00e9.txt"_qs)};
        QTest::newRow("colon in a file name is a path")
            << QStringList{u"notes:draft.txt"_qs} << Action::openFiles
            << QList<QUrl>{local(u"/home/u/work/notes:draft.txt"_qs)};
        QTest::newRow("files win over the chooser")
            << QStringList{u"--add-files"_qs, u"a.txt"_qs} << Action::openFiles
            << QList<QUrl>{local(u"/home/u/work/a.txt"_qs)};
        QTest::newRow("unknown options ignored, dashes after --")
            << QStringList{u"--verbose"_qs, u"--"_qs, u"-a.txt"_qs, u"--add-files"_qs}
            << Action::openFiles
            << QList<QUrl>{local(u"/home/u/work/-a.txt"_qs), local(u"/home/u/work/--add-files"_qs)};
    }

    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QList<QUrl>, files);
        const LaunchRequest request = LaunchRequest::fromArguments(arguments, u"/home/u/work"_qs);
        QCOMPARE(request.action, action);
        QCOMPARE(request.files, files);
    }

    void messageRoundTrip()
    {
        const LaunchRequest request{Action::openFiles,
                                    {local(u"/tmp/a.txt"_qs), QUrl(u"sftp://host/b"_qs)}};
        const QByteArray frame = SingleInstance::encode(request);
        QDataStream in(frame);
        quint32 length = 0;
        in >> length;
        QCOMPARE(qsizetype(length), frame.size() - 4);
        const QByteArray payload = frame.mid(4);
        QCOMPARE(SingleInstance::decode(payload), std::optional<LaunchRequest>(request));

        QVERIFY(!SingleInstance::decode(payload.left(payload.size() - 1)));
        QVERIFY(!SingleInstance::decode(payload + "x"));
        QByteArray wrongMagic = payload;
        wrongMagic[0] = 'X';
        QVERIFY(!SingleInstance::decode(wrongMagic));
        QByteArray badAction = SingleInstance::encode({Action::showWindow, {}}).mid(4);
        badAction[6] = 9; // after magic (4) and version (2)
        QVERIFY(!SingleInstance::decode(badAction));
    }

    void secondLaunchIsForwarded()
    {
        QTemporaryDir directory;
        SingleInstance first(directory.path());
        QCOMPARE(first.start({}), Role::primary);
        QSignalSpy received(&first, &SingleInstance::requestReceived);

        const LaunchRequest files{
            Action::openFiles,
            {local(u"/tmp/1.txt"_qs), local(u"/tmp/2.txt"_qs), local(u"/tmp/3.txt"_qs)}};
        QCOMPARE(launchAgain(directory.path(), files), Role::forwarded);
        QCOMPARE(launchAgain(directory.path(), {}), Role::forwarded);
        QTRY_COMPARE(received.size(), 2);
        // All files of one launch arrive as one list, in order.
        QCOMPARE(received.at(0).first().value<LaunchRequest>(), files);
        QCOMPARE(received.at(1).first().value<LaunchRequest>().action, Action::showWindow);
    }

    void servingPassesOnWhenTheFirstQuits()
    {
        QTemporaryDir directory;
        {
            SingleInstance first(directory.path());
            QCOMPARE(first.start({}), Role::primary);
        }
        SingleInstance next(directory.path());
        QCOMPARE(next.start({}), Role::primary);
    }

    void leftoversOfACrashDoNotBlock()
    {
        if (!QFile::exists(probePath()))
            QSKIP("brisklet-instance-probe is not built");
        QTemporaryDir directory;
        QProcess crashing;
        crashing.start(probePath(), {directory.path(), u"1"_qs});
        QVERIFY(crashing.waitForReadyRead(5000));
        QCOMPARE(crashing.readLine(), QByteArray("primary\n"));
        crashing.kill(); // leaves its lock file and socket file behind
        QVERIFY(crashing.waitForFinished(5000));

        SingleInstance next(directory.path());
        QVERIFY(QFile::exists(next.lockFilePath()));
        QCOMPARE(next.start({}, std::chrono::milliseconds(3000)), Role::primary);
    }

    void garbageIsDroppedAndServingGoesOn()
    {
        QTemporaryDir directory;
        SingleInstance first(directory.path());
        QCOMPARE(first.start({}), Role::primary);
        QSignalSpy received(&first, &SingleInstance::requestReceived);

        QLocalSocket hostile;
        hostile.connectToServer(first.socketPath());
        QVERIFY(hostile.waitForConnected(1000));
        hostile.write(QByteArray::fromHex("7fffffff") + "junk");
        QTRY_COMPARE(hostile.state(), QLocalSocket::UnconnectedState);

        QCOMPARE(launchAgain(directory.path(), {Action::addFiles, {}}), Role::forwarded);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().value<LaunchRequest>().action, Action::addFiles);
    }

    void simultaneousLaunches()
    {
        const QString probe = probePath();
        if (!QFile::exists(probe))
            QSKIP("brisklet-instance-probe is not built");
        QTemporaryDir directory;
        constexpr int launches = 5;
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < launches; ++i) {
            auto process = std::make_unique<QProcess>();
            process->setProgram(probe);
            process->setArguments({directory.path(), QString::number(launches - 1),
                                   u"/tmp/file-%1.txt"_qs.arg(i), u"/tmp/other-%1.txt"_qs.arg(i)});
            processes.push_back(std::move(process));
        }
        for (auto &process : processes)
            process->start();

        int primaries = 0;
        int forwarded = 0;
        QString primaryOutput;
        int primaryIndex = -1;
        for (int i = 0; i < launches; ++i) {
            QProcess &process = *processes[i];
            QVERIFY(process.waitForFinished(10000));
            const QString output = QString::fromUtf8(process.readAllStandardOutput());
            if (output.startsWith(u"primary"_qs)) {
                ++primaries;
                primaryOutput = output;
                primaryIndex = i;
                QCOMPARE(process.exitCode(), 0); // every other launch reached it
            } else {
                QCOMPARE(output, u"forwarded\n"_qs);
                ++forwarded;
            }
        }
        QCOMPARE(primaries, 1);
        QCOMPARE(forwarded, launches - 1);
        for (int i = 0; i < launches; ++i) {
            if (i == primaryIndex)
                continue;
            const QString line =
                u"request 1 file:///tmp/file-%1.txt file:///tmp/other-%1.txt\n"_qs.arg(i);
            QVERIFY2(primaryOutput.contains(line), qPrintable(primaryOutput));
        }
    }
};

BRISKLET_TEST(SingleInstanceTest)
#include "tst_singleinstance.moc"
