#include "testmain.h"

#include "localpath.h"
#include "posixfilemover.h"
#include "renamehistory.h"

#include <QTest>

namespace {

const QByteArray folder = "/nonexistent/brisklet-history";

QList<FileItem> listed(const QStringList &names)
{
    QList<FileItem> files;
    for (const QString &name : names) {
        FileItem item;
        item.path = folder + '/' + name.toUtf8();
        item.url = LocalPath::toUrl(item.path);
        item.originalName = name;
        item.newName = name + u'+';
        files.append(item);
    }
    return files;
}

// What the mover reports for every move of a plan: all succeed, in order.
QList<BatchMover::Outcome> succeeded(const RenameHistory::Plan &plan)
{
    QList<BatchMover::Outcome> results;
    for (qsizetype m = 0; m < plan.moves.size(); ++m)
        results.append({true, false, {}, plan.moves[m].destinationPath, std::nullopt, m});
    return results;
}

} // namespace

class RenameHistoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsTheTwentyNewestBatches()
    {
        PosixFileMover mover;
        RenameHistory history(mover);
        QList<FileItem> files = listed({u"a"_qs});
        for (int batch = 1; batch <= 21; ++batch) {
            files.first().newName = u"a"_qs + QString::number(batch);
            const RenameHistory::Plan plan = history.planRename(files);
            QCOMPARE(history.applyRename(files, plan, succeeded(plan)),
                     std::make_pair(qsizetype(1), qsizetype(0)));
            files.first().status = RenameStatus::pending;
        }
        QCOMPARE(history.undoStack().size(), RenameHistory::maxUndoOperations);
        // Batch 1 fell out: the oldest kept is batch 2, which renamed "a1".
        QCOMPARE(history.undoStack().first().entries.first().originalName, QByteArray("a1"));
        QCOMPARE(history.undoStack().last().entries.first().path, folder + "/a21");
        QVERIFY(!history.take(20));
        QVERIFY(!history.take(-1));
        QVERIFY(history.take(19));
        QCOMPARE(history.undoStack().size(), 19);
    }

    // A file that could go neither forward nor back is listed where it was left, so that a
    // later batch does not move what now stands at its old place.
    void strandedFileIsFollowed()
    {
        PosixFileMover mover;
        RenameHistory history(mover);
        QList<FileItem> files = listed({u"a"_qs, u"b"_qs});
        const RenameHistory::Plan plan = history.planRename(files);
        QList<BatchMover::Outcome> results = succeeded(plan);
        const QByteArray aside = folder + "/.brisklet-swap-0-1";
        results[1] = {false, false, u"Permission denied."_qs, aside, std::nullopt, -1};

        QCOMPARE(history.applyRename(files, plan, results),
                 std::make_pair(qsizetype(1), qsizetype(1)));
        QCOMPARE(files[0].status, RenameStatus::success);
        QCOMPARE(files[0].originalName, u"a+"_qs);
        QCOMPARE(files[1].status, RenameStatus::error);
        QCOMPARE(files[1].errorMessage, std::optional(u"Permission denied."_qs));
        QCOMPARE(files[1].path, aside);
        QCOMPARE(files[1].url, LocalPath::toUrl(aside));
        QCOMPARE(files[1].originalName, u".brisklet-swap-0-1"_qs);
        // Only what moved can be taken back.
        QCOMPARE(history.undoStack().size(), 1);
        QCOMPARE(history.undoStack().first().entries.size(), 1);

        // The undo finds the renamed row by its new place and gives it its name back.
        const RenameHistory::Plan undo = history.planUndo(files, *history.take(0));
        QCOMPARE(undo.rows, QList<qsizetype>{0});
        QVERIFY(history.applyUndo(files, undo, succeeded(undo)));
        QCOMPARE(files[0].path, folder + "/a");
        QCOMPARE(files[0].originalName, u"a"_qs);
    }
};

BRISKLET_TEST(RenameHistoryTest)
#include "tst_renamehistory.moc"
