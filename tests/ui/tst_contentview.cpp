#include "testregistry.h"

#include "alertdialog.h"
#include "contentview.h"
#include "errordetailssheet.h"
#include "manageworkflowssheet.h"
#include "minimalistbutton.h"
#include "posixfilemover.h"
#include "problemfilesmodel.h"
#include "statusbadge.h"
#include "uitesthelpers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

namespace {

// A real folder with files whose contents are their first names.
struct Folder {
    QTemporaryDir dir;
    QList<QUrl> create(const QStringList &names)
    {
        QList<QUrl> urls;
        for (const QString &name : names) {
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(name.toUtf8());
            urls.append(QUrl::fromLocalFile(dir.filePath(name)));
        }
        return urls;
    }
    QStringList names() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

std::unique_ptr<RenameEngine> diskEngine()
{
    return std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                          std::make_unique<PosixFileMover>(), nullptr);
}

void prependStep(RenameEngine &engine, const QString &text)
{
    UiTest::editFirstOperation(engine, [&](RenameOperationWrapper &operation) {
        operation.mode = RenameMode::prepend;
        operation.prependText = text;
    });
}

QStringList menuTitles(const QMenu *menu)
{
    QStringList titles;
    for (const QAction *action : menu->actions())
        titles.append(action->isSeparator() ? u"--"_qs : action->text().replace(u"&&"_qs, u"&"_qs));
    return titles;
}

} // namespace

// Slow enough that a batch lasts over half a second; notes whether progress was on screen.
class SlowMover : public FileMover {
public:
    int calls = 0;
    bool sawProgress = false;
    Result moveItem(const QString &, const QString &) override
    {
        QThread::msleep(4);
        if (++calls > 150) {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (qobject_cast<QProgressDialog *>(widget) && widget->isVisible())
                    sawProgress = true;
            }
        }
        return {true, QString()};
    }
};

class ContentViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyWindow()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        view.resize(900, 600);
        view.show();
        QVERIFY(qobject_cast<QWidget *>(view.fileArea())->inherits("ModernFileDropZone"));
        QVERIFY(view.fileCountLabel()->isHidden());
        QVERIFY(view.problemBadgesButton()->isHidden());
        QVERIFY(!view.removeButton()->isEnabled());
        QVERIFY(!view.clearButton()->isEnabled());
        QVERIFY(!view.renameAction()->isEnabled());
        QVERIFY(!view.undoAction()->isEnabled());
        QVERIFY(view.deselectAllButton()->isHidden());
        QCOMPARE(view.renameAction()->toolTip(), u"Rename all files (Ctrl+Return)"_qs);
        QCOMPARE(view.undoAction()->toolTip(), u"Undo last rename operation (or view history)"_qs);
        QCOMPARE(view.addOperationButton()->toolTip(), u"Add another operation to the stack"_qs);
    }

    void bottomBarFollowsFilesAndSelection()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        view.show();
        engine->addFiles(UiTest::urlsFor({u"a.txt"_qs, u"a.txt"_qs, u"b:c"_qs}));
        QVERIFY(view.fileArea()->inherits("LeftAlignedFileListView"));
        QCOMPARE(view.fileCountLabel()->text(), u"3 file(s)"_qs);
        QVERIFY(view.problemBadgesButton()->isVisible());
        QCOMPARE(view.conflictBadge()->count(), 2);
        QCOMPARE(view.errorBadge()->count(), 1);
        QCOMPARE(view.problemBadgesButton()->toolTip(), u"Click to see details"_qs);

        engine->toggleSelection(engine->files().first().id);
        QVERIFY(view.removeButton()->isEnabled());
        QVERIFY(view.deselectAllButton()->isVisible());
        QVERIFY(view.deselectDivider()->isVisible());
        view.deselectAllButton()->click();
        QVERIFY(engine->selectedFiles().isEmpty());
        QVERIFY(view.deselectAllButton()->isHidden());
        QVERIFY(view.deselectDivider()->isHidden());
        QVERIFY(!view.removeButton()->isEnabled());

        view.problemBadgesButton()->click();
        QVERIFY(view.errorDetailsSheet());
        QCOMPARE(view.errorDetailsSheet()->problems()->rowCount(), 3);
        view.errorDetailsSheet()->close();
    }

    void renameWithoutChangesSaysSo()
    {
        Folder folder;
        const auto engine = diskEngine();
        ContentView view(engine.get());
        engine->addFiles(folder.create({u"a.txt"_qs}));
        QVERIFY(view.renameAction()->isEnabled());
        view.renameAction()->trigger();
        QVERIFY(view.currentAlert());
        QCOMPARE(view.currentAlert()->title(), u"No Changes to Apply"_qs);
        QCOMPARE(view.currentAlert()->message(),
                 u"The current workflow would not change any filenames. All files already have the "
                 "resulting names."_qs);
        QVERIFY(view.currentAlert()->press(u"OK"_qs));
        QCOMPARE(folder.names(), QStringList{u"a.txt"_qs});
        QVERIFY(!engine->canUndo());
    }

    void cleanRenameNeedsNoConfirmation()
    {
        Folder folder;
        const auto engine = diskEngine();
        ContentView view(engine.get());
        engine->addFiles(folder.create({u"a.txt"_qs, u"b.txt"_qs}));
        prependStep(*engine, u"x-"_qs);
        QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier); // not shown: use the action
        view.renameAction()->trigger();
        QVERIFY(!view.currentAlert());
        QCOMPARE(folder.names(), QStringList({u"x-a.txt"_qs, u"x-b.txt"_qs}));
        QCOMPARE(view.successMessage(), u"Renamed 2 file(s)"_qs);
        QVERIFY(view.showSuccessOverlay());
        QVERIFY(view.undoAction()->isEnabled());
        QVERIFY(!view.renameAction()->isEnabled()); // nothing pending until the next preview
    }

    void problemsAskFirst()
    {
        Folder folder;
        const auto engine = diskEngine();
        ContentView view(engine.get());
        QList<QUrl> urls = folder.create({u"a.txt"_qs, u"b.txt"_qs, u"c.txt"_qs});
        urls.insert(1, urls.first()); // a.txt listed twice: both rows conflict
        engine->addFiles(urls);
        UiTest::editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
            operation.mode = RenameMode::replace;
            operation.findText = u".txt"_qs;
            operation.replaceText = u".md"_qs;
        });
        QCOMPARE(engine->conflictCount(), 2);
        view.rename();
        QVERIFY(view.currentAlert());
        QCOMPARE(view.currentAlert()->title(), u"Proceed with Warnings?"_qs);
        QCOMPARE(view.currentAlert()->message(),
                 u"There are 2 file(s) with conflicts or errors. Only files without issues will be "
                 "renamed. Do you want to proceed?"_qs);
        QCOMPARE(view.currentAlert()->buttons().size(), 2);
        QCOMPARE(view.currentAlert()->buttons().at(0)->text(), u"Cancel"_qs);
        QVERIFY(view.currentAlert()->press(u"Rename Anyway"_qs));
        QCOMPARE(view.successMessage(), u"Renamed 2 file(s), 2 failed"_qs);
        QCOMPARE(folder.names(), QStringList({u"a.txt"_qs, u"b.md"_qs, u"c.md"_qs}));
    }

    void escapeCancels()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        engine->addFiles(UiTest::urlsFor({u"a"_qs, u"b"_qs}));
        view.clearButton()->click();
        QVERIFY(view.currentAlert());
        QCOMPARE(view.currentAlert()->message(),
                 u"This will remove all 2 file(s) from the list. This action cannot be undone."_qs);
        QTest::keyClick(view.currentAlert(), Qt::Key_Escape);
        QCOMPARE(engine->files().size(), 2);
    }

    void clearEmptiesFilesSelectionAndHistory()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        engine->addFiles(UiTest::urlsFor({u"a"_qs, u"b"_qs}));
        prependStep(*engine, u"x"_qs);
        view.performAndReport();
        engine->toggleSelection(engine->files().first().id);
        QVERIFY(engine->canUndo());
        view.showClearConfirmation();
        QVERIFY(view.currentAlert()->press(u"Clear"_qs));
        QVERIFY(engine->files().isEmpty());
        QVERIFY(engine->selectedFiles().isEmpty());
        QVERIFY(!engine->canUndo());
        QVERIFY(!view.undoAction()->isEnabled());
    }

    void overlayHidesOnTheFirstTimer()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        view.resize(900, 600);
        view.show();
        view.showSuccess(u"first"_qs);
        QTest::qWait(1000);
        view.showSuccess(u"second"_qs);
        QCOMPARE(view.successMessage(), u"second"_qs);
        QVERIFY(view.showSuccessOverlay());
        // The first call's timer fires 2.5 s after it, and a later call does not cancel it.
        // Waiting up to 2.4 s stays short of the second call's own hide at 3.5 s.
        QTRY_VERIFY_WITH_TIMEOUT(!view.showSuccessOverlay(), 2400);
        QCOMPARE(view.successMessage(), u"second"_qs);
    }

    void historyMenuListsOldestFirst()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        engine->addFiles(UiTest::urlsFor({u"a"_qs}));
        prependStep(*engine, u"1"_qs);
        view.performAndReport();
        engine->addFiles(UiTest::urlsFor({u"b"_qs, u"c"_qs}));
        view.performAndReport();
        engine->addFiles(UiTest::urlsFor({u"d"_qs}));
        view.performAndReport();
        QCOMPARE(engine->undoStack().size(), 3);

        Q_EMIT view.undoHistoryMenu()->aboutToShow();
        QCOMPARE(
            menuTitles(view.undoHistoryMenu()),
            QStringList({u"Undo: 1 file(s)"_qs, u"Undo: 3 file(s)"_qs, u"Undo: 4 file(s)"_qs}));
        view.undoHistoryMenu()->actions().first()->trigger();
        QCOMPARE(view.successMessage(), u"Successfully undid rename operation"_qs);
        Q_EMIT view.undoHistoryMenu()->aboutToShow();
        QCOMPARE(view.undoHistoryMenu()->actions().size(), 2);

        view.undoAction()->trigger();
        QCOMPARE(view.successMessage(), u"Successfully undid last rename operation"_qs);
        QCOMPARE(engine->undoStack().size(), 1);
    }

    void saveFlows()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());

        // An empty name closes the prompt and saves nothing.
        view.saveWorkflowButton()->click();
        QCOMPARE(view.currentAlert()->title(), u"Save Workflow"_qs);
        QCOMPARE(view.currentAlert()->textField()->placeholderText(), u"Workflow Name"_qs);
        QVERIFY(view.currentAlert()->press(u"Save"_qs));
        QVERIFY(engine->savedWorkflows().isEmpty());

        // A new name is saved as typed, blanks included.
        view.showSaveWorkflow();
        QTest::keyClicks(view.currentAlert()->textField(), u" Mine "_qs);
        QTest::keyClick(view.currentAlert()->textField(), Qt::Key_Return);
        QVERIFY(engine->hasSavedWorkflow(u" Mine "_qs));
        QCOMPARE(view.successMessage(), u"Workflow ' Mine ' saved"_qs);
        QVERIFY(view.workflowName().isEmpty());

        // An existing name asks; Cancel keeps the stored stack and empties the field.
        const QUuid savedId = engine->savedWorkflows().value(u" Mine "_qs).first().id;
        engine->removeOperation(0);
        engine->addOperation();
        view.showSaveWorkflow();
        view.currentAlert()->textField()->setText(u" Mine "_qs);
        view.currentAlert()->press(u"Save"_qs);
        QCOMPARE(view.currentAlert()->title(), u"Workflow Exists"_qs);
        QCOMPARE(view.currentAlert()->message(),
                 u"A workflow named ' Mine ' already exists. Do you want to overwrite it?"_qs);
        view.currentAlert()->press(u"Cancel"_qs);
        QCOMPARE(engine->savedWorkflows().value(u" Mine "_qs).first().id, savedId);
        QVERIFY(view.workflowName().isEmpty());

        // Overwrite replaces it.
        view.showSaveWorkflow();
        view.currentAlert()->textField()->setText(u" Mine "_qs);
        view.currentAlert()->press(u"Save"_qs);
        view.currentAlert()->press(u"Overwrite"_qs);
        QCOMPARE(engine->savedWorkflows().value(u" Mine "_qs).first().id,
                 engine->operations().first().id);
        QCOMPARE(view.successMessage(), u"Workflow ' Mine ' saved"_qs);

        // A name differing only in letter case is another workflow.
        view.showSaveWorkflow();
        view.currentAlert()->textField()->setText(u" MINE "_qs);
        view.currentAlert()->press(u"Save"_qs);
        QCOMPARE(engine->savedWorkflows().size(), 2);
    }

    void loadMenu()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        QCOMPARE(menuTitles(view.loadMenu()),
                 QStringList({u"System Workflows"_qs, u"--"_qs, u"No saved workflows"_qs}));
        QVERIFY(!view.loadMenu()->actions().last()->isEnabled());
        const QMenu *system = view.loadMenu()->actions().first()->menu();
        QCOMPARE(menuTitles(system), QStringList({u"Photo Organization"_qs, u"Web-Safe Names"_qs,
                                                  u"Document Cleanup"_qs, u"Clean & Number"_qs}));

        for (const QString &name : {u"beta"_qs, u"Alpha"_qs, u"alpha"_qs, u"R&D"_qs})
            engine->saveWorkflow(name);
        QCOMPARE(menuTitles(view.loadMenu()),
                 QStringList({u"System Workflows"_qs, u"--"_qs, u"Alpha"_qs, u"R&D"_qs, u"alpha"_qs,
                              u"beta"_qs, u"--"_qs, u"Manage Workflows..."_qs}));

        // Loading a system workflow replaces the stack.
        system->actions().at(1)->trigger();
        QCOMPARE(engine->operations().size(), 2);
        view.loadMenu()->actions().at(3)->trigger(); // "R&D"
        QCOMPARE(engine->operations().size(), 1);

        view.loadMenu()->actions().last()->trigger();
        QVERIFY(view.manageWorkflowsSheet());
        QCOMPARE(view.manageWorkflowsSheet()->rows().size(), 4);
        view.manageWorkflowsSheet()->close();
    }

    void longBatchShowsProgressAndTakesNoCommands()
    {
        auto mover = std::make_unique<SlowMover>();
        SlowMover *slow = mover.get();
        RenameEngine engine(std::make_unique<MemoryPreferencesStore>(), std::move(mover));
        ContentView view(&engine);
        view.show();
        engine.addFiles(UiTest::numberedUrls(200));
        prependStep(engine, u"x"_qs);
        bool busyDuringBatch = false;
        connect(&view, &ContentView::busyChanged, this, [&](bool busy) {
            if (busy)
                busyDuringBatch = !view.renameAction()->isEnabled();
        });
        view.performAndReport();
        QVERIFY(slow->sawProgress);
        QVERIFY(busyDuringBatch);
        QCOMPARE(view.successMessage(), u"Renamed 200 file(s)"_qs);
        QVERIFY(view.undoAction()->isEnabled());
        for (QWidget *widget : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QProgressDialog *>(widget) || !widget->isVisible());
    }

    void operationCardsFollowTheStack()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        view.addOperationButton()->click();
        view.addOperationButton()->click();
        QCOMPARE(engine->operations().size(), 3);
    }
};

BRISKLET_TEST(ContentViewTest)
#include "tst_contentview.moc"
