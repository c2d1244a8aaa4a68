#include "testmain.h"

#include "dialogs/alertdialog.h"
#include "settingspreferencesstore.h"
#include "uitesthelpers.h"
#include "window/contentview.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class WorkflowSaveFailureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The settings folder is a file, so nothing can be written: the save dialog ends in an
    // alert with the reason, not in a "saved" notice.
    void saveThatCannotBeWrittenIsReported()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"Brisklet"_qs);
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        RenameEngine engine(
            std::make_unique<SettingsPreferencesStore>(folder + u"/Brisklet.conf"_qs),
            std::make_unique<UiTest::FakeFileMover>());
        ContentView view(&engine);

        view.saveWorkflowButton()->click();
        QTest::keyClicks(view.currentAlert()->textField(), u"Mine"_qs);
        QTest::keyClick(view.currentAlert()->textField(), Qt::Key_Return);

        QVERIFY(view.currentAlert());
        QCOMPARE(view.currentAlert()->title(), u"Could not save workflows"_qs);
        QVERIFY2(view.currentAlert()->message().contains(u"is a file, not a folder"),
                 qPrintable(view.currentAlert()->message()));
        QVERIFY(!view.showSuccessOverlay());
        QVERIFY(engine.hasSavedWorkflow(u"Mine"_qs));
        QVERIFY(view.currentAlert()->press(u"OK"_qs));
    }
};

BRISKLET_TEST(WorkflowSaveFailureTest)
#include "tst_workflowsavefailure.moc"
