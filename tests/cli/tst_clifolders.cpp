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
        for (const char *folder : {"top/sub/deep", "top/sub/.h", "top/empty"})
            QVERIFY(QDir(m_home.folder).mkpath(QString::fromLatin1(folder)));
        for (const char *file : {"top/b.txt", "top/A.txt", "top/.hidden", "top/sub/z.txt",
                                 "top/sub/.h/x", "top/sub/deep/y"})
            QVERIFY(m_home.create(file));
        QVERIFY(::symlink("sub", m_home.path("top/link").constData()) == 0);
    }

    void listed_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("listed"); // in the plan's order; none for exit status 2
        // Each folder's own files by their bytes, then its sub-folders' in that order; a
        // link is a file, never followed.
        QTest::newRow("recursive")
            << u"-r top"_qs
            << QByteArray("top/A.txt|top/b.txt|top/link|top/sub/z.txt|top/sub/deep/y");
        QTest::newRow("hidden") << u"--recursive --hidden top/sub"_qs
                                << QByteArray("top/sub/z.txt|top/sub/.h/x|top/sub/deep/y");
        QTest::newRow("a hidden folder named") << u"-r top/sub/.h"_qs << QByteArray("top/sub/.h/x");
        QTest::newRow("arguments in their order")
            << u"-r top/sub/deep top/b.txt"_qs << QByteArray("top/sub/deep/y|top/b.txt");
        QTest::newRow("a link to a folder") << u"-r top/link"_qs << QByteArray("top/link");
        QTest::newRow("without -r") << u"top/sub"_qs << QByteArray("top/sub");
        QTest::newRow("nothing below") << u"-r top/empty"_qs << QByteArray();
    }

    void listed()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, listed);
        const Run result =
            m_home.run(QStringList{u"--system-workflow=web-safe-names"_qs, u"--json"_qs} +
                       arguments.split(u' '));
        QVERIFY2(result.status == (listed.isEmpty() ? 2 : 0), result.said().constData());
        QList<QByteArray> paths;
        for (const QByteArray &line : result.out.split('\n')) {
            const QString path = QJsonDocument::fromJson(line).object().value(u"path").toString();
            if (!path.isEmpty())
                paths.append(QFile::encodeName(QDir(m_home.folder).relativeFilePath(path)));
        }
        QCOMPARE(paths.join('|'), listed);
    }
};

BRISKLET_TEST(CliFoldersTest)
#include "tst_clifolders.moc"
