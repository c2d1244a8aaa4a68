#include "enginetesthelpers.h"
#include "testmain.h"

#include "files/fileorder.h"

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace EngineTest;

namespace {

// A listed file at `path`, which need not exist.
FileItem item(const QString &path)
{
    FileItem file;
    file.id = QUuid::createUuid();
    file.url = QUrl::fromLocalFile(path);
    file.path = path.toUtf8();
    file.originalName = path.section(u'/', -1);
    file.newName = file.originalName;
    return file;
}

QList<FileItem> items(const QStringList &paths)
{
    QList<FileItem> files;
    for (const QString &path : paths)
        files.append(item(path.startsWith(u'/') ? path : u"/nowhere/"_qs + path));
    return files;
}

// The names of the rows in `order`, joined by spaces.
QString namesIn(const QList<FileItem> &files, const std::vector<qsizetype> &order)
{
    QStringList names;
    for (const qsizetype row : order)
        names.append(files.at(row).originalName);
    return names.join(u' ');
}

QSet<QUuid> idsOf(const QList<FileItem> &files, const QString &letters)
{
    QSet<QUuid> ids;
    for (const FileItem &file : files) {
        if (letters.contains(file.originalName))
            ids.insert(file.id);
    }
    return ids;
}

} // namespace

class FileOrderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sortsByText_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("expected");
        const auto name = int(SortKey::name);
        QTest::newRow("numbers as numbers")
            << QStringList{u"IMG_10.jpg"_qs, u"IMG_9.jpg"_qs, u"IMG_100.jpg"_qs, u"IMG_09.jpg"_qs}
            << name << u"en_US"_qs << false << u"IMG_9.jpg IMG_09.jpg IMG_10.jpg IMG_100.jpg"_qs;
        QTest::newRow("letter case after letters")
            << QStringList{u"b.txt"_qs, u"B.txt"_qs, u"a.txt"_qs, u"C.txt"_qs} << name
            << u"en_US"_qs << false << u"a.txt b.txt B.txt C.txt"_qs;
        QTest::newRow("German umlaut among the a")
            << QStringList{u"Zebra"_qs, u"Äpfel"_qs, u"Apfel"_qs, u"Birne"_qs} << name
            << u"de_DE"_qs << false << u"Apfel Äpfel Birne Zebra"_qs;
        QTest::newRow("Swedish ä after z")
            << QStringList{u"Zebra"_qs, u"Äpfel"_qs, u"Apfel"_qs, u"Birne"_qs} << name
            << u"sv_SE"_qs << false << u"Apfel Birne Zebra Äpfel"_qs;
        QTest::newRow("descending keeps equal rows in order")
            << QStringList{u"/1/a"_qs, u"/2/b"_qs, u"/3/a"_qs} << name << u"en_US"_qs << true
            << u"b a a"_qs;
        QTest::newRow("kind, letter case aside, then name")
            << QStringList{u"b.txt"_qs, u"c.jpg"_qs, u"a.JPG"_qs, u"a.txt"_qs, u"README"_qs}
            << int(SortKey::kind) << u"en_US"_qs << false << u"README a.JPG c.jpg a.txt b.txt"_qs;
        QTest::newRow("folder then name")
            << QStringList{u"/x/b/1"_qs, u"/x/a/2"_qs, u"/x/a 2/0"_qs, u"/x/a/1"_qs}
            << int(SortKey::folder) << u"en_US"_qs << false << u"1 2 0 1"_qs;
    }
    void sortsByText()
    {
        QFETCH(QStringList, paths);
        QFETCH(int, key);
        QFETCH(QString, locale);
        QFETCH(bool, descending);
        QFETCH(QString, expected);
        const QList<FileItem> files = items(paths);
        const auto order = FileOrder::sorted(files, SortKey(key),
                                             descending ? Qt::DescendingOrder : Qt::AscendingOrder,
                                             {}, QLocale(locale));
        QCOMPARE(namesIn(files, order), expected);
        if (descending)
            QCOMPARE(order, (std::vector<qsizetype>{1, 0, 2}));
    }

    void sortsByStamp_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<bool>("withTaken");
        QTest::addColumn<QString>("expected");
        // Files "a" to "d" on disk: modified 300, 100, 200, 100 s; sizes 2, 3, 1, 3 bytes.
        // "gone" does not exist, "web" is not a local file.
        QTest::newRow("modified") << int(SortKey::modified) << false << false
                                  << u"b d c a web gone"_qs;
        QTest::newRow("modified, descending")
            << int(SortKey::modified) << true << false << u"a c b d web gone"_qs;
        QTest::newRow("size") << int(SortKey::size) << false << false << u"c a b d web gone"_qs;
        QTest::newRow("size, descending")
            << int(SortKey::size) << true << false << u"b d a c web gone"_qs;
        // Taken: "d" on day 2, "c" on day 1; the others have none and go by date modified.
        QTest::newRow("taken") << int(SortKey::taken) << false << true << u"c d b a web gone"_qs;
        QTest::newRow("taken, descending")
            << int(SortKey::taken) << true << true << u"d c a b web gone"_qs;
        QTest::newRow("taken, none known")
            << int(SortKey::taken) << false << false << u"b d c a web gone"_qs;
    }
    void sortsByStamp()
    {
        QFETCH(int, key);
        QFETCH(bool, descending);
        QFETCH(bool, withTaken);
        QFETCH(QString, expected);
        TestFolder folder;
        const struct {
            const char16_t *name;
            qint64 seconds;
            QByteArray content;
        } made[] = {{u"a", 300, "aa"}, {u"b", 100, "bbb"}, {u"c", 200, "c"}, {u"d", 100, "ddd"}};
        QList<FileItem> files;
        for (const auto &file : made) {
            const QString path = folder.path(QString::fromUtf16(file.name));
            QVERIFY(writeFile(path, file.content));
            const timespec times[2] = {{file.seconds, 0}, {file.seconds, 0}};
            QCOMPARE(::utimensat(AT_FDCWD, path.toUtf8().constData(), times, 0), 0);
            files.append(item(path));
        }
        files.insert(2, item(folder.path(u"gone"_qs)));
        FileItem web;
        web.id = QUuid::createUuid();
        web.url = QUrl(u"https://example.org/web"_qs);
        web.originalName = u"web"_qs;
        files.insert(1, web);
        const FileOrder::DateTaken taken = [&](qsizetype row) -> std::optional<qint64> {
            if (files.at(row).originalName == u"d"_qs)
                return 2 * 86'400'000;
            if (files.at(row).originalName == u"c"_qs)
                return 86'400'000;
            return std::nullopt;
        };
        const auto order = FileOrder::sorted(files, SortKey(key),
                                             descending ? Qt::DescendingOrder : Qt::AscendingOrder,
                                             withTaken ? taken : FileOrder::DateTaken());
        QCOMPARE(namesIn(files, order), expected);
    }

    void movesRows_data()
    {
        QTest::addColumn<QString>("moving");
        QTest::addColumn<int>("destination"); // with byOne: how many places, and which way
        QTest::addColumn<bool>("byOne");
        QTest::addColumn<QString>("expected");
        QTest::newRow("block to the top") << u"BD"_qs << 0 << false << u"BDACE"_qs;
        QTest::newRow("block to the end") << u"BD"_qs << 5 << false << u"ACEBD"_qs;
        QTest::newRow("before a moving row") << u"BD"_qs << 1 << false << u"ABDCE"_qs;
        QTest::newRow("before the next row") << u"B"_qs << 2 << false << u"ABCDE"_qs;
        QTest::newRow("past the end") << u"A"_qs << 99 << false << u"BCDEA"_qs;
        QTest::newRow("unknown ids") << u""_qs << 0 << false << u"ABCDE"_qs;
        QTest::newRow("up, the first row stays") << u"AC"_qs << -1 << true << u"ACBDE"_qs;
        QTest::newRow("up, a block stays whole") << u"BC"_qs << -1 << true << u"BCADE"_qs;
        QTest::newRow("down, the last row stays") << u"CE"_qs << 1 << true << u"ABDCE"_qs;
        QTest::newRow("down, blocked by a blocked row") << u"DE"_qs << 1 << true << u"ABCDE"_qs;
        QTest::newRow("down two") << u"A"_qs << 2 << true << u"BCADE"_qs;
    }
    void movesRows()
    {
        QFETCH(QString, moving);
        QFETCH(int, destination);
        QFETCH(bool, byOne);
        QFETCH(QString, expected);
        const QList<FileItem> files = items({u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs, u"E"_qs});
        const QSet<QUuid> ids = idsOf(files, moving);
        const auto order = byOne ? FileOrder::movedByOne(files, ids, destination)
                                 : FileOrder::moved(files, ids, destination);
        QCOMPARE(namesIn(files, order).remove(u' '), expected);
    }
};

BRISKLET_TEST(FileOrderTest)
#include "tst_fileorder.moc"
