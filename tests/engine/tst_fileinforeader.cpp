#include "testmain.h"

#include "fileinfo/fileinforeader.h"
#include "fileinfo/imagedetails.h"
#include "samplemedia.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>
#include <QThread>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>

using namespace Qt::StringLiterals;
using SampleMedia::AudioFormat;

namespace {

const QString damaged = u"This file is damaged."_s;
const QString notRegular = u"This is not a regular file."_s;
const QString notOpened = u"This file could not be opened."_s;

FileInfo readFile(const QString &path)
{
    return FileInfoReader::read(QFile::encodeName(path));
}

// Bytes this process has read from files so far.
qint64 bytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    qint64 value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return 0;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The smallest PNG of the size: its header chunk and its end, with their checksums.
QByteArray pngOfSize(quint32 width, quint32 height)
{
    const auto chunk = [](const QByteArray &type, const QByteArray &data) -> QByteArray {
        QByteArray bytes(4, '\0');
        qToBigEndian(quint32(data.size()), bytes.data());
        quint32 crc = 0xFFFFFFFF;
        const QByteArray summed = type + data;
        for (const char byte : summed) {
            crc ^= quint8(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
        QByteArray sum(4, '\0');
        qToBigEndian(~crc, sum.data());
        return bytes + type + data + sum;
    };
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 8; // bits a sample
    header[9] = 2; // RGB
    return "\x89PNG\r\n\x1A\n"_ba + chunk("IHDR", header) + chunk("IEND", {});
}

const SampleMedia::Recording recording{u"Sigur Rós"_s, u"Ágætis byrjun"_s, u"Svefn-g-englar"_s, 2,
                                       1999};

} // namespace

class FileInfoReaderTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;

    QString pathOf(const QString &name) const { return m_folder.filePath(name); }

private Q_SLOTS:
    void photos_data()
    {
        QTest::addColumn<SampleMedia::Photo>("photo");
        QTest::addColumn<QString>("model"); // as read

        const QDateTime taken(QDate(2021, 7, 14), QTime(9, 30, 5), Qt::UTC);
        QTest::newRow("everything")
            << SampleMedia::Photo{taken, u"Pixel 7"_s, 64, 48} << u"Pixel 7"_s;
        QTest::newRow("padded model")
            << SampleMedia::Photo{taken, u"  EOS R6   "_s, 16, 8} << u"EOS R6"_s;
        QTest::newRow("no EXIF at all")
            << SampleMedia::Photo{std::nullopt, {}, 24, 16} << QString();
    }
    void photos()
    {
        QFETCH(SampleMedia::Photo, photo);
        QFETCH(QString, model);
        const QString path = pathOf(u"photo.jpg"_s);
        QVERIFY(SampleMedia::writeJpeg(path, photo));
        const FileInfo info = readFile(path);
        QCOMPARE(info.problem, QString());
        // The camera's clock, as if it were UTC.
        QCOMPARE(info.dateTaken,
                 photo.taken ? std::optional(photo.taken->toMSecsSinceEpoch()) : std::nullopt);
        QCOMPARE(info.cameraModel, model);
        QCOMPARE(info.width, photo.width);
        QCOMPARE(info.height, photo.height);
        QCOMPARE(info.size, QFileInfo(path).size());
    }

    // Images other than JPEG are read by Exiv2 through the descriptor's own file.
    void pngSize()
    {
        const QString path = pathOf(u"image.png"_s);
        QVERIFY(writeBytes(path, pngOfSize(1920, 1080)));
        const FileInfo info = readFile(path);
        QCOMPARE(info.problem, QString());
        QCOMPARE(info.width, 1920);
        QCOMPARE(info.height, 1080);
        QCOMPARE(info.dateTaken, std::nullopt);
    }

    // Dates as cameras and editors write them, and as they write them wrong.
    void dateTexts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("wallClock"); // empty for none
        QTest::newRow("EXIF") << "2021:07:14 09:30:05"_ba << u"2021-07-14T09:30:05"_s;
        QTest::newRow("XMP with a zone")
            << "2021-07-14T23:30:05+02:00"_ba << u"2021-07-14T23:30:05"_s;
        QTest::newRow("XMP without seconds") << "2021-07-14T09:30Z"_ba << u"2021-07-14T09:30:00"_s;
        QTest::newRow("date alone") << "1969-12-31"_ba << u"1969-12-31T00:00:00"_s;
        QTest::newRow("left blank") << "    :  :     :  :  "_ba << QString();
        QTest::newRow("zeros") << "0000:00:00 00:00:00"_ba << QString();
        QTest::newRow("no such day") << "2021:02:30 10:00:00"_ba << QString();
        QTest::newRow("no such hour") << "2021:02:03 24:00:00"_ba << QString();
        QTest::newRow("cut short") << "2021:02:03 1"_ba << QString();
    }
    void dateTexts()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, wallClock);
        const std::optional<qint64> when = ImageDetails::wallClockOf(text);
        QCOMPARE(when.has_value(), !wallClock.isEmpty());
        if (when) {
            QCOMPARE(QDateTime::fromMSecsSinceEpoch(*when, Qt::UTC).toString(Qt::ISODate),
                     wallClock + u'Z');
        }
    }

    void recordings_data()
    {
        QTest::addColumn<AudioFormat>("format");
        QTest::addColumn<QString>("name");
        QTest::newRow("MP3") << AudioFormat::mp3 << u"a.mp3"_s;
        QTest::newRow("FLAC") << AudioFormat::flac << u"a.flac"_s;
        QTest::newRow("Ogg Vorbis") << AudioFormat::ogg << u"a.ogg"_s;
        QTest::newRow("Opus") << AudioFormat::opus << u"a.opus"_s;
        QTest::newRow("M4A") << AudioFormat::m4a << u"a.m4a"_s;
        QTest::newRow("WAV") << AudioFormat::wav << u"a.wav"_s;
        // The content decides, not the name.
        QTest::newRow("FLAC named .mp3") << AudioFormat::flac << u"b.mp3"_s;
        QTest::newRow("M4A without extension") << AudioFormat::m4a << u"b"_s;
    }
    void recordings()
    {
        QFETCH(AudioFormat, format);
        QFETCH(QString, name);
        const QString path = pathOf(name);
        QVERIFY(SampleMedia::writeAudio(path, format, recording));
        const FileInfo info = readFile(path);
        QCOMPARE(info.problem, QString());
        QCOMPARE(info.artist, recording.artist);
        QCOMPARE(info.album, recording.album);
        QCOMPARE(info.title, recording.title);
        QCOMPARE(info.trackNumber, recording.track);
        QCOMPARE(info.year, recording.year);
        QCOMPARE(info.dateTaken, std::nullopt);
    }

    // Nothing but a regular file is opened, and nothing waits: a FIFO without a writer
    // would block an ordinary open for good.
    void notRegularFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("problem");
        QVERIFY(::mkfifo(QFile::encodeName(pathOf(u"fifo"_s)).constData(), 0644) == 0);
        QVERIFY(QDir(m_folder.path()).mkdir(u"folder"_s));
        QVERIFY(writeBytes(pathOf(u"target.txt"_s), "text"));
        QVERIFY(QFile::link(pathOf(u"target.txt"_s), pathOf(u"link"_s)));
        QTest::newRow("FIFO") << pathOf(u"fifo"_s) << notRegular;
        QTest::newRow("device") << u"/dev/zero"_s << notRegular;
        QTest::newRow("folder") << pathOf(u"folder"_s) << notRegular;
        QTest::newRow("symbolic link") << pathOf(u"link"_s) << notRegular;
        QTest::newRow("gone") << pathOf(u"nothing here"_s) << notOpened;
        QTest::newRow("plain text") << pathOf(u"target.txt"_s) << QString();
    }
    void notRegularFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, problem);
        QElapsedTimer timer;
        timer.start();
        const FileInfo info = readFile(path);
        QCOMPARE(info.problem, problem);
        QVERIFY(timer.elapsed() < 2000);
    }

    // A path swapped back and forth between a recording and a FIFO while it is read: each
    // read ends at once with what it found, never waiting for a writer.
    void swappedForFifo()
    {
        const auto name = [this](const char *leaf) {
            return QFile::encodeName(pathOf(QString::fromLatin1(leaf)));
        };
        const QByteArray path = name("swapped.mp3"), fifo = name("swap-fifo"),
                         file = name("swap-file"), link = name("swap-link");
        QVERIFY(SampleMedia::writeAudio(QFile::decodeName(file), AudioFormat::mp3, recording));
        QVERIFY(::mkfifo(fifo.constData(), 0644) == 0);
        QVERIFY(::link(file.constData(), path.constData()) == 0);
        std::atomic<bool> done = false;
        std::thread swapper([&] {
            for (bool toFifo = true; !done; toFifo = !toFifo) {
                ::link((toFifo ? fifo : file).constData(), link.constData());
                ::rename(link.constData(), path.constData());
            }
        });
        // Enough for many reads to find the FIFO between their check and their open.
        constexpr int rounds = 100000;
        std::atomic<int> reads = 0, tagged = 0, refused = 0;
        std::thread reader([&] {
            for (; reads < rounds; ++reads) {
                const FileInfo info = FileInfoReader::read(path);
                tagged += info.title == recording.title;
                refused += info.problem == notRegular;
            }
        });
        const QDeadlineTimer deadline(20000);
        while (reads < rounds && !deadline.hasExpired())
            QThread::msleep(10);
        const bool blocked = reads < rounds;
        // A reader stuck in an open of the FIFO goes on once a writer comes.
        while (reads < rounds)
            ::close(::open(fifo.constData(), O_WRONLY | O_NONBLOCK));
        done = true;
        reader.join();
        swapper.join();
        QVERIFY2(!blocked, "a read waited on a FIFO");
        QCOMPARE(tagged + refused, rounds);
        QVERIFY(tagged > 0 && refused > 0);
    }

    // Also root: with a file-system user other than root, the process loses its right to
    // read whatever it likes.
    void unreadableFile()
    {
        QTemporaryDir open;
        QVERIFY(::chmod(QFile::encodeName(open.path()).constData(), 0755) == 0);
        const QString path = open.filePath(u"locked.mp3"_s);
        QVERIFY(SampleMedia::writeAudio(path, AudioFormat::mp3, recording));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);
        const uid_t before = ::setfsuid(65534);
        const FileInfo info = readFile(path);
        ::setfsuid(before);
        QCOMPARE(info.problem, notOpened);
        QVERIFY(info.inode != 0); // still known, as the cache needs it
    }

    // Damaged copies of each sample: cut short at many lengths and with bits flipped. Each
    // gives values or "damaged", never a crash, a hang or an exception (the sanitizer
    // build runs this too).
    void damagedFiles_data()
    {
        QTest::addColumn<QString>("sample");
        const QDateTime taken(QDate(2020, 2, 29), QTime(23, 59, 59));
        QVERIFY(SampleMedia::writeJpeg(pathOf(u"fuzz.jpg"_s), {taken, u"Model"_s, 16, 16}));
        QTest::newRow("JPEG") << pathOf(u"fuzz.jpg"_s);
        const QList<std::pair<AudioFormat, QString>> formats{
            {AudioFormat::mp3, u"fuzz.mp3"_s}, {AudioFormat::flac, u"fuzz.flac"_s},
            {AudioFormat::ogg, u"fuzz.ogg"_s}, {AudioFormat::opus, u"fuzz.opus"_s},
            {AudioFormat::m4a, u"fuzz.m4a"_s}, {AudioFormat::wav, u"fuzz.wav"_s}};
        for (const auto &[format, name] : formats) {
            QVERIFY(SampleMedia::writeAudio(pathOf(name), format, recording));
            QTest::newRow(qPrintable(name)) << pathOf(name);
        }
    }
    void damagedFiles()
    {
        QFETCH(QString, sample);
        QFile file(sample);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray original = file.readAll();
        QVERIFY(!original.isEmpty());
        const QString copy = pathOf(u"damaged."_s + QFileInfo(sample).suffix());
        QRandomGenerator random(original.size());
        int withValues = 0;
        for (int variant = 0; variant < 300; ++variant) {
            QByteArray bytes = original;
            if (variant < 100) {
                bytes.truncate(qsizetype(original.size() * variant / 100));
            } else {
                for (int flips = 1 + variant % 8; flips > 0; --flips)
                    bytes[random.bounded(bytes.size())] ^= char(1 << random.bounded(8));
            }
            QVERIFY(writeBytes(copy, bytes));
            const FileInfo info = readFile(copy);
            QVERIFY2(info.problem.isEmpty() || info.problem == damaged, qPrintable(info.problem));
            withValues += !info.title.isEmpty() || info.dateTaken.has_value();
        }
        // Most bit flips miss the tags: the reader gets past damage it can.
        QVERIFY2(withValues > 50, qPrintable(QString::number(withValues)));
    }

    // Sizes from the file itself are believed only as far as the file goes: an EXIF block
    // with absurd counts and offsets, a tag claiming hundreds of megabytes, or a huge file
    // of nothing, is not read whole.
    void hugeOrMalformed_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");

        // IFD0 with 65,535 entries at absurd offsets, and an EXIF pointer past the end.
        QByteArray tiff = "MM\0*\0\0\0\x08\xFF\xFF"_ba;
        for (int entry = 0; entry < 5000; ++entry)
            tiff += "\x87\x69\0\x04\xFF\xFF\xFF\xFF\x7F\xFF\xFF\xF0"_ba;
        QByteArray app1 = "\xFF\xE1"_ba;
        app1.append(char(0xFF)).append(char(0xFF)); // longest segment, longer than its content
        QTest::newRow("JPEG, malformed EXIF")
            << "\xFF\xD8"_ba + app1 + "Exif\0\0"_ba + tiff.left(0xFFF0) << u"exif.jpg"_s
            << qint64(200000);
        QTest::newRow("JPEG, nothing after its start")
            << "\xFF\xD8\xFF\xE0\0\x10"_ba << u"zeros.jpg"_s << (qint64(100) << 20);
        QTest::newRow("MP3, an ID3 tag of 256 MB")
            << "ID3\x04\0\0\x7F\x7F\x7F\x7F"_ba << u"tag.mp3"_s << (qint64(100) << 20);
        QTest::newRow("MP3, nothing") << QByteArray() << u"zeros.mp3"_s << (qint64(100) << 20);
        QTest::newRow("TIFF, nothing") << "II*\0"_ba << u"zeros.tif"_s << (qint64(100) << 20);
    }
    void hugeOrMalformed()
    {
        QFETCH(QByteArray, start);
        QFETCH(QString, name);
        QFETCH(qint64, size);
        const QString path = pathOf(name);
        QVERIFY(writeBytes(path, start));
        QVERIFY(QFile::resize(path, std::max(size, qint64(start.size())))); // sparse: zeros
        const qint64 before = bytesRead();
        const FileInfo info = readFile(path);
        QVERIFY2(bytesRead() - before <= (40 << 20),
                 qPrintable(QString::number(bytesRead() - before)));
        QVERIFY2(info.problem.isEmpty() || info.problem == damaged, qPrintable(info.problem));
        QVERIFY(QFile::remove(path));
    }
};

BRISKLET_TEST(FileInfoReaderTest)
#include "tst_fileinforeader.moc"
