#include "testmain.h"

#include "batchrecovery.h"
#include "enginetesthelpers.h"
#include "movejournal.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace EngineTest;

namespace {

// Under the state folder this test executable has to itself.
QString journalFolder()
{
    return QFile::decodeName(MoveJournal::folder());
}

QStringList journals()
{
    return QDir(journalFolder()).entryList(QDir::Files | QDir::Hidden);
}

void writeJournal(const QString &name, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(journalFolder()));
    QVERIFY(writeFile(journalFolder() + u'/' + name, bytes));
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // Never the user's real journals: the state folder is this executable's own.
        QVERIFY(journalFolder().startsWith(QDir::tempPath()));
        QVERIFY(QDir(journalFolder()).removeRecursively());
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

        QProcess child;
        child.start(QStringLiteral(CRASHING_BATCH), arguments);
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(journals().size(), 1);

        // The next launch.
        auto engine = makeEngine();
        const RecoveryReport report = engine->recoverInterruptedBatches();

        QCOMPARE(folder.entries(), expected);
        QCOMPARE(report.interruptedBatches, 1);
        QString found;
        for (const RecoveryReport::Item &item : report.items)
            found += QChar(u"DST"[int(item.place)]);
        QCOMPARE(found, places);
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
            QVERIFY(
                writeFile(folder.path(entry.section(u'=', 0, 0)), entry.section(u'=', 1).toUtf8()));
        PosixFileMover disk;
        const QByteArray source = QFile::encodeName(folder.path(u"a"_qs));
        const MoveJournal::Contents journal{MoveJournal::Kind::batch,
                                            {{source, ".tmp", "b", disk.identity(source)}}};
        writeJournal(u"moves-1.journal"_qs, MoveJournal::serialize(journal.kind, journal.records));

        const RecoveryReport report = BatchRecovery(disk).run(MoveJournal::folder());

        QCOMPARE(folder.entries(), after.split(u'|'));
        QCOMPARE(report.items.size(), 1);
        QCOMPARE(QChar(u"DST"[int(report.items.first().place)]), place.at(0));
        for (const QString &part : message)
            QVERIFY2(report.message().contains(part), qPrintable(report.message()));
        QVERIFY(report.message().contains(u"“.tmp” in "_qs + folder.path(u""_qs).chopped(1)) ==
                (place == u"T"));
        QVERIFY(journals().isEmpty());
    }

    // An unreadable journal is kept aside; a batch still running keeps its journal.
    void unreadableAndRunningJournals()
    {
        writeJournal(u"moves-2.journal"_qs, "brisklet move journal 1 batch\n/x/a"); // cut
        MoveJournal running;
        QString error;
        QVERIFY2(running.begin(MoveJournal::serialize(MoveJournal::Kind::undo,
                                                      {{"/x/a", ".t", "b", std::nullopt}}),
                               &error),
                 qPrintable(error));

        const RecoveryReport report = makeEngine()->recoverInterruptedBatches();

        QCOMPARE(report.interruptedBatches, 0);
        QCOMPARE(report.unreadableJournals.size(), 1);
        QVERIFY(report.message().contains(u"could not be read"));
        QCOMPARE(journals().size(), 2);
        QVERIFY(makeEngine()->recoverInterruptedBatches().isEmpty());
        running.end();
        QVERIFY(entriesMatch(journals(), {u"moves-2.journal.*.unreadable"_qs}));
    }

    // Every path is kept byte for byte, whatever it holds.
    void journalRoundTrip()
    {
        const QList<MoveJournal::Record> records{
            {"/f/a\nb \xff", ".brisklet-swap-1", "c\xfe", ItemIdentity{1, 2, 3}},
            {"/", "t", "d", std::nullopt}};
        const auto parsed =
            MoveJournal::parse(MoveJournal::serialize(MoveJournal::Kind::undo, records));
        QVERIFY(parsed && parsed->kind == MoveJournal::Kind::undo);
        QCOMPARE(parsed->records.size(), 2);
        for (qsizetype i = 0; i < 2; ++i) {
            const MoveJournal::Record &record = parsed->records[i];
            QCOMPARE(record.sourcePath, records[i].sourcePath);
            QCOMPARE(record.temporaryName, records[i].temporaryName);
            QCOMPARE(record.destinationName, records[i].destinationName);
            QVERIFY(record.identity == records[i].identity);
        }
    }
};

BRISKLET_TEST(CrashSafetyTest)
#include "tst_crashsafety.moc"
