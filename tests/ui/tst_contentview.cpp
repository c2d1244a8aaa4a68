#include "testmain.h"

#include "dialogs/manageworkflowssheet.h"
#include "dialogs/workflowrow.h"
#include "disk/posixfilemover.h"
#include "fileinfo/fileinforeader.h"
#include "uitesthelpers.h"
#include "window/contentview.h"
#include "window/renamecommands.h"
#include "window/successoverlay.h"
#include "workflows/settingspreferencesstore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSemaphore>
#include <QThread>
#include <QToolButton>

namespace {

QStringList menuTitles(const QMenu *menu)
{
    QStringList titles;
    for (const QAction *action : menu->actions())
        titles.append(action->isSeparator() ? u"--"_qs : action->text().replace(u"&&"_qs, u"&"_qs));
    return titles;
}

// Slow enough that a batch of 100 lasts over half a second, and that adding a large drop
// does too (some identities are slow to read). It runs on the jobs' threads.
class SlowMover : public UiTest::FakeFileMover {
public:
    Result moveItem(const QByteArray &, const QByteArray &) override
    {
        QThread::msleep(4);
        return {true, QString()};
    }
    std::optional<ItemIdentity> identity(const QByteArray &path) override
    {
        if (path.endsWith("0.txt"))
            QThread::usleep(300);
        return std::nullopt;
    }
};

// The label of the progress dialog on show, if one is.
QString progressLabel()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QProgressDialog *>(widget); dialog && dialog->isVisible())
            return dialog->labelText();
    }
    return {};
}

SuccessOverlay *notice(const ContentView &view)
{
    return UiTest::child<SuccessOverlay>(&view, u"successOverlay"_qs);
}

} // namespace

class ContentViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The notice tells what happened on disk. Rows the user chose to leave are not failures;
    // a listed file deleted from disk is never reported renamed, whether its name was to
    // change or not, and the notice then shows a warning, not the check.
    void renameOnDisk_data()
    {
        QTest::addColumn<QStringList>("steps"); // replacements "find>replace", in order
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("onDisk");
        QTest::addColumn<QString>("report");
        QTest::newRow("no changes")
            << QStringList() << QString() << u"No Changes to Apply"_qs << u"OK"_qs
            << QStringList{u"a.txt"_qs, u"b.txt"_qs, u"c.txt"_qs} << QString();
        QTest::newRow("clean, no question")
            << QStringList{u"a>z"_qs, u"b>y"_qs} << QString() << QString() << QString()
            << QStringList{u"c.txt"_qs, u"y.txt"_qs, u"z.txt"_qs} << u"Renamed 3 file(s)"_qs;
        QTest::newRow("problems, Rename Anyway")
            << QStringList{u"a>z"_qs, u"c>z"_qs, u"b>y"_qs} << QString()
            << u"Proceed with Warnings?"_qs << u"Rename Anyway"_qs
            << QStringList{u"a.txt"_qs, u"c.txt"_qs, u"y.txt"_qs}
            << u"Renamed 1 file(s), 2 skipped"_qs;
        QTest::newRow("deleted, name unchanged")
            << QStringList{u"a>z"_qs} << u"b.txt"_qs << QString() << QString()
            << QStringList{u"c.txt"_qs, u"z.txt"_qs} << u"Renamed 2 file(s), 1 failed"_qs;
        QTest::newRow("deleted, name changed")
            << QStringList{u"a>z"_qs} << u"a.txt"_qs << QString() << QString()
            << QStringList{u"b.txt"_qs, u"c.txt"_qs} << u"Renamed 2 file(s), 1 failed"_qs;
    }

    void renameOnDisk()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, deleted);
        QFETCH(QString, alert);
        QFETCH(QString, answer);
        QFETCH(QStringList, onDisk);
        QFETCH(QString, report);
        QTemporaryDir dir;
        QList<QUrl> urls;
        for (const QString &name : {u"a.txt"_qs, u"b.txt"_qs, u"c.txt"_qs}) {
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
            urls.append(QUrl::fromLocalFile(dir.filePath(name)));
        }
        const auto engine = UiTest::makeEngine(std::make_unique<PosixFileMover>());
        ContentView view(engine.get());
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        engine->addFiles(urls);
        for (qsizetype i = 0; i < steps.size(); ++i) {
            if (i > 0)
                engine->addOperation();
            engine->setOperation(
                int(i), replaceStep(steps[i].section(u'>', 0, 0), steps[i].section(u'>', 1)));
        }
        engine->updatePreview();
        if (!deleted.isEmpty())
            QVERIFY(QFile::remove(dir.filePath(deleted)));

        QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier);
        AlertDialog *shown = UiTest::shownAlert(&view);
        QCOMPARE(shown ? shown->title() : QString(), alert);
        QVERIFY(!shown || shown->press(answer));
        QVERIFY(UiTest::finishBatch(*engine));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), onDisk);
        QCOMPARE(notice(view)->message(), report);
        QCOMPARE(notice(view)->isComplete(), deleted.isEmpty());
        QCOMPARE(view.renameCommands()->undoAction()->isEnabled(), !report.isEmpty());
        for (const FileItem &item : engine->files()) {
            if (item.originalName == deleted)
                QCOMPARE(item.errorMessage.value_or(QString()), u"The file no longer exists."_qs);
            else if (!deleted.isEmpty())
                QCOMPARE(item.status, RenameStatus::success);
        }
    }

    // The entries' wording, and an older batch undone out of turn; the keyboard's way through
    // the menu is driven in the real program.
    void historyMenuNamesEachBatch()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        UiTest::setFirstStep(*engine, prependStep(u"1"_qs));
        for (const QStringList &names : {QStringList{u"a"_qs}, {u"b"_qs, u"c"_qs}}) {
            engine->addFiles(UiTest::urlsFor(names));
            view.renameCommands()->performAndReport();
            QVERIFY(UiTest::finishBatch(*engine));
        }
        QMenu *menu = view.renameCommands()->undoHistoryMenu();
        Q_EMIT menu->aboutToShow();
        QCOMPARE(menuTitles(menu), QStringList({u"Undo: 1 file(s)"_qs, u"Undo: 3 file(s)"_qs}));
        menu->actions().constFirst()->trigger(); // an older batch, out of turn
        QVERIFY(UiTest::finishBatch(*engine));
        QCOMPARE(notice(view)->message(), u"Successfully undid rename operation"_qs);
    }

    void saveWorkflow_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer"); // to "Workflow Exists", if asked
        QTest::addColumn<int>("savedCount");
        QTest::addColumn<bool>("overwritten");
        QTest::newRow("empty name saves nothing") << QString() << QString() << 1 << false;
        QTest::newRow("new name, blanks kept") << u" Two "_qs << QString() << 2 << false;
        QTest::newRow("exists, Cancel") << u" Mine "_qs << u"Cancel"_qs << 1 << false;
        QTest::newRow("exists, Overwrite") << u" Mine "_qs << u"Overwrite"_qs << 1 << true;
        QTest::newRow("other letter case is new") << u" MINE "_qs << QString() << 2 << false;
    }

    void saveWorkflow()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        QFETCH(int, savedCount);
        QFETCH(bool, overwritten);
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        engine->saveWorkflow(u" Mine "_qs);
        const QUuid savedId = engine->savedWorkflows().value(u" Mine "_qs).first().id;
        engine->removeOperation(0);
        engine->addOperation();

        UiTest::saveAs(&view, typed);
        if (!answer.isEmpty()) {
            QCOMPARE(UiTest::shownAlert(&view)->title(), u"Workflow Exists"_qs);
            QVERIFY(UiTest::shownAlert(&view)->press(answer));
        }
        QCOMPARE(engine->savedWorkflows().size(), savedCount);
        QVERIFY(typed.isEmpty() || engine->hasSavedWorkflow(typed));
        QCOMPARE(engine->savedWorkflows().value(u" Mine "_qs).first().id,
                 overwritten ? engine->operations().first().id : savedId);
        // The next prompt starts empty.
        UiTest::child<QToolButton>(&view, u"saveWorkflowButton"_qs)->click();
        QVERIFY(UiTest::shownAlert(&view)->textField()->text().isEmpty());
    }

    // The settings folder is a file: the save ends in an alert with the reason, no notice.
    void saveThatCannotBeWrittenIsReported()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath(u"Brisklet"_qs)).open(QIODevice::WriteOnly));
        const auto engine = UiTest::makeEngine(
            std::make_unique<UiTest::FakeFileMover>(),
            std::make_unique<SettingsPreferencesStore>(dir.filePath(u"Brisklet/Brisklet.conf"_qs)));
        ContentView view(engine.get());
        UiTest::saveAs(&view, u"Mine"_qs);
        AlertDialog *alert = UiTest::shownAlert(&view);
        QCOMPARE(alert ? alert->title() : QString(), u"Could not save workflows"_qs);
        QVERIFY(alert->message().contains(u"is a file, not a folder"));
        QVERIFY(!notice(view)->isShown());
    }

    // Sorted, with ampersands shown; opened again it keeps one submenu, still wired.
    void loadMenu()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        view.show();
        engine->saveWorkflow(u"R&D"_qs); // one operation
        engine->addOperation();
        for (const QString &name : {u"beta"_qs, u"Alpha"_qs, u"alpha"_qs})
            engine->saveWorkflow(name);
        auto *load = UiTest::child<QMenu>(&view, u"loadMenu"_qs);
        for (int opening = 0; opening < 5; ++opening) {
            load->popup(view.mapToGlobal(QPoint(10, 10)));
            QVERIFY(load->isVisible());
            load->hide();
        }
        QCOMPARE(menuTitles(load),
                 QStringList({u"System Workflows"_qs, u"--"_qs, u"Alpha"_qs, u"R&D"_qs, u"alpha"_qs,
                              u"beta"_qs, u"--"_qs, u"Manage Workflows..."_qs}));
        load->actions().at(3)->trigger();
        QCOMPARE(engine->operations().size(), 1);
        QCOMPARE(load->findChildren<QMenu *>().size(), 1);
        QMenu *system = load->actions().constFirst()->menu();
        QVERIFY(system);
        system->actions().constFirst()->trigger(); // the photo workflow, four steps
        QCOMPARE(engine->operations().size(), 4);
    }

    // A name as long as the save prompt takes is shortened wherever it shows, whole in its
    // tooltip, and never pushes a control out of view.
    void longWorkflowNameIsShortened()
    {
        const QString longName = u"Holiday photos "_qs.repeated(20) + u"2024"_qs; // 304
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        view.resize(700, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        UiTest::saveAs(&view, longName);
        QVERIFY(engine->hasSavedWorkflow(longName));
        engine->saveWorkflow(u"short"_qs);

        // The notice fits inside the file area.
        SuccessOverlay *overlay = notice(view);
        QVERIFY(overlay->message().contains(longName));
        QVERIFY(overlay->x() >= 0 &&
                overlay->geometry().right() < overlay->parentWidget()->width());

        auto *load = UiTest::child<QMenu>(&view, u"loadMenu"_qs);
        load->popup(view.mapToGlobal(QPoint(10, 10)));
        QVERIFY(load->width() < 500);
        const QAction *item = load->actions().at(2); // sorted first, after the system submenu
        QCOMPARE(item->toolTip(), longName);
        QVERIFY(item->text().contains(u"…"_qs));
        load->hide();

        ManageWorkflowsSheet sheet(engine.get());
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        for (WorkflowRow *row : sheet.rows()) {
            for (QWidget *button : {row->renameButton(), row->deleteButton()}) {
                QVERIFY(button->isVisible());
                QVERIFY(sheet.rect().contains(
                    QRect(button->mapTo(&sheet, QPoint(0, 0)), button->size())));
            }
        }
        auto *label = sheet.rows().constFirst()->findChild<QLabel *>(u"workflowName"_qs);
        QCOMPARE(label->toolTip(), longName);
        QCOMPARE(label->accessibleName(), longName);
        QVERIFY(label->text().contains(u"…"_qs));
    }

    // A batch or a large drop that lasts shows progress (a drop is added on a worker); a
    // short one does not; a drop leaves no notice after.
    void progressShowsOnlyForWorkThatLasts_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<int>("files");
        QTest::addColumn<QString>("label"); // empty: no progress shown
        QTest::newRow("short batch") << false << 3 << QString();
        QTest::newRow("lasting batch") << false << 200 << u"Renaming files… "_qs;
        QTest::newRow("large drop")
            << true << int(RenameEngine::backgroundAddFrom) << u"Adding files… "_qs;
    }

    void progressShowsOnlyForWorkThatLasts()
    {
        QFETCH(bool, adding);
        QFETCH(int, files);
        QFETCH(QString, label);
        const auto engine = UiTest::makeEngine(std::make_unique<SlowMover>());
        ContentView view(engine.get());
        view.show();
        if (adding) {
            QVERIFY(engine->startAddingFiles(UiTest::numberedUrls(files)));
        } else {
            engine->addFiles(UiTest::numberedUrls(files));
            UiTest::setFirstStep(*engine, prependStep(u"x"_qs));
            view.renameCommands()->performAndReport();
        }
        QString seen;
        QVERIFY(QTest::qWaitFor(
            [&] {
                seen = seen.isEmpty() ? progressLabel() : seen;
                return !engine->isBusy();
            },
            30000));
        QVERIFY2(label.isEmpty() ? seen.isEmpty() : seen.startsWith(label), qPrintable(seen));
        QVERIFY(label.isEmpty() || seen.endsWith(u" of %1"_qs.arg(files)));
        QVERIFY(progressLabel().isEmpty());
        QCOMPARE(engine->files().size(), files);
        QCOMPARE(notice(view)->isShown(), !adding);
    }

    // Rename while a file-info step's files are still read: the batch waits, its progress
    // counts the files, and Cancel ends it with nothing moved and no notice.
    void renameWaitingForFileInfoCanBeCancelled()
    {
        QTemporaryDir folder;
        const auto engine = UiTest::makeEngine(std::make_unique<PosixFileMover>());
        QSemaphore gate;
        engine->setFileInfoReader([&gate](const QByteArray &path, bool everything) {
            FileInfo info = FileInfoReader::read(path, FileInfoReader::Depth::stamps);
            if (everything) {
                gate.acquire();
                info.title = QFileInfo(QFile::decodeName(path)).baseName();
            }
            return info;
        });
        ContentView view(engine.get());
        view.show();
        engine->setOperation(0, infoStep(FileInfoField::title, InfoPlacement::after));
        QList<QUrl> urls;
        for (const QString &name : {u"a.txt"_qs, u"b.txt"_qs}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            urls.append(QUrl::fromLocalFile(file.fileName()));
        }
        engine->addFiles(urls);
        QVERIFY(view.renameCommands()->renameAction()->isEnabled());
        view.renameCommands()->rename();
        QVERIFY(engine->isBusy());
        QTRY_COMPARE(progressLabel(), u"Reading file info… 0 of 2"_qs);
        auto *button = view.findChild<QProgressDialog *>()->findChild<QPushButton *>();
        QVERIFY(button);
        button->click();
        gate.release(2);
        QTRY_VERIFY(!engine->isBusy());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
                 QStringList({u"a.txt"_qs, u"b.txt"_qs}));
        QVERIFY(!notice(view)->isShown());
    }

    // While the files move the window takes no command or input; afterwards it does again,
    // and Clear asks first: Escape keeps the list, the selection and the history, Clear
    // drops them all.
    void windowTakesNoInputWhileBusyAndClearAsks()
    {
        const auto engine = UiTest::makeEngine(std::make_unique<SlowMover>());
        ContentView view(engine.get());
        view.resize(900, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        engine->addFiles(UiTest::numberedUrls(100));
        UiTest::setFirstStep(*engine, prependStep(u"x"_qs));
        RenameCommands *commands = view.renameCommands();
        commands->performAndReport();
        RenameJob *running = engine->currentJob();
        QVERIFY(running);

        commands->performAndReport(); // refused, the same batch goes on
        commands->undoLast();
        QCOMPARE(engine->currentJob(), running);
        QVERIFY(!commands->renameAction()->isEnabled());
        auto *clear = UiTest::child<QAbstractButton>(&view, u"clearFilesButton"_qs);
        const QPoint clearAt = clear->mapTo(&view, clear->rect().center());
        QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, clearAt);
        QVERIFY(!UiTest::shownAlert(&view));

        QVERIFY(UiTest::finishBatch(*engine));
        engine->toggleSelection(engine->files().first().id);
        QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, clearAt);
        QTest::keyClick(UiTest::shownAlert(&view), Qt::Key_Escape);
        QCOMPARE(engine->files().size(), 100);
        QCOMPARE(engine->selectedFiles().size(), 1);
        QVERIFY(commands->undoAction()->isEnabled());
        QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, clearAt);
        QVERIFY(UiTest::shownAlert(&view)->press(u"Clear"_qs));
        QVERIFY(engine->files().isEmpty() && engine->selectedFiles().isEmpty());
        QVERIFY(!commands->undoAction()->isEnabled());
    }

    void renameCommitRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("viaReturn");
        QTest::addColumn<QString>("answer"); // to "Workflow Exists", if asked
        QTest::addColumn<QStringList>("expected");
        const QStringList both{u"A"_qs, u"B"_qs};
        QTest::newRow("new name, Return")
            << u"Gamma"_qs << true << QString() << QStringList{u"B"_qs, u"Gamma"_qs};
        QTest::newRow("onto existing name, Cancel") << u"B"_qs << false << u"Cancel"_qs << both;
        QTest::newRow("onto existing name, Overwrite")
            << u"B"_qs << true << u"Overwrite"_qs << QStringList{u"B"_qs};
        QTest::newRow("unchanged") << u"A"_qs << false << QString() << both;
        QTest::newRow("empty") << QString() << true << QString() << both;
    }

    void renameCommitRules()
    {
        QFETCH(QString, typed);
        QFETCH(bool, viaReturn);
        QFETCH(QString, answer);
        QFETCH(QStringList, expected);
        const auto engine = UiTest::makeEngine();
        engine->saveWorkflow(u"A"_qs);
        engine->addOperation();
        engine->saveWorkflow(u"B"_qs);
        const QUuid aId = engine->savedWorkflows().value(u"A"_qs).first().id;

        ManageWorkflowsSheet sheet(engine.get());
        QTest::mouseClick(sheet.rows().at(0)->renameButton(), Qt::LeftButton);
        QLineEdit *field = sheet.rows().at(0)->nameField();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, typed);
        if (viaReturn)
            QTest::keyClick(field, Qt::Key_Return);
        else
            QTest::mouseClick(sheet.rows().at(0)->saveButton(), Qt::LeftButton);
        QApplication::processEvents();
        AlertDialog *asked = UiTest::shownAlert(&sheet);
        QCOMPARE(asked != nullptr, !answer.isEmpty());
        QVERIFY(!asked || asked->press(answer));

        QCOMPARE(sheet.editingWorkflow(), std::nullopt);
        QStringList rows;
        for (const WorkflowRow *row : sheet.rows())
            rows.append(row->name());
        QCOMPARE(rows, expected);
        QCOMPARE(engine->savedWorkflowNames(), expected);
        if (!expected.contains(u"A"_qs))
            QCOMPARE(engine->savedWorkflows().value(typed).first().id, aId);
    }

    void doubleClickOnDeleteDeletesOneWorkflow()
    {
        const auto engine = UiTest::makeEngine();
        for (const QString &name : {u"a"_qs, u"b"_qs, u"c"_qs})
            engine->saveWorkflow(name);
        ManageWorkflowsSheet sheet(engine.get());
        sheet.resize(480, 400);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QToolButton *first = sheet.rows().constFirst()->deleteButton();
        const QPoint pointer = first->mapTo(&sheet, first->rect().center());

        // Two quick clicks on the same spot: the second lands on the row that moved up.
        const auto clickAtPointer = [&] {
            QWidget *under = sheet.childAt(pointer);
            QVERIFY(under);
            QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(&sheet, pointer));
            QApplication::processEvents();
        };
        clickAtPointer();
        clickAtPointer();
        QCOMPARE(engine->savedWorkflowNames(), QStringList({u"b"_qs, u"c"_qs}));

        QTest::qWait(QApplication::doubleClickInterval() + 50);
        clickAtPointer();
        QCOMPARE(engine->savedWorkflowNames(), QStringList{u"c"_qs});
    }
};

BRISKLET_TEST(ContentViewTest)
#include "tst_contentview.moc"
