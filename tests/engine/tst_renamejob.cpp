#include "enginetesthelpers.h"
#include "testmain.h"

#include "renamejob.h"

#include <QSemaphore>
#include <QSignalSpy>

using namespace EngineTest;

namespace {

// Moves on disk, each move waiting until the test lets one through.
class GatedFileMover : public PosixFileMover {
public:
    Result moveItem(const QByteArray &source, const QByteArray &destination) override
    {
        gate.acquire();
        return PosixFileMover::moveItem(source, destination);
    }

    QSemaphore gate;
};

// Three listed files, each holding its name, that a batch swaps (a, b) and renames (c).
struct SwapSetup {
    explicit SwapSetup(std::unique_ptr<FileMover> mover = std::make_unique<PosixFileMover>())
        : engine(makeEngine(std::move(mover)))
    {
        QList<QUrl> urls;
        for (const QString &name : names) {
            writeFile(folder.path(name), name.toUtf8());
            urls.append(folder.url(name));
        }
        engine->addFiles(urls);
        setRenames(*engine, names, renamed);
    }

    const QStringList names{u"a.txt"_qs, u"b.txt"_qs, u"c.txt"_qs};
    const QStringList renamed{u"b.txt"_qs, u"a.txt"_qs, u"d.txt"_qs};
    const QStringList afterBatch{u"a.txt=b.txt"_qs, u"b.txt=a.txt"_qs, u"d.txt=c.txt"_qs};
    TestFolder folder;
    std::unique_ptr<RenameEngine> engine;
};

QStringList rows(const RenameEngine &engine)
{
    QStringList result;
    for (const FileItem &file : engine.files())
        result.append(file.originalName + u'>' + file.newName + u':' + statusLetters({file}));
    return result;
}

} // namespace

class RenameJobTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A job leaves the disk, the rows and the history exactly as the synchronous call does.
    void jobMatchesSynchronousBatch()
    {
        SwapSetup direct;
        SwapSetup queued;
        const auto [renamed, failed] = direct.engine->performRename();

        QSignalSpy busy(queued.engine.get(), &RenameEngine::busyChanged);
        RenameJob *job = queued.engine->startRename();
        QVERIFY(job);
        QSignalSpy finished(job, &RenameJob::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(job->renamedCount(), renamed);
        QCOMPARE(job->failedCount(), failed);
        QCOMPARE(busy.size(), 2);
        QCOMPARE(busy.last().first().toBool(), false);
        QVERIFY(!queued.engine->isBusy());
        QCOMPARE(queued.folder.entries(), direct.folder.entries());
        QCOMPARE(rows(*queued.engine), rows(*direct.engine));
        QCOMPARE(queued.engine->undoStack().size(), 1);

        // And the undo of each.
        QVERIFY(direct.engine->undoLastRename());
        job = queued.engine->startUndo(0);
        QVERIFY(job);
        QSignalSpy undoFinished(job, &RenameJob::finished);
        QVERIFY(undoFinished.wait(10000));
        QVERIFY(job->undone());
        QCOMPARE(queued.folder.entries(), direct.folder.entries());
        QCOMPARE(rows(*queued.engine), rows(*direct.engine));
        QVERIFY(queued.engine->undoStack().isEmpty());
    }

    // While the moves run the rows stay as they are, and no second batch starts.
    void busyEngineRefusesChanges()
    {
        auto mover = std::make_unique<GatedFileMover>();
        GatedFileMover *gated = mover.get();
        SwapSetup setup(std::move(mover));
        RenameJob *job = setup.engine->startRename();
        QVERIFY(job);
        QVERIFY(setup.engine->isBusy());
        QCOMPARE(setup.engine->currentJob(), job);

        setup.engine->addFiles({setup.folder.url(u"other"_qs)});
        setup.engine->clearAll();
        setup.engine->toggleSelection(setup.engine->files().first().id);
        setup.engine->removeSelectedFiles();
        QCOMPARE(setup.engine->files().size(), 3);
        QVERIFY(!setup.engine->startRename());
        QVERIFY(!setup.engine->startUndo(0));
        QCOMPARE(setup.engine->performRename(), std::make_pair(qsizetype(0), qsizetype(0)));

        // Progress is heard while the moves run, not only at the end.
        QSignalSpy progress(job, &RenameJob::progressChanged);
        QSignalSpy finished(job, &RenameJob::finished);
        gated->gate.release(1);
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().first().toLongLong() >= 1,
                                 10000);
        QVERIFY(finished.isEmpty());
        gated->gate.release(100);
        QVERIFY(finished.wait(10000));
        QCOMPARE(progress.last().first().toLongLong(), progress.last().last().toLongLong());
        QCOMPARE(job->renamedCount(), 3);
        QCOMPARE(setup.folder.entries(), setup.afterBatch);
    }

    // An engine destroyed mid-batch lets the moves finish: no file keeps a temporary name.
    void engineDestroyedMidBatchFinishesTheMoves()
    {
        auto mover = std::make_unique<GatedFileMover>();
        GatedFileMover *gated = mover.get();
        SwapSetup setup(std::move(mover));
        QVERIFY(setup.engine->startRename());
        gated->gate.release(100);
        setup.engine.reset();
        QCOMPARE(setup.folder.entries(), setup.afterBatch);
    }
};

#include "tst_renamejob.moc"
BRISKLET_TEST(RenameJobTest)
