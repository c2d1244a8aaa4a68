#include "testmain.h"

#include "clitest.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace CliTest;

// Folder arguments, with and without -r, through the real brisklet-cli on a real tree.
class CliFoldersTest : public QObject {
    Q_OBJECT

private:
    Home m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.next());
        // top/  b.txt  A.txt  .hidden  link→sub  sub/{z.txt, .h/x, deep/y}  empty/
        for (const char *folder : {"top/sub/deep", "top/sub/.h", "top/empty"})
            QVERIFY(QDir(m_home.folder).mkpath(QString::fromLatin1(folder)));
        for (const char *file : {"top/b.txt", "top/A.txt", "top/.hidden", "top/sub/z.txt",
                                 "top/sub/.h/x", "top/sub/deep/y"})
            QVERIFY(m_home.create(file));
        QVERIFY(::symlink("sub", m_home.path("top/link").constData()) == 0);
    }

    void listed_data()
    {
        QTest::addColumn<QString>("arguments"); // split at spaces
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("listed"); // paths below the folder, in the plan's order

        // Each folder's files by their bytes, then its sub-folders' in the same order; a link
        // is a file, never followed.
        QTest::newRow("recursive") << u"-r top"_qs << 0
                                   << QByteArray("top/A.txt|top/b.txt|top/link|top/sub/z.txt|"
                                                 "top/sub/deep/y");
        QTest::newRow("hidden") << u"--recursive --hidden top/sub"_qs << 0
                                << QByteArray("top/sub/z.txt|top/sub/.h/x|top/sub/deep/y");
        QTest::newRow("a hidden folder named")
            << u"-r top/sub/.h"_qs << 0 << QByteArray("top/sub/.h/x");
        QTest::newRow("arguments keep their order")
            << u"-r top/sub/deep top/b.txt"_qs << 0 << QByteArray("top/sub/deep/y|top/b.txt");
        QTest::newRow("a link to a folder") << u"-r top/link"_qs << 0 << QByteArray("top/link");
        QTest::newRow("without -r, the folder itself")
            << u"top/sub"_qs << 0 << QByteArray("top/sub");
        QTest::newRow("nothing below") << u"-r top/empty"_qs << 2 << QByteArray();
    }

    void listed()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, listed);

        const Run result =
            m_home.run(QStringList{u"--system-workflow"_qs, u"web-safe-names"_qs, u"--json"_qs} +
                       arguments.split(u' '));
        QVERIFY2(result.status == status, result.said().constData());
        QList<QByteArray> paths;
        const QByteArray prefix = QFile::encodeName(m_home.folder) + '/';
        for (const QByteArray &line : result.out.split('\n')) {
            const QJsonObject row = QJsonDocument::fromJson(line).object();
            if (row.contains(u"path"))
                paths.append(row.value(u"path").toString().toUtf8().mid(prefix.size()));
        }
        QCOMPARE(paths.join('|'), listed);
    }
};

BRISKLET_TEST(CliFoldersTest)
#include "tst_clifolders.moc"
