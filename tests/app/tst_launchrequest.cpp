#include "testmain.h"

#include "launchrequest.h"
#include "localpath.h"

#include <QTest>

// The command line as the program receives it: bytes. A file named by bytes that are not
// valid UTF-8 must reach the engine as those bytes, never as a look-alike name.
class LaunchRequestTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void files_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QList<QByteArray>>("paths");
        QTest::addColumn<int>("action");

        const int open = int(LaunchRequest::Action::openFiles);
        QTest::newRow("relative paths in order")
            << QList<QByteArray>{"b.txt", "sub/a.txt"}
            << QList<QByteArray>{"/work dir/b.txt", "/work dir/sub/a.txt"} << open;
        QTest::newRow("absolute path, cleaned")
            << QList<QByteArray>{"/tmp/x/../y//z.txt"} << QList<QByteArray>{"/tmp/y/z.txt"} << open;
        QTest::newRow("name that is not UTF-8")
            << QList<QByteArray>{"photo-\xff.jpg", "/tmp/\xc3(.txt"}
            << QList<QByteArray>{"/work dir/photo-\xff.jpg", "/tmp/\xc3(.txt"} << open;
        QTest::newRow("percent sign in a path stays a percent sign")
            << QList<QByteArray>{"100%25.txt"} << QList<QByteArray>{"/work dir/100%25.txt"} << open;
        QTest::newRow("file URI keeps its escaped bytes")
            << QList<QByteArray>{"file:///tmp/photo-%FF.jpg"}
            << QList<QByteArray>{"/tmp/photo-\xff.jpg"} << open;
        QTest::newRow("after -- a dash starts a file")
            << QList<QByteArray>{"--", "-x.txt"} << QList<QByteArray>{"/work dir/-x.txt"} << open;
        QTest::newRow("options are not files")
            << QList<QByteArray>{"--add-files", "-style"} << QList<QByteArray>{}
            << int(LaunchRequest::Action::addFiles);
        QTest::newRow("files win over the chooser")
            << QList<QByteArray>{"--add-files", "a"} << QList<QByteArray>{"/work dir/a"} << open;
    }

    void files()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QList<QByteArray>, paths);
        QFETCH(int, action);

        const LaunchRequest request = LaunchRequest::fromArguments(arguments, "/work dir");
        QCOMPARE(int(request.action), action);
        QList<QByteArray> got;
        for (const QUrl &url : request.files)
            got.append(LocalPath::fromUrl(url));
        QCOMPARE(got, paths);
    }

    // A valid UTF-8 path gives the very URL Qt makes of it, so rows and a second launch's
    // files compare equal however they arrived.
    void utf8PathGivesQtsUrl()
    {
        const QString path = u"/tmp/Fotos/Überblick 1.jpg"_qs;
        const LaunchRequest request =
            LaunchRequest::fromArguments(QList<QByteArray>{path.toUtf8()}, "/");
        QCOMPARE(request.files, QList<QUrl>{QUrl::fromLocalFile(path)});
    }
};

BRISKLET_TEST(LaunchRequestTest)
#include "tst_launchrequest.moc"
