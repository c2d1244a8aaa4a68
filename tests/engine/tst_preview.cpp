#include "testmain.h"

#include "enginetesthelpers.h"
#include "testmount.h"

#include <QThread>

#include <utility>

using namespace EngineTest;

namespace {

// The preview never touches the disk, so the files need not exist.
QList<QUrl> urlsFor(const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(u"/nonexistent/brisklet-preview/"_qs + name));
    return urls;
}

const QString taken = u"An item with this name already exists"_qs;

// An engine listing some of the files made in `folder`, checking the disk after `delay`.
std::unique_ptr<RenameEngine> filesIn(const QString &folder, const QStringList &onDisk,
                                      const QStringList &listed, int delay = -1)
{
    for (const QString &name : onDisk)
        QTest::qVerify(writeFile(QDir(folder).filePath(name), name.toUtf8()), "writeFile", "",
                       __FILE__, __LINE__);
    auto engine = makeEngine();
    Tuning tuning = engine->tuning();
    tuning.diskCheckDelayMilliseconds = delay < 0 ? tuning.diskCheckDelayMilliseconds : delay;
    engine->setTuning(tuning);
    QList<QUrl> urls;
    for (const QString &name : listed)
        urls.append(QUrl::fromLocalFile(QDir(folder).filePath(name)));
    engine->addFiles(urls);
    return engine;
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A pattern too slow on any name, or that does not compile, changes no name; its card
    // says why. Each name here is a piece of its own, so a time-out in one piece holds for
    // every other, whichever runs first.
    void patternVerdict_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected"); // after the step and a following "_1"
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("threads");

        const QString slow = QString(40, u'a') + u'!';
        const QString runaway = u"(a+)+$|!"_qs;
        const QString tooLong = u"This pattern takes too long to match."_qs;
        for (const int threads : {1, 3}) {
            const auto row = [threads](const char *tag) -> QTestData & {
                return QTest::addRow("%s, %d threads", tag, threads);
            };
            row("slow name last") << runaway << QStringList{u"quick!"_qs, u"b!"_qs, slow}
                                  << QStringList{u"quick!_1"_qs, u"b!_1"_qs, slow + u"_1"_qs}
                                  << tooLong << threads;
            row("slow name first")
                << runaway << QStringList{slow, u"quick!"_qs, u"b!"_qs}
                << QStringList{slow + u"_1"_qs, u"quick!_1"_qs, u"b!_1"_qs} << tooLong << threads;
            row("no slow name") << runaway << QStringList{u"quick!"_qs, u"b!"_qs}
                                << QStringList{u"quickx_1"_qs, u"bx_1"_qs} << QString() << threads;
        }
        QTest::newRow("does not compile")
            << u"a(b"_qs << QStringList{u"ab"_qs} << QStringList{u"ab_1"_qs}
            << u"Missing closing parenthesis )"_qs << 1;
    }

    void patternVerdict()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        QFETCH(QString, problem);
        QFETCH(int, threads);

        const auto engine = makeEngine();
        Tuning tuning = engine->tuning();
        tuning.threads = threads;
        tuning.namePiece = 1;
        engine->setTuning(tuning);
        RenameOperationWrapper after = appendStep(u"_1"_qs);
        after.beforeExtension = false;
        setStack(*engine, {regexStep(pattern, u"x"_qs), after});
        engine->addFiles(urlsFor(names));
        QStringList newNames;
        for (const FileItem &item : engine->files())
            newNames.append(item.newName);
        QCOMPARE(newNames, expected);
        QCOMPARE(engine->patternProblem(0), problem);
        QCOMPARE(engine->patternProblem(1), QString());

        // A pattern that works clears it.
        RenameOperationWrapper fixed = engine->operations().first();
        fixed.regexPattern = u"!"_qs;
        engine->setOperation(0, fixed);
        engine->updatePreview();
        QCOMPARE(engine->patternProblem(0), QString());
        QCOMPARE(engine->files().first().newName, names.first().replace(u'!', u'x') + u"_1"_qs);
    }

    // What the move would refuse shows before it is tried: the preview's rows turn into
    // errors once the disk has been checked on the worker, and only those.
    void theDiskIsCheckedLater_data()
    {
        QTest::addColumn<QStringList>("onDisk");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("renamed"); // the new name of each listed file
        QTest::addColumn<QString>("first");       // right after the preview
        QTest::addColumn<QString>("statuses");    // once the disk has answered

        const QStringList abc{u"a"_qs, u"b"_qs, u"c"_qs};
        QTest::newRow("taken by a file not listed")
            << abc << QStringList{u"a"_qs, u"c"_qs} << QStringList{u"b"_qs, u"x"_qs} << u"PP"_qs
            << u"EP"_qs;
        QTest::newRow("taken by a listed file that cannot move")
            << abc << QStringList{u"a"_qs, u"b"_qs} << QStringList{u"b"_qs, u"b:"_qs} << u"PE"_qs
            << u"EE"_qs;
        QTest::newRow("one name for two") << abc << QStringList{u"a"_qs, u"b"_qs}
                                          << QStringList{u"x"_qs, u"x"_qs} << u"CC"_qs << u"CC"_qs;
        QTest::newRow("a chain") << abc << abc << QStringList{u"b"_qs, u"c"_qs, u"d"_qs}
                                 << u"PPP"_qs << u"PPP"_qs;
        QTest::newRow("a swap") << abc << QStringList{u"a"_qs, u"b"_qs}
                                << QStringList{u"b"_qs, u"a"_qs} << u"PP"_qs << u"PP"_qs;
        QTest::newRow("a chain ending on a taken name")
            << abc << QStringList{u"a"_qs, u"b"_qs} << QStringList{u"b"_qs, u"c"_qs} << u"PP"_qs
            << u"EE"_qs;
        QTest::newRow("another spelling, where case counts")
            << QStringList{u"a"_qs, u"A"_qs} << QStringList{u"a"_qs} << QStringList{u"A"_qs}
            << u"P"_qs << u"E"_qs;
        QTest::newRow("a change of case") << QStringList{u"a"_qs} << QStringList{u"a"_qs}
                                          << QStringList{u"A"_qs} << u"P"_qs << u"P"_qs;
    }

    void theDiskIsCheckedLater()
    {
        QFETCH(QStringList, onDisk);
        QFETCH(QStringList, listed);
        QFETCH(QStringList, renamed);
        QFETCH(QString, first);
        QFETCH(QString, statuses);

        TestFolder folder;
        const auto engine = filesIn(folder.path({}), onDisk, listed, 1);
        setRenames(*engine, listed, renamed);
        QCOMPARE(statusLetters(engine->files()), first);
        QTRY_COMPARE(statusLetters(engine->files()), statuses);
        // Still so after the time of many more answers: nothing else arrives.
        QTest::qWait(50);
        QCOMPARE(statusLetters(engine->files()), statuses);
        QCOMPARE(engine->errorCount(), statuses.count(u'E'));
        for (qsizetype i = 0; i < statuses.size(); ++i)
            QCOMPARE(engine->files().at(i).errorMessage == taken,
                     statuses[i] == u'E' && first[i] == u'P');

        // The move would have refused the same; a preview shows no other problem.
        const QStringList before = folder.entries();
        const auto [done, failed] = engine->performRename();
        QCOMPARE(failed, statuses.count(u'E') + statuses.count(u'C'));
        QCOMPARE(done, statuses.count(u'P'));
        QCOMPARE(folder.entries().size(), before.size());
    }

    // Many files of one folder have the folder's entries read at once: a taken name is
    // found there as well, and a name that only differs from a taken one in case is free.
    void manyFilesOfOneFolder()
    {
        TestFolder folder;
        QStringList names;
        for (int i = 0; i < 300; ++i)
            names.append(u"n%1"_qs.arg(i, 3, 10, QChar(u'0')));
        const auto engine =
            filesIn(folder.path({}), names + QStringList{u"x-n007"_qs, u"X-n008"_qs}, names);
        setStack(*engine, {prependStep(u"x-"_qs)});
        QTRY_COMPARE(statusLetters(engine->files()), QString(300, u'P').replace(7, 1, u'E'));
        QCOMPARE(engine->files().at(7).errorMessage, taken);
    }

    // A row keeps what the disk said of its new name while that name stays, and the next
    // answer replaces it: a name freed on disk is free again.
    void anAnswerReplacesTheLastOne()
    {
        TestFolder folder;
        const auto engine = filesIn(folder.path({}), {u"a"_qs, u"b"_qs}, {u"a"_qs});
        setStack(*engine, {replaceStep(u"a"_qs, u"b"_qs)});
        QTRY_COMPARE(statusLetters(engine->files()), u"E"_qs);

        // Another step that leaves the new name as it was: still an error at once.
        engine->addOperation();
        QCOMPARE(statusLetters(engine->files()), u"E"_qs);
        QCOMPARE(engine->errorCount(), 1);

        QVERIFY(QFile::remove(folder.path(u"b"_qs)));
        engine->updatePreview();
        QTRY_COMPARE(statusLetters(engine->files()), u"P"_qs);
        QCOMPARE(engine->errorCount(), 0);
    }

    // An answer for a list or a stack as it was is never given to the rows, whether it is
    // still being worked out or already waiting to be delivered when the list changes.
    void aStaleAnswerIsDropped_data()
    {
        QTest::addColumn<bool>("changeRows");
        QTest::addColumn<bool>("answerWaiting");
        QTest::newRow("the stack changed, answer on its way") << false << false;
        QTest::newRow("the stack changed, answer waiting") << false << true;
        QTest::newRow("files were added, answer on its way") << true << false;
        QTest::newRow("files were added, answer waiting") << true << true;
    }

    void aStaleAnswerIsDropped()
    {
        QFETCH(bool, changeRows);
        QFETCH(bool, answerWaiting);
        TestFolder folder;
        // The check starts at the first turn of the event loop after a preview.
        const auto engine = filesIn(folder.path({}), {u"a"_qs, u"b"_qs, u"c"_qs}, {u"a"_qs}, 0);
        setStack(*engine, {replaceStep(u"a"_qs, u"b"_qs)});
        QCOMPARE(statusLetters(engine->files()), u"P"_qs);
        QCoreApplication::processEvents();
        // The answer (that "b" is taken) is left waiting, as the event loop does not turn:
        // the worker is given the time a check of one name takes many times over.
        if (answerWaiting)
            QThread::msleep(100);
        if (changeRows)
            engine->addFiles({folder.url(u"c"_qs)});
        else
            setStack(*engine, {replaceStep(u"a"_qs, u"x"_qs)});
        const QString now = changeRows ? u"PP"_qs : u"P"_qs;
        QCOMPARE(statusLetters(engine->files()), now);
        QCoreApplication::processEvents();
        QCOMPARE(statusLetters(engine->files()), now);
        QCOMPARE(engine->errorCount(), 0);
        // The next answer is the stack's own: "a" still goes to the taken "b" when files were
        // added, and to the free "x" otherwise.
        QTRY_COMPARE(statusLetters(engine->files()), changeRows ? u"EP"_qs : u"P"_qs);
    }

    // A folder that cannot be written: its rows with a new name are errors, and the others
    // stay as they are. A read-only mount holds back root too.
    void aFolderThatCannotBeWritten()
    {
        QTemporaryDir where;
        TestMount::Mount disk;
        const QString problem = disk.mount(TestMount::Kind::smallTmpfs, where.path());
        if (!problem.isEmpty() && disk.unavailable())
            QSKIP("Mounting a small tmpfs is not allowed here (needs root).");
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY(writeFile(disk.mountPoint + u"/a"_qs, "a") &&
                writeFile(disk.mountPoint + u"/b"_qs, "b"));
        QVERIFY(disk.setReadOnly(true));
        const auto engine = makeEngine();
        engine->addFiles({QUrl::fromLocalFile(disk.mountPoint + u"/a"_qs),
                          QUrl::fromLocalFile(disk.mountPoint + u"/b"_qs)});
        setStack(*engine, {replaceStep(u"a"_qs, u"x"_qs)});
        QTRY_COMPARE(statusLetters(engine->files()), u"EP"_qs);
        QCOMPARE(engine->files().at(0).errorMessage, u"The folder cannot be written"_qs);
        QCOMPARE(engine->files().at(1).errorMessage, std::nullopt);
    }

    // On a file system that ignores letter case, names that differ only in case meet, and a
    // change of case alone is a rename the move makes.
    void aFolderThatIgnoresCase()
    {
        QTemporaryDir fatFolder;
        TestMount::Mount fat;
        const QString problem = fat.mount(TestMount::Kind::fat, fatFolder.path());
        if (!problem.isEmpty() && fat.unavailable())
            QSKIP(qPrintable(u"Cannot mount a FAT image: "_qs + problem));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        TestFolder other;
        const QStringList listed{u"a.txt"_qs, u"B.txt"_qs, u"c.txt"_qs, u"A.TXT"_qs};
        const auto engine = filesIn(
            fat.mountPoint, {u"a.txt"_qs, u"B.txt"_qs, u"c.txt"_qs, u"d.txt"_qs}, listed.mid(0, 3));
        QVERIFY(writeFile(other.path(u"A.TXT"_qs), "A"));
        engine->addFiles({other.url(u"A.TXT"_qs)});
        // "x.txt" and "X.TXT" are one name there; "x.txt" elsewhere meets neither.
        setRenames(*engine, listed, {u"x.txt"_qs, u"X.TXT"_qs, u"c.txt"_qs, u"x.txt"_qs});
        QCOMPARE(statusLetters(engine->files()), u"CCPP"_qs);
        // A change of case alone, found on disk as the item itself, is no obstacle.
        setStack(*engine, {caseStep(CaseType::uppercase)});
        QCOMPARE(statusLetters(engine->files()), u"PPPP"_qs);
        QTest::qWait(5 * RenameEngine::diskCheckDelayMilliseconds);
        QCOMPARE(statusLetters(engine->files()), u"PPPP"_qs);
        // "D.TXT" is the unlisted "d.txt" there.
        setRenames(*engine, listed, {u"a.txt"_qs, u"B.txt"_qs, u"D.TXT"_qs, u"A.TXT"_qs});
        QTRY_COMPARE(statusLetters(engine->files()), u"PPEP"_qs);
        QCOMPARE(engine->files().at(2).errorMessage.value_or(QString()), taken);
    }
};

BRISKLET_TEST(PreviewTest)
#include "tst_preview.moc"
