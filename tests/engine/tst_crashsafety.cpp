#include "testmain.h"

#include "batches/renamejob.h"
#include "disk/batchrecovery.h"
#include "disk/movejournal.h"
#include "enginetesthelpers.h"
#include "testmount.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>

#include <sys/stat.h>

using namespace EngineTest;

namespace {

// Under the state folder this test executable has to itself.
QStringList journals()
{
    return QDir(QFile::decodeName(MoveJournal::folder())).entryList(QDir::Files | QDir::Hidden);
}

void writeJournal(const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFile::decodeName(MoveJournal::folder())));
    QVERIFY(writeFile(QFile::decodeName(MoveJournal::folder() + "/moves-9.journal"), bytes));
}

int modeOf(const QByteArray &path)
{
    struct stat info;
    return ::stat(path.constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// The state folder somewhere else until the result goes.
auto stateHomeAt(const QString &path)
{
    auto restore =
        qScopeGuard([before = qgetenv("XDG_STATE_HOME")] { qputenv("XDG_STATE_HOME", before); });
    qputenv("XDG_STATE_HOME", QFile::encodeName(path));
    return restore;
}

bool begin(MoveJournal &journal, const QList<MoveJournal::Record> &records,
           MoveJournal::Kind kind = MoveJournal::Kind::batch)
{
    QString error;
    return journal.begin(MoveJournal::serialize(kind, records), &error);
}

// Runs the batch of a real process that kills itself at the point `arguments` name.
bool killedRun(const QStringList &arguments)
{
    QProcess child;
    child.start(QStringLiteral(CRASHING_BATCH), arguments);
    return child.waitForFinished(60000) && child.exitStatus() == QProcess::CrashExit;
}

// One letter per item a recovery found under a temporary name: Destination, Source, Temporary.
QString places(const RecoveryReport &report)
{
    QString letters;
    for (const RecoveryReport::Item &item : report.items)
        letters += QChar(u"DST"[int(item.place)]);
    return letters;
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // Never the user's real journals: the state folder is this executable's own.
        const QString folder = QFile::decodeName(MoveJournal::folder());
        QVERIFY(folder.startsWith(QDir::tempPath()) && QDir(folder).removeRecursively());
    }

    // A real process is killed after a number of moves; the next launch hides no file.
    void killedBatch_data()
    {
        QTest::addColumn<int>("movesBeforeKill");
        QTest::addColumn<QString>("after");  // which renames are done: none, plain, all
        QTest::addColumn<QString>("places"); // of items found under a temporary name: S, D
        QTest::addColumn<int>("completedMoves");

        // 16 moves: p0..p4, then c0 steps aside, c9..c1 follow, and c0 takes its name last.
        QTest::newRow("before the first move") << 0 << u"none"_qs << QString() << 0;
        QTest::newRow("before the cycle") << 5 << u"plain"_qs << QString() << 0;
        QTest::newRow("first of a cycle set aside") << 6 << u"plain"_qs << u"S"_qs << 0;
        QTest::newRow("inside a cycle") << 10 << u"all"_qs << u"D"_qs << 5;
        QTest::newRow("before the last move") << 15 << u"all"_qs << u"D"_qs << 0;
    }

    void killedBatch()
    {
        QFETCH(int, movesBeforeKill);
        QFETCH(QString, after);
        QFETCH(QString, places);
        QFETCH(int, completedMoves);

        TestFolder folder;
        QStringList arguments{QString::number(movesBeforeKill), folder.path(u""_qs).chopped(1)};
        QStringList expected;
        // p0..p4 become q0..q4; c0..c9 form a cycle, each taking the next one's name.
        for (int i = 0; i < 15; ++i) {
            const bool plain = i < 5;
            const QString name = plain ? u"p%1"_qs.arg(i) : u"c%1"_qs.arg(i - 5);
            const QString renamed = plain ? u"q%1"_qs.arg(i) : u"c%1"_qs.arg((i - 4) % 10);
            QVERIFY(writeFile(folder.path(name), name.toUtf8()));
            arguments.append(name + u'=' + renamed);
            const bool done = after == u"all" || (after == u"plain" && plain);
            expected.append((done ? renamed : name) + u'=' + name);
        }
        expected.sort();

        QVERIFY(killedRun(arguments));
        // The next launch.
        auto engine = makeEngine();
        const RecoveryReport report = engine->recoverInterruptedBatches();

        QCOMPARE(folder.entries(), expected);
        QCOMPARE(report.interruptedBatches, 1);
        QCOMPARE(::places(report), places);
        QCOMPARE(report.completedMoves, completedMoves);
        QVERIFY(report.message().contains(u"was stopped while it renamed files"));
        QVERIFY(journals().isEmpty());
        QVERIFY(engine->recoverInterruptedBatches().isEmpty());
    }

    // Journals written by hand, each with one item under its temporary name.
    void replay_data()
    {
        QTest::addColumn<QString>("onDisk"); // name=content, besides ".tmp=moved"
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QStringList>("message"); // parts it holds

        QTest::newRow("destination free")
            << QString() << u"b=moved"_qs << u"D"_qs
            << QStringList{u"1 file set aside during the renaming now has the new name."_qs};
        QTest::newRow("only the source free")
            << u"b=other"_qs << u"a=moved|b=other"_qs << u"S"_qs
            << QStringList{u"1 file set aside during the renaming has the old name again."_qs};
        // Nothing in the journal leads anywhere: nothing is replaced, the user is told.
        QTest::newRow("both taken")
            << u"a=first|b=second"_qs << u".tmp=moved|a=first|b=second"_qs << u"T"_qs
            << QStringList{u"Nothing was replaced"_qs, u" is the file “a” (to be named “b”)"_qs};
    }

    void replay()
    {
        QFETCH(QString, onDisk);
        QFETCH(QString, after);
        QFETCH(QString, place);
        QFETCH(QStringList, message);

        TestFolder folder;
        QVERIFY(writeFile(folder.path(u".tmp"_qs), "moved"));
        for (const QString &entry : onDisk.split(u'|', Qt::SkipEmptyParts))
            QVERIFY(writeFile(folder.path(entry.left(1)), entry.mid(2).toUtf8()));
        PosixFileMover disk;
        const QByteArray source = QFile::encodeName(folder.path(u"a"_qs));
        writeJournal(MoveJournal::serialize(MoveJournal::Kind::batch,
                                            {{source, ".tmp", "b", disk.identity(source)}}));

        const RecoveryReport report = BatchRecovery(disk).run(MoveJournal::folder());

        QCOMPARE(folder.entries(), after.split(u'|'));
        QCOMPARE(places(report), place);
        for (const QString &part : message)
            QVERIFY2(report.message().contains(part), qPrintable(report.message()));
        QVERIFY(report.message().contains(u"“.tmp” in "_qs + folder.path(u""_qs).chopped(1)) ==
                (place == u"T"));
        QVERIFY(journals().isEmpty());
    }

    // An unreadable journal is kept aside; a batch still running keeps its journal.
    void unreadableAndRunningJournals()
    {
        writeJournal("brisklet move journal 1 batch\n/x/a"); // cut
        MoveJournal running;
        QVERIFY(begin(running, {{"/x/a", ".t", "b", std::nullopt}}, MoveJournal::Kind::undo));

        const RecoveryReport report = makeEngine()->recoverInterruptedBatches();

        QCOMPARE(report.interruptedBatches, 0);
        QCOMPARE(report.unreadableJournals.size(), 1);
        QVERIFY(report.message().contains(u"could not be read"));
        QCOMPARE(journals().size(), 2);
        QVERIFY(makeEngine()->recoverInterruptedBatches().isEmpty());
        running.end();
        QVERIFY(entriesMatch(journals(), {u"moves-9.journal.*.unreadable"_qs}));
    }

    // A real process killed between the two steps of a move on a file system that does not
    // know RENAME_NOREPLACE: the next launch leaves the item under one name, with its bytes.
    void killedInsideTwoStepMove_data()
    {
        QTest::addColumn<int>("kind");
        // FAT and exFAT take no hard links: the move reserves the new name, then renames.
        QTest::newRow("FAT") << int(TestMount::Kind::fat);
        QTest::newRow("exFAT") << int(TestMount::Kind::exFat);
        // sshfs takes them: link() to the new name, then unlink() of the old one.
        QTest::newRow("sshfs") << int(TestMount::Kind::sshfs);
    }

    void killedInsideTwoStepMove()
    {
        QFETCH(int, kind);
        const bool link = kind == int(TestMount::Kind::sshfs);

        QTemporaryDir where;
        TestMount::Mount mount;
        if (const QString problem = mount.mount(TestMount::Kind(kind), where.path());
            !problem.isEmpty()) {
            QVERIFY2(mount.unavailable(), qPrintable(problem));
            QSKIP(qPrintable(problem));
        }
        QVERIFY(writeFile(mount.mountPoint + u"/a"_qs, "data"));
        QVERIFY(killedRun({link ? u"link"_qs : u"reservation"_qs, mount.mountPoint, u"a=x"_qs}));
        QCOMPARE(entries(mount.mountPoint),
                 QStringList({u"a=data"_qs, link ? u"x=data"_qs : u"x="_qs}));

        QCOMPARE(makeEngine()->recoverInterruptedBatches().interruptedBatches, 1);
        QCOMPARE(entries(mount.mountPoint), QStringList{link ? u"x=data"_qs : u"a=data"_qs});
        QVERIFY(journals().isEmpty());
    }

    // Journals of a move cut short between its steps, with the disk changed since by
    // someone else: only the reservation or the extra name the move made is ever removed.
    void openStepSettled_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("after");

        QTest::newRow("reservation left empty") << u"reservation"_qs << QString() << u"a=data"_qs;
        QTest::newRow("reservation written into")
            << u"reservation"_qs << u"write"_qs << u"a=data|x=theirs"_qs;
        QTest::newRow("reservation replaced by an empty file")
            << u"reservation"_qs << u"replace"_qs << u"a=data|x="_qs;
        QTest::newRow("renamed onto the reservation")
            << u"reservation"_qs << u"move"_qs << u"x=data"_qs;
        QTest::newRow("two names of the item") << u"link"_qs << QString() << u"x=data"_qs;
        QTest::newRow("another file with the same bytes")
            << u"link"_qs << u"replace"_qs << u"a=data|x=data"_qs;
        QTest::newRow("link never made") << u"link"_qs << u"unlinked"_qs << u"a=data"_qs;
    }

    void openStepSettled()
    {
        QFETCH(QString, step);
        QFETCH(QString, since);
        QFETCH(QString, after);

        TestFolder folder;
        const QByteArray a = QFile::encodeName(folder.path(u"a"_qs));
        const QByteArray x = QFile::encodeName(folder.path(u"x"_qs));
        const bool link = step == u"link";
        struct stat item;
        QVERIFY(writeFile(folder.path(u"a"_qs), "data") &&
                (link ? ::link(a.constData(), x.constData()) == 0
                      : writeFile(folder.path(u"x"_qs), {})) &&
                ::lstat(x.constData(), &item) == 0);

        PosixFileMover disk;
        MoveJournal journal;
        QVERIFY(begin(journal, {{a, ".t", "x", disk.identity(a)}}));
        journal.stepStarted(link ? MoveSteps::Step::link : MoveSteps::Step::reservation, a, x,
                            item);
        QFile written(QFile::decodeName(MoveJournal::folder()) + u'/' + journals().value(0));
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        journal.end(); // as a killed process would have left it, without the lock
        writeJournal(bytes);

        if (since == u"write") {
            QFile reservation(folder.path(u"x"_qs));
            QVERIFY(reservation.open(QIODevice::Append) && reservation.write("theirs") == 6);
        } else if (since == u"replace") {
            // Made before the old one goes, so that it cannot take the old one's inode.
            QVERIFY(writeFile(folder.path(u"other"_qs), link ? "data" : "") &&
                    ::rename(QFile::encodeName(folder.path(u"other"_qs)).constData(),
                             x.constData()) == 0);
        } else if (since == u"move") {
            QVERIFY(::rename(a.constData(), x.constData()) == 0);
        } else if (since == u"unlinked") {
            QVERIFY(::unlink(x.constData()) == 0);
        }

        BatchRecovery(disk).run(MoveJournal::folder());

        QCOMPARE(folder.entries(), after.split(u'|'));
        QVERIFY(journals().isEmpty());
    }

    // A batch or an undo whose journal cannot be written does not start: nothing moves, the
    // rows and the undo history stay as they were, and the job says why.
    void noBatchWithoutJournal_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("reason");

        QTest::newRow("full") << false << u"No space left on device."_qs;
        QTest::newRow("read-only") << true << u"Read-only file system."_qs;
    }

    void noBatchWithoutJournal()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, reason);

        TestFolder folder;
        QVERIFY(writeFile(folder.path(u"a"_qs), "a"));
        auto engine = makeEngine();
        engine->addFiles({folder.url(u"a"_qs)});
        setRenames(*engine, {u"a"_qs}, {u"b"_qs});
        QCOMPARE(engine->performRename(), std::make_pair(qsizetype(1), qsizetype(0)));
        setRenames(*engine, {u"b"_qs}, {u"c"_qs});

        QTemporaryDir where;
        TestMount::Mount mount;
        if (const QString problem = mount.mountUnwritable(readOnly, where.path());
            !problem.isEmpty())
            QSKIP(qPrintable(problem));
        const auto state = stateHomeAt(mount.mountPoint);
        const QString expected = u"Could not write the recovery record in %1/brisklet: %2 Nothing "
                                 u"was renamed."_qs.arg(mount.mountPoint, reason);

        for (const bool undo : {false, true}) {
            RenameJob *job = undo ? engine->startUndo(0) : engine->startRename();
            QSignalSpy finished(job, &RenameJob::finished);
            QVERIFY(finished.wait(30000));
            QCOMPARE(job->refusal(), expected);
            QCOMPARE(engine->batchRefusal(), expected);
            QCOMPARE(folder.entries(), QStringList{u"b=a"_qs});
            QCOMPARE(statusLetters(engine->files()), u"P"_qs);
            QCOMPARE(engine->files().first().newName, u"c"_qs);
            QCOMPARE(engine->undoStack().size(), 1);
        }
    }

    // Journals name every file a batch renames: only their owner may read them.
    void journalIsPrivate()
    {
        ::umask(022);
        QVERIFY(QDir().mkpath(QFile::decodeName(MoveJournal::folder())) &&
                ::chmod(MoveJournal::folder().constData(), 0755) == 0);
        MoveJournal journal;
        QVERIFY(begin(journal, {{"/x/a", ".t", "b", std::nullopt}}));
        QCOMPARE(modeOf(MoveJournal::folder()), 0700);
        QCOMPARE(modeOf(MoveJournal::folder() + '/' + QFile::encodeName(journals().value(0))),
                 0600);
        journal.end();

        // A folder it creates is private from the start, and so is each one above it.
        const QTemporaryDir where;
        const auto state = stateHomeAt(where.path() + u"/new/state"_qs);
        QVERIFY(begin(journal, {}));
        QCOMPARE(modeOf(QFile::encodeName(where.path() + u"/new/state"_qs)), 0700);
        QCOMPARE(modeOf(MoveJournal::folder()), 0700);
        journal.end();
    }

    // Every path is kept byte for byte, whatever it holds.
    void journalRoundTrip()
    {
        const QByteArray bytes = MoveJournal::serialize(
            MoveJournal::Kind::undo,
            {{"/f/a\nb \xff", ".brisklet-swap-1", "c\xfe", ItemIdentity{1, 2, 3}},
             {"/", "t", "d", std::nullopt}});
        const auto parsed = MoveJournal::parse(bytes);
        QVERIFY(parsed && parsed->kind == MoveJournal::Kind::undo);
        QCOMPARE(MoveJournal::serialize(parsed->kind, parsed->records), bytes);
    }
};

BRISKLET_TEST(CrashSafetyTest)
#include "tst_crashsafety.moc"
