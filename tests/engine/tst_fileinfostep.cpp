#include "testmain.h"

#include "enginetesthelpers.h"
#include "fileinfo/fileinforeader.h"

#include <QDateTime>
#include <QPointer>
#include <QRandomGenerator>
#include <QSemaphore>

#include <atomic>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>

using namespace EngineTest;

Q_DECLARE_METATYPE(FileInfo)

namespace {

qint64 utcMilliseconds(const char *isoTime)
{
    return QDateTime::fromString(QString::fromLatin1(isoTime), Qt::ISODate).toMSecsSinceEpoch();
}

// 2023-12-31 20:00 UTC: already 2024-01-01 where the tests run (UTC+05:30).
constexpr qint64 newYearInIndia = 1704052800;

void setModified(const QString &path, qint64 seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    QVERIFY(::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0) == 0);
}

// Reads files through the real reader, each only once `gate` lets it.
RenameEngine::FileInfoReading gated(QSemaphore &gate)
{
    return [&gate](const QByteArray &path, bool everything) {
        gate.acquire();
        return FileInfoReader::read(path, everything ? FileInfoReader::Depth::everything
                                                     : FileInfoReader::Depth::stamps);
    };
}

// Files named by their date modified, as the rename makes them.
std::unique_ptr<RenameEngine> datedFiles(const TestFolder &folder, QSemaphore &gate)
{
    auto engine = makeEngine();
    engine->setFileInfoReader(gated(gate));
    setStack(*engine, {infoStep(FileInfoField::dateModified, InfoPlacement::instead)});
    QList<QUrl> urls;
    for (int day = 0; day < 3; ++day) {
        const QString name = QString::number(day) + u".txt"_qs;
        writeFile(folder.path(name), name.toUtf8());
        // The first two on one day in UTC, on two days here.
        setModified(folder.path(name),
                    day == 0 ? newYearInIndia - 7200 : newYearInIndia + (day - 1) * 86400);
        urls.append(folder.url(name));
    }
    engine->addFiles(urls);
    return engine;
}

void waitForReads(RenameEngine &engine)
{
    QTRY_COMPARE(engine.fileInfoReadingCount(), 0);
}

} // namespace

class FileInfoStepTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Dates modified show in the local zone and dates taken as recorded: a zone far from
        // UTC tells them apart.
        qputenv("TZ", "Asia/Kolkata");
        ::tzset();
    }

    void valueInTheName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<FileInfo>("info");
        QTest::addColumn<RenameOperationWrapper>("step");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("message"); // empty: the row is renamed

        FileInfo photo;
        photo.modifiedNanoseconds = newYearInIndia * 1000000000;
        photo.dateTaken = utcMilliseconds("2024-05-01T13:45:00Z");
        photo.cameraModel = u"Canon EOS R5"_qs;
        photo.width = 4000;
        photo.height = 3000;
        FileInfo song;
        song.modifiedNanoseconds = photo.modifiedNanoseconds;
        song.artist = u"AC/DC"_qs;
        song.title = u"Hello\u0007World\n"_qs;
        song.album = u"   "_qs;
        song.trackNumber = 3;
        song.year = 987;
        FileInfo unreadable;
        unreadable.problem = u"This file could not be read."_qs;
        using enum FileInfoField;
        using enum InfoPlacement;
        const auto fallback = MissingInfo::useDateModified;
        const QString img = u"IMG.jpg"_qs;
        const QString none;

        QTest::addRow("taken, before")
            << img << photo << infoStep(dateTaken) << u"2024-05-01 IMG.jpg"_qs << none;
        QTest::addRow("taken as recorded, colon made a dash")
            << img << photo
            << infoStep(dateTaken, after, u"_"_qs, MissingInfo::flagRow, u"yyyy-MM-dd HH:mm"_qs)
            << u"IMG_2024-05-01 13-45.jpg"_qs << none;
        QTest::addRow("taken, after, no extension")
            << u"README"_qs << photo << infoStep(dateTaken, after) << u"README 2024-05-01"_qs
            << none;
        QTest::addRow("no date taken: flagged")
            << img << song << infoStep(dateTaken) << img << u"No date taken in this file"_qs;
        QTest::addRow("no date taken: the local date modified")
            << img << song << infoStep(dateTaken, before, u" "_qs, fallback)
            << u"2024-01-01 IMG.jpg"_qs << none;
        QTest::addRow("camera") << img << photo << infoStep(cameraModel, after)
                                << u"IMG Canon EOS R5.jpg"_qs << none;
        QTest::addRow("image size")
            << img << photo << infoStep(imageSize, instead) << u"4000×3000.jpg"_qs << none;
        QTest::addRow("no image size")
            << img << song << infoStep(imageSize) << img << u"No image size in this file"_qs;
        QTest::addRow("artist, slash made a dash")
            << img << song << infoStep(artist, before, u" - "_qs) << u"AC-DC - IMG.jpg"_qs << none;
        QTest::addRow("title, control characters dropped")
            << img << song << infoStep(title, instead) << u"HelloWorld.jpg"_qs << none;
        QTest::addRow("blank album: flagged, no date stands in")
            << img << song << infoStep(album, before, u" "_qs, fallback) << img
            << u"No album in this file"_qs;
        QTest::addRow("track, two digits")
            << img << song << infoStep(trackNumber) << u"03 IMG.jpg"_qs << none;
        QTest::addRow("year, four digits")
            << img << song << infoStep(year) << u"0987 IMG.jpg"_qs << none;
        QTest::addRow("unreadable")
            << img << unreadable << infoStep(dateModified) << img << unreadable.problem;
        QTest::addRow("bad date format: nothing changes")
            << img << photo
            << infoStep(dateTaken, before, u" "_qs, MissingInfo::flagRow, u"yyyy 'x"_qs) << img
            << none;
    }

    // Through the engine, so that the preview and its judge make the rows.
    void valueInTheName()
    {
        QFETCH(QString, name);
        QFETCH(FileInfo, info);
        QFETCH(RenameOperationWrapper, step);
        QFETCH(QString, newName);
        QFETCH(QString, message);
        const auto engine = makeEngine();
        // One file, as the disk would tell it apart from others.
        engine->setFileInfoReader([info](const QByteArray &, bool) {
            FileInfo read = info;
            read.device = 1;
            read.inode = 2;
            return read;
        });
        engine->addFiles({QUrl::fromLocalFile(u"/nonexistent/brisklet-info/"_qs + name)});
        // A step after it sees the name as it left the file-info step.
        setStack(*engine, {step, appendStep(u"!"_qs, false)});
        waitForReads(*engine);
        const FileItem &row = engine->files().first();
        QCOMPARE(row.newName, newName + u'!');
        QCOMPARE(row.errorMessage.value_or(QString()), message);
        QCOMPARE(row.status, message.isEmpty() ? RenameStatus::pending : RenameStatus::error);
        QCOMPARE(engine->patternProblem(0).isEmpty(),
                 !QByteArray(QTest::currentDataTag()).startsWith("bad date format"));
    }

    // Answers for rows that left the list meanwhile land nowhere; the rows that stay get
    // theirs.
    void lateAnswersOfRemovedRowsAreDropped()
    {
        TestFolder folder;
        QSemaphore gate;
        const auto engine = datedFiles(folder, gate);
        engine->toggleSelection(engine->files().at(0).id);
        engine->removeSelectedFiles();
        gate.release(1); // the removed row's file, read first
        engine->clearAll();
        writeFile(folder.path(u"new.txt"_qs), "n");
        setModified(folder.path(u"new.txt"_qs), newYearInIndia + 9 * 86400);
        engine->addFiles({folder.url(u"new.txt"_qs)});
        gate.release(3);
        waitForReads(*engine);
        QCOMPARE(engine->files().size(), 1);
        QCOMPARE(engine->files().at(0).newName, u"2024-01-10.txt"_qs);
    }

    // A file read again when listed again: what it says now, read in full only when it
    // changed.
    void aChangedFileIsReadAgain()
    {
        TestFolder folder;
        const QString path = folder.path(u"song.mp3"_qs);
        writeFile(path, "first");
        std::atomic<int> fullReads = 0;
        const auto engine = makeEngine();
        engine->setFileInfoReader([&](const QByteArray &file, bool everything) {
            FileInfo info = FileInfoReader::read(file, FileInfoReader::Depth::stamps);
            if (everything) {
                ++fullReads;
                QFile content(QString::fromLocal8Bit(file));
                if (content.open(QIODevice::ReadOnly))
                    info.title = QString::fromUtf8(content.readAll());
            }
            return info;
        });
        setStack(*engine, {infoStep(FileInfoField::title, InfoPlacement::instead)});
        const auto listAgain = [&] {
            engine->clearAll();
            engine->addFiles({folder.url(u"song.mp3"_qs)});
            waitForReads(*engine);
            return engine->files().at(0).newName;
        };
        QCOMPARE(listAgain(), u"first.mp3"_qs);
        QCOMPARE(listAgain(), u"first.mp3"_qs);
        QCOMPARE(fullReads.load(), 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("second");
        file.close();
        setModified(path, newYearInIndia);
        QCOMPARE(listAgain(), u"second.mp3"_qs);
        QCOMPARE(fullReads.load(), 2);
    }

    // Until its file is read a row says so and is not renamed. Rename meanwhile: the job
    // waits, then renames by the names the files give (the first two on one day in UTC, on
    // two days here), or stops when a row turns out flagged. Cancel is the window's test.
    void renameWaitsForTheReading_data()
    {
        QTest::addColumn<bool>("lost"); // a file gone before it is read
        QTest::addColumn<QStringList>("onDisk");
        QTest::addRow("read") << false
                              << QStringList{u"2023-12-31.txt=0.txt"_qs, u"2024-01-01.txt=1.txt"_qs,
                                             u"2024-01-02.txt=2.txt"_qs};
        QTest::addRow("a file lost meanwhile")
            << true << QStringList{u"0.txt=0.txt"_qs, u"1.txt=1.txt"_qs, u"2.txt=2.txt"_qs};
    }

    void renameWaitsForTheReading()
    {
        QFETCH(bool, lost);
        QFETCH(QStringList, onDisk);
        TestFolder folder;
        QSemaphore gate;
        const auto engine = datedFiles(folder, gate);
        QCOMPARE(engine->fileInfoReadingCount(), 3);
        for (const FileItem &row : engine->files())
            QCOMPARE(row.errorMessage.value_or(QString()), u"Reading file info…"_qs);
        QCOMPARE(statusLetters(engine->files()), u"EEE"_qs);
        QVERIFY(!engine->hasPendingFiles());
        QPointer<RenameJob> job = engine->startRename();
        QVERIFY(job);
        QVERIFY(job->isWaiting());
        QVERIFY(engine->isBusy());
        QString refusal;
        bool finished = false;
        connect(job, &RenameJob::finished, this, [&] {
            finished = true;
            refusal = job->refusal();
        });
        if (lost)
            QVERIFY(QFile::remove(folder.path(u"2.txt"_qs)));
        gate.release(3);
        QTRY_VERIFY(finished);
        QCOMPARE(refusal.isEmpty(), !lost);
        if (lost)
            writeFile(folder.path(u"2.txt"_qs), "2.txt");
        QTRY_VERIFY(!engine->isBusy());
        QCOMPARE(folder.entries(), onDisk);
    }

    // Typing in any step gives what a preview from scratch gives, with a file-info step
    // in the stack, files read in several answers, and rows flagged.
    void keptPreviewMatchesAFreshOne()
    {
        QList<QUrl> urls;
        for (int i = 0; i < 300; ++i)
            urls.append(QUrl::fromLocalFile(u"/nonexistent/brisklet-info/f"_qs +
                                            QString::number(i % 40) + u".jpg"_qs));
        const auto reader = [](const QByteArray &path, bool) {
            FileInfo info;
            const int number = QString::fromLatin1(path).section(u'f', -1).toInt();
            info.modifiedNanoseconds = qint64(number) * 3600 * 1000000000;
            if (number % 3 != 0)
                info.dateTaken = qint64(number % 7) * 86400000;
            if (number % 5 != 0)
                info.artist = u"Artist "_qs + QString::number(number % 4);
            return info;
        };
        const std::unique_ptr<RenameEngine> engines[] = {makeEngine(), makeEngine()};
        Tuning fresh = engines[1]->tuning();
        fresh.cacheRows = 0;
        engines[1]->setTuning(fresh);
        const QList<RenameOperationWrapper> pool{
            infoStep(FileInfoField::dateTaken),
            infoStep(FileInfoField::dateTaken, InfoPlacement::after, u"_"_qs,
                     MissingInfo::useDateModified, u"yyyy MM dd HH"_qs),
            infoStep(FileInfoField::artist, InfoPlacement::instead),
            infoStep(FileInfoField::dateModified, InfoPlacement::before, u""_qs),
            replaceStep(u"f"_qs, u"g"_qs),
            sequenceStep(1, 2, SequenceLocation::after, true),
            appendStep(u" x"_qs)};
        QRandomGenerator random(7);
        for (const auto &engine : engines) {
            engine->setFileInfoReader(reader);
            engine->addFiles(urls.mid(0, 100));
        }
        for (int action = 0; action < 60; ++action) {
            const int choice = int(random.bounded(10));
            const int step = int(random.bounded(3));
            const int operation = int(random.bounded(int(pool.size())));
            const int from = int(random.bounded(280));
            for (const auto &engine : engines) {
                while (engine->operations().size() < 3)
                    engine->addOperation();
                if (choice < 7) {
                    engine->setOperation(step, pool.at(operation));
                    engine->updatePreview();
                } else if (choice < 9) {
                    engine->addFiles(urls.mid(from, 20));
                } else {
                    waitForReads(*engine);
                }
            }
            for (const auto &engine : engines)
                waitForReads(*engine);
            for (qsizetype i = 0; i < engines[0]->files().size(); ++i) {
                const FileItem &kept = engines[0]->files().at(i);
                const FileItem &made = engines[1]->files().at(i);
                QCOMPARE(kept.newName + kept.errorMessage.value_or(QString()),
                         made.newName + made.errorMessage.value_or(QString()));
                QCOMPARE(kept.status, made.status);
            }
        }
    }
};

BRISKLET_TEST(FileInfoStepTest)
#include "tst_fileinfostep.moc"
