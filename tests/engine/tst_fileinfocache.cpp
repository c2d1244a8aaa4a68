#include "testmain.h"

#include "fileinfo/fileinfocache.h"

using namespace Qt::StringLiterals;

namespace {

FileInfo stamped(quint64 inode, quint64 device = 2049)
{
    FileInfo info;
    info.device = device;
    info.inode = 12'345'678 + inode; // as on a disk in use for a while
    info.size = 3'500'000 + qint64(inode % 1000) * 997;
    info.modifiedNanoseconds = 1'700'000'000'123'456'789 + qint64(inode) * 1'000'000'007;
    return info;
}

// Shaped like a camera folder: three cameras, a few sizes, a date each.
FileInfo photo(quint64 inode)
{
    FileInfo info = stamped(inode);
    static const QString cameras[] = {u"Canon EOS R6"_s, u"Pixel 7"_s, u"iPhone 14 Pro"_s};
    info.cameraModel = cameras[inode % 3];
    info.dateTaken = 1'650'000'000'000 + qint64(inode) * 61'000;
    info.width = inode % 2 ? 6000 : 4032;
    info.height = inode % 2 ? 4000 : 3024;
    return info;
}

// Shaped like a music collection: albums of twelve songs, titles of their own.
FileInfo song(quint64 inode)
{
    FileInfo info = stamped(inode);
    info.artist = u"Artist number %1"_s.arg(inode / 120);
    info.album = u"The album called %1"_s.arg(inode / 12);
    info.title = u"A song named %1"_s.arg(inode);
    info.trackNumber = int(inode % 12) + 1;
    info.year = 1960 + int(inode % 60);
    return info;
}

} // namespace

class FileInfoCacheTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<FileInfo>("info");
        FileInfo damaged = stamped(7);
        damaged.problem = u"This file is damaged."_s;
        FileInfo before1970 = photo(8);
        before1970.dateTaken = -2'208'988'800'000; // 1900
        FileInfo largest = song(9);
        largest.size = (qint64(1) << 48) - 1;
        largest.modifiedNanoseconds = -1;
        largest.title = u"Ünïcödé ♫ "_s.repeated(40);
        QTest::newRow("stamps only") << stamped(1);
        QTest::newRow("photo") << photo(2);
        QTest::newRow("song") << song(3);
        QTest::newRow("problem") << damaged;
        QTest::newRow("before 1970") << before1970;
        QTest::newRow("extremes") << largest;
    }
    void roundTrip()
    {
        QFETCH(FileInfo, info);
        FileInfoCache cache;
        cache.insert(stamped(100));
        cache.insert(info);
        cache.insert(photo(101));
        QCOMPARE(cache.find(info.device, info.inode, info.size, info.modifiedNanoseconds), info);
        QCOMPARE(cache.find(info.device, info.inode, info.size + 1, info.modifiedNanoseconds),
                 std::nullopt);
        QCOMPARE(cache.find(info.device, info.inode, info.size, info.modifiedNanoseconds + 1),
                 std::nullopt);
        QCOMPARE(cache.find(info.device + 1, info.inode, info.size, info.modifiedNanoseconds),
                 std::nullopt);
        QCOMPARE(cache.find(info.device, info.inode + 1000, info.size, info.modifiedNanoseconds),
                 std::nullopt);
    }

    // A file read again replaces what was kept; the room the old details took is given
    // back once there is much of it.
    void readAgain()
    {
        FileInfoCache cache;
        for (quint64 inode = 0; inode < 1000; ++inode)
            cache.insert(song(inode));
        const size_t memory = cache.memoryUsed();
        for (int round = 0; round < 20; ++round) {
            for (quint64 inode = 0; inode < 1000; ++inode) {
                FileInfo changed = song(inode);
                changed.modifiedNanoseconds += round;
                changed.title += QString::number(round % 2);
                cache.insert(changed);
            }
        }
        QCOMPARE(cache.count(), 1000);
        FileInfo last = song(500);
        last.modifiedNanoseconds += 19;
        last.title += u'1';
        QCOMPARE(cache.find(last.device, last.inode, last.size, last.modifiedNanoseconds), last);
        QVERIFY2(cache.memoryUsed() < memory * 3, qPrintable(QString::number(cache.memoryUsed())));
    }
};

BRISKLET_TEST(FileInfoCacheTest)
#include "tst_fileinfocache.moc"
