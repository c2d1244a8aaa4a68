#include "testregistry.h"

#include "alertdialog.h"
#include "contentview.h"
#include "errordetailssheet.h"
#include "manageworkflowssheet.h"
#include "uitesthelpers.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>

// Renders the main window's content, every alert and both sheets to PNG files for people to
// look at. Runs only when BRISKLET_SHOTS_DIR names the folder to write to
// (scripts/render-views sets it).
class RenderMainWindowTest : public QObject {
    Q_OBJECT

private:
    QDir m_folder;

    void save(QWidget *widget, const QString &name)
    {
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget));
        QTest::qWait(50);
        const QString path = m_folder.filePath(name + u".png"_qs);
        QVERIFY2(widget->grab().save(path), qPrintable(path));
    }

    static void mixedList(RenameEngine &engine)
    {
        engine.addFiles(UiTest::urlsFor(
            {u"IMG_0001.JPG"_qs, u"holiday photo.jpeg"_qs, u"Report Final.pdf"_qs}));
        UiTest::editFirstOperation(engine, [](RenameOperationWrapper &operation) {
            operation.mode = RenameMode::changeCase;
            operation.caseType = CaseType::snakeCase;
        });
        engine.performRename();
        engine.addFiles(
            UiTest::urlsFor({u"notes.txt"_qs, u"Notes.txt"_qs, u"a:b.mp3"_qs, u"song.mp3"_qs}));
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString folder = qEnvironmentVariable("BRISKLET_SHOTS_DIR");
        if (folder.isEmpty())
            QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
        QVERIFY(QDir().mkpath(folder));
        m_folder = QDir(folder);
    }

    void window()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        view.resize(900, 600);
        save(&view, u"window-empty"_qs);

        mixedList(*engine);
        engine->toggleSelection(engine->files().at(1).id);
        save(&view, u"window-mixed-list"_qs);

        view.showSuccess(u"Renamed 3 file(s), 1 failed"_qs);
        QTest::qWait(600);
        save(&view, u"window-success-overlay"_qs);
    }

    void darkWindow()
    {
        // A dark desktop theme hands the application a dark palette; every colour that is not
        // an accent must follow it.
        const QPalette previous = QApplication::palette();
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
        dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
        dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
        dark.setColor(QPalette::AlternateBase, QColor(0x35, 0x35, 0x35));
        dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
        dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
        dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
        dark.setColor(QPalette::Mid, QColor(0x50, 0x50, 0x50));
        QApplication::setPalette(dark);
        {
            const auto engine = UiTest::makeEngine();
            ContentView view(engine.get());
            view.resize(900, 600);
            mixedList(*engine);
            save(&view, u"window-dark"_qs);
        }
        QApplication::setPalette(previous);
    }

    void dialogs()
    {
        const auto engine = UiTest::makeEngine();
        ContentView view(engine.get());
        view.resize(900, 600);
        view.show();
        mixedList(*engine);
        engine->updatePreview();

        view.showClearConfirmation();
        save(view.currentAlert(), u"alert-clear"_qs);
        view.currentAlert()->press(u"Cancel"_qs);

        view.rename();
        save(view.currentAlert(), u"alert-warnings"_qs);
        view.currentAlert()->press(u"Cancel"_qs);

        view.showSaveWorkflow();
        view.currentAlert()->textField()->setText(u"Holiday"_qs);
        save(view.currentAlert(), u"alert-save-workflow"_qs);
        view.currentAlert()->press(u"Save"_qs);
        view.showSaveWorkflow();
        view.currentAlert()->textField()->setText(u"Holiday"_qs);
        view.currentAlert()->press(u"Save"_qs);
        save(view.currentAlert(), u"alert-workflow-exists"_qs);
        view.currentAlert()->press(u"Cancel"_qs);

        engine->clearAll();
        engine->addFiles(UiTest::urlsFor({u"same.txt"_qs}));
        engine->removeOperation(0);
        view.rename();
        save(view.currentAlert(), u"alert-no-changes"_qs);
        view.currentAlert()->press(u"OK"_qs);
    }

    void sheets()
    {
        const auto engine = UiTest::makeEngine();
        mixedList(*engine);
        engine->updatePreview();
        ErrorDetailsSheet errors(engine.get());
        save(&errors, u"sheet-error-details"_qs);

        for (const QString &name : {u"Photos by date"_qs, u"Web names"_qs, u"alpha"_qs})
            engine->saveWorkflow(name);
        ManageWorkflowsSheet manage(engine.get());
        save(&manage, u"sheet-manage-workflows"_qs);
        manage.startRename(u"Web names"_qs);
        save(&manage, u"sheet-manage-workflows-rename"_qs);
    }
};

BRISKLET_TEST(RenderMainWindowTest)
#include "tst_rendermainwindow.moc"
