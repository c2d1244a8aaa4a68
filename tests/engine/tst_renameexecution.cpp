#include "testmain.h"

#include "batches/renamejob.h"
#include "enginetesthelpers.h"

#include <QSemaphore>
#include <QSignalSpy>

#include <memory>

using namespace EngineTest;

namespace {

// "a.txt|b.txt" → {"a.txt", "b.txt"}
QStringList names(const QString &text)
{
    return text.split(u'|', Qt::SkipEmptyParts);
}

// Moves on the real disk. A move whose names match the wildcards of the rule
// "source>destination>description" fails with the description; a gated mover makes each
// move wait until the test lets one through.
class TestMover : public PosixFileMover {
public:
    explicit TestMover(const QString &rule = {}, bool gated = false)
        : m_rule(rule.split(u'>')), m_gated(gated)
    {
    }

    Result moveItem(const QByteArray &source, const QByteArray &destination) override
    {
        if (m_gated)
            gate.acquire();
        const auto name = [](const QByteArray &path) {
            return QFile::decodeName(path.mid(path.lastIndexOf('/') + 1));
        };
        if (m_rule.size() == 3 && entriesMatch({name(source)}, {m_rule[0]}) &&
            entriesMatch({name(destination)}, {m_rule[1]}))
            return {false, m_rule[2]};
        return PosixFileMover::moveItem(source, destination);
    }

    QSemaphore gate;

private:
    QStringList m_rule;
    bool m_gated;
};

// Writes every name as a file whose content is its own name, and lists `listed`.
bool populate(const TestFolder &folder, RenameEngine &engine, const QStringList &listed,
              const QStringList &outside = {})
{
    QList<QUrl> urls;
    for (const QString &name : listed + outside) {
        if (!writeFile(folder.path(name), name.toUtf8()))
            return false;
        if (listed.contains(name))
            urls.append(folder.url(name));
    }
    engine.addFiles(urls);
    return true;
}

// Three listed files, each holding its name, that a batch swaps (a, b) and renames (c).
struct SwapSetup {
    explicit SwapSetup(bool gated = false)
        : mover(new TestMover({}, gated)), engine(makeEngine(std::unique_ptr<TestMover>(mover))),
          ready(populate(folder, *engine, names(u"a|b|c"_qs)))
    {
        setRenames(*engine, names(u"a|b|c"_qs), names(u"b|a|d"_qs));
    }
    // A test that fails while the moves wait would otherwise wait for ever.
    ~SwapSetup()
    {
        if (engine)
            mover->gate.release(1000);
    }

    TestFolder folder;
    TestMover *mover;
    std::unique_ptr<RenameEngine> engine;
    bool ready;
};

const QStringList swapped = names(u"a=b|b=a|d=c"_qs);

QStringList rows(const RenameEngine &engine)
{
    QStringList result;
    for (const FileItem &file : engine.files())
        result.append(file.originalName + u'>' + file.newName + u':' + statusLetters({file}));
    return result;
}

} // namespace

class RenameExecutionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void batch_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("targets");
        QTest::addColumn<QString>("outside"); // on disk, not in the list
        QTest::addColumn<QString>("rule");    // for a ScriptedMover; none when empty
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<QString>("message"); // wildcard, for a file whose move failed
        QTest::addColumn<QString>("after");   // name=content, the content being the first name

        QTest::newRow("clean batch") << u"a|b|c"_qs << u"x|y|z"_qs << QString() << QString()
                                     << u"SSS"_qs << QString() << u"x=a|y=b|z=c"_qs;
        QTest::newRow("outside file holds a destination")
            << u"a|b|c"_qs << u"x|y|z"_qs << u"y"_qs << QString() << u"SES"_qs
            << u"An item named “y” already exists."_qs << u"b=b|x=a|y=y|z=c"_qs;
        QTest::newRow("cycle of three") << u"c|b|a"_qs << u"a|c|b"_qs << QString() << QString()
                                        << u"SSS"_qs << QString() << u"a=c|b=a|c=b"_qs;
        QStringList series[3];
        for (int number = 1; number <= 10; ++number) {
            series[0].append(u"File - %1.txt"_qs.arg(number, 2, 10, QChar(u'0')));
            series[1].append(u"File - %1.txt"_qs.arg(number + 1, 2, 10, QChar(u'0')));
            series[2].append(series[1].last() + u'=' + series[0].last());
        }
        // Every new name but the last is still held by the next file.
        QTest::newRow("series shifted by one")
            << series[0].join(u'|') << series[1].join(u'|') << QString() << QString()
            << QString(10, u'S') << QString() << series[2].join(u'|');
        // Moving a or b would leave nothing for c to go to.
        QTest::newRow("chain into an outside file")
            << u"a|b"_qs << u"b|c"_qs << u"c"_qs << QString() << u"EE"_qs << u"?*"_qs
            << u"a=a|b=b|c=c"_qs;
        QTest::newRow("conflicts are skipped")
            << u"a|b|c"_qs << u"x|x|y"_qs << QString() << QString() << u"CCS"_qs << QString()
            << u"a=a|b=b|y=c"_qs;
        // A skipped file stays where it is, so for the batch it is an outside file.
        QTest::newRow("skipped file holds a wanted name")
            << u"a|b|c"_qs << u"b|x|x"_qs << QString() << QString() << u"ECC"_qs << u"?*"_qs
            << u"a=a|b=b|c=c"_qs;
        QTest::newRow("a move in the middle fails")
            << u"a|b|c"_qs << u"x|y|z"_qs << QString() << u"b>y>Permission denied."_qs << u"SES"_qs
            << u"Permission denied."_qs << u"b=b|x=a|z=c"_qs;
        // The stepped-aside file can go neither way: its row and the message follow it.
        QTest::newRow("the last step of a swap fails")
            << u"a|b"_qs << u"b|a"_qs << QString() << u".brisklet-swap-*>b>Connection lost."_qs
            << u"ES"_qs << u"Connection lost.* now named “.brisklet-swap-*”."_qs
            << u".brisklet-swap-*=a|a=b"_qs;
    }

    void batch()
    {
        QFETCH(QString, listed);
        QFETCH(QString, targets);
        QFETCH(QString, outside);
        QFETCH(QString, rule);
        QFETCH(QString, statuses);
        QFETCH(QString, message);
        QFETCH(QString, after);

        TestFolder folder;
        auto engine = makeEngine(std::make_unique<TestMover>(rule));
        QVERIFY(populate(folder, *engine, names(listed), names(outside)));
        setRenames(*engine, names(listed), names(targets));
        const QStringList before = folder.entries();
        const QString previewed = statusLetters(engine->files());

        const qsizetype renamed = statuses.count(u'S');
        QCOMPARE(engine->performRename(), std::make_pair(renamed, statuses.size() - renamed));

        QCOMPARE(statusLetters(engine->files()), statuses);
        QVERIFY2(entriesMatch(folder.entries(), names(after)),
                 qPrintable(folder.entries().join(u'|')));
        for (qsizetype i = 0; i < statuses.size(); ++i) {
            // Each row names the file where it is now.
            const FileItem &file = engine->files().at(i);
            QVERIFY(folder.entries().contains(file.originalName + u'=' + names(listed).at(i)));
            QCOMPARE(file.url, folder.url(file.originalName));
            if (file.status == RenameStatus::success)
                QCOMPARE(file.originalName, names(targets).at(i));
            else if (file.status == RenameStatus::error && previewed[i] == u'P')
                QVERIFY2(entriesMatch({file.errorMessage.value_or(QString())}, {message}),
                         qPrintable(file.errorMessage.value_or(QString())));
        }
        QCOMPARE(engine->canUndo(), renamed > 0);
        if (renamed == 0)
            return;

        // Undo puts back every name that moved; a stranded file stays where it was left.
        QStringList expected = before;
        QStringList places = names(listed);
        for (qsizetype i = 0; i < statuses.size(); ++i) {
            const QString content = u'=' + places[i];
            if (statuses[i] != u'S')
                places[i] = engine->files().at(i).originalName;
            expected[expected.indexOf(content.mid(1) + content)] = places[i] + content;
        }
        expected.sort();
        QVERIFY(engine->undoLastRename());
        QCOMPARE(folder.entries(), expected);
        for (qsizetype i = 0; i < statuses.size(); ++i)
            QCOMPARE(engine->files().at(i).url, folder.url(places[i]));
        QCOMPARE(statusLetters(engine->files()), previewed);
    }

    // The history keeps the twenty newest batches; each still undoes exactly.
    void historyKeepsTheTwentyNewestBatches()
    {
        TestFolder folder;
        auto engine = makeEngine();
        QVERIFY(populate(folder, *engine, {u"a"_qs}));
        for (int batch = 1; batch <= 21; ++batch) {
            setRenames(*engine, {engine->files().first().originalName}, {u"a%1"_qs.arg(batch)});
            QCOMPARE(engine->performRename(), std::make_pair(qsizetype(1), qsizetype(0)));
        }
        QCOMPARE(engine->undoStack().size(), 20);
        QVERIFY(!engine->undoRename(20));
        while (engine->canUndo())
            QVERIFY(engine->undoLastRename());
        QCOMPARE(folder.entries(), QStringList{u"a1=a"_qs}); // the first batch fell out
    }

    // A job leaves the disk, the rows and the history exactly as the synchronous call does.
    // While its moves run the rows stay as they are, and no second batch starts.
    void jobMatchesSynchronousBatch()
    {
        SwapSetup direct;
        SwapSetup queued(true);
        QVERIFY(direct.ready && queued.ready);
        QCOMPARE(direct.engine->performRename(), std::make_pair(qsizetype(3), qsizetype(0)));
        QSignalSpy busy(queued.engine.get(), &RenameEngine::busyChanged);
        RenameJob *job = queued.engine->startRename();
        QCOMPARE(queued.engine->currentJob(), job);

        queued.engine->addFiles({queued.folder.url(u"other"_qs)});
        queued.engine->clearAll();
        queued.engine->toggleSelection(queued.engine->files().first().id);
        queued.engine->removeSelectedFiles();
        QCOMPARE(queued.engine->files().size(), 3);
        QVERIFY(!queued.engine->startRename() && !queued.engine->startUndo(0));
        QCOMPARE(queued.engine->performRename(), std::make_pair(qsizetype(0), qsizetype(0)));

        // Progress is heard while the moves run, not only at the end.
        QSignalSpy progress(job, &RenameJob::progressChanged);
        QSignalSpy finished(job, &RenameJob::finished);
        queued.mover->gate.release(1);
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().first().toLongLong() >= 1,
                                 10000);
        QVERIFY(finished.isEmpty());
        queued.mover->gate.release(100);
        QVERIFY(finished.wait(10000));
        QCOMPARE(progress.last().first().toLongLong(), progress.last().last().toLongLong());
        QCOMPARE(job->renamedCount(), 3);
        QCOMPARE(busy.size(), 2);
        QVERIFY(!queued.engine->isBusy());
        QCOMPARE(queued.folder.entries(), swapped);
        QCOMPARE(rows(*queued.engine), rows(*direct.engine));
        QCOMPARE(queued.engine->undoStack().size(), 1);

        // And the undo of each.
        QVERIFY(direct.engine->undoLastRename());
        QSignalSpy undoFinished(queued.engine->startUndo(0), &RenameJob::finished);
        QVERIFY(undoFinished.wait(10000));
        QCOMPARE(queued.folder.entries(), direct.folder.entries());
        QCOMPARE(rows(*queued.engine), rows(*direct.engine));
        QVERIFY(queued.engine->undoStack().isEmpty());
    }

    // An engine destroyed mid-batch lets the moves finish: no file keeps a temporary name.
    void engineDestroyedMidBatchFinishesTheMoves()
    {
        SwapSetup setup(true);
        QVERIFY(setup.ready);
        QVERIFY(setup.engine->startRename());
        setup.mover->gate.release(100);
        setup.engine.reset();
        QCOMPARE(setup.folder.entries(), swapped);
    }
};

BRISKLET_TEST(RenameExecutionTest)
#include "tst_renameexecution.moc"
