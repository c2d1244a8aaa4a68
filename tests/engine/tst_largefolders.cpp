#include "testmain.h"

#include "disk/namelookup.h"
#include "disk/posixfilemover.h"
#include "files/listedfiles.h"

#include <QFile>
#include <QTest>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

// Folders read whole through a descriptor in this process, counted in place of the C
// library's fdopendir().
std::atomic<int> folderScans{0};

} // namespace

extern "C" DIR *fdopendir(int descriptor)
{
    static const auto next =
        reinterpret_cast<decltype(&fdopendir)>(::dlsym(RTLD_NEXT, "fdopendir"));
    return ++folderScans, next(descriptor);
}

class LargeFoldersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Names are told apart by every byte, whatever their length, and each keeps the value
    // it was first added with; one at a time or many at once, the answers are the same.
    void lookup_data()
    {
        QTest::addColumn<QByteArrayList>("names");
        QTest::addColumn<QByteArrayList>("absent");

        QTest::newRow("lengths around a word")
            << QByteArrayList{"1234567", "12345678", "123456789", "1234567812345678", "", "a"}
            << QByteArrayList{"123456", "1234567\0"_ba, "12345679", "12345678123456780", "b"};
        QTest::newRow("the last byte differs")
            << QByteArrayList{"IMG_000001.JPG", "IMG_000002.JPG", "IMG_000001.JPg"}
            << QByteArrayList{"IMG_000003.JPG", "IMG_000001.JP"};
        QTest::newRow("repeated names")
            << QByteArrayList{"a.txt", "b.txt", "a.txt", "a.txt", "b.txt"}
            << QByteArrayList{"c.txt"};
        QTest::newRow("bytes that are not UTF-8 and NUL")
            << QByteArrayList{"caf\xe9", "caf\xc3\xa9", "a\0b"_ba, "a\0c"_ba}
            << QByteArrayList{"cafe", "a", "a\0"_ba};
    }

    void lookup()
    {
        QFETCH(QByteArrayList, names);
        QFETCH(QByteArrayList, absent);

        // Far more names than the room asked for, so that the table grows on the way.
        QByteArrayList all = names;
        for (int i = 0; i < 3000; ++i)
            all.append("file " + QByteArray::number(i));
        std::vector<QByteArrayView> views(all.cbegin(), all.cend());
        std::vector<qsizetype> values(all.size());
        for (qsizetype i = 0; i < all.size(); ++i)
            values[size_t(i)] = 10 * i;

        NameLookup single(2);
        NameLookup many(2);
        std::vector<qsizetype> added(all.size());
        many.addEach(views.data(), values.data(), all.size(), added.data());
        std::vector<qsizetype> found(all.size());
        many.findEach(views.data(), all.size(), found.data());
        for (qsizetype i = 0; i < all.size(); ++i) {
            const qsizetype first = 10 * all.indexOf(all[i]);
            QCOMPARE(single.add(all[i], values[size_t(i)]), first);
            QCOMPARE(added[size_t(i)], first);
            QCOMPARE(found[size_t(i)], first);
        }
        QCOMPARE(single.size(), QSet<QByteArray>(all.cbegin(), all.cend()).size());
        for (const QByteArray &name : absent) {
            QCOMPARE(single.find(name), -1);
            QCOMPARE(many.find(name), -1);
        }
    }

    // No name on disk is longer than this holds: such a name is neither added nor found.
    void nameTooLong()
    {
        NameLookup lookup;
        const QByteArray name(0x10000, 'n');
        QCOMPARE(lookup.add(name, 1), -1);
        QCOMPARE(lookup.find(name), -1);
        QCOMPARE(lookup.add(name.chopped(1), 2), 2);
        QCOMPARE(lookup.find(name.chopped(1)), 2);
    }

    // A folder of more files than are read in one run is still read once, and every file
    // gets its own identity.
    void largeFolderReadOnce()
    {
        QTemporaryDir folder;
        const QByteArray base = QFile::encodeName(folder.path()) + "/f";
        constexpr int count = 80000;
        QList<QByteArray> paths;
        paths.reserve(count);
        for (int i = 0; i < count; ++i) {
            paths.append(base + QByteArray::number(i));
            const int file = ::open(paths.last().constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            QVERIFY(file >= 0);
            ::close(file);
        }

        PosixFileMover mover;
        QList<FileItem> files;
        folderScans = 0;
        ListedFiles::appendPaths(files, paths, mover);
        QCOMPARE(folderScans.load(), 1);
        for (const int i : {0, 1, 65535, 65536, 65537, count - 1})
            QVERIFY2(files[i].identity && files[i].identity == mover.identity(paths[i]),
                     paths[i].constData());
    }
};

BRISKLET_TEST(LargeFoldersTest)
#include "tst_largefolders.moc"
