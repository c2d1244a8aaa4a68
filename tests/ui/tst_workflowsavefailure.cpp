#include "testmain.h"

#include "dialogs/alertdialog.h"
#include "settingspreferencesstore.h"
#include "uitesthelpers.h"
#include "window/contentview.h"
#include "window/successoverlay.h"

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

        UiTest::child<QToolButton>(&view, u"saveWorkflowButton"_qs)->click();
        QTest::keyClicks(UiTest::shownAlert(&view)->textField(), u"Mine"_qs);
        QTest::keyClick(UiTest::shownAlert(&view)->textField(), Qt::Key_Return);

        QVERIFY(UiTest::shownAlert(&view));
        QCOMPARE(UiTest::shownAlert(&view)->title(), u"Could not save workflows"_qs);
        QVERIFY2(UiTest::shownAlert(&view)->message().contains(u"is a file, not a folder"),
                 qPrintable(UiTest::shownAlert(&view)->message()));
        QVERIFY(!UiTest::child<SuccessOverlay>(&view, u"successOverlay"_qs)->isShown());
        QVERIFY(engine.hasSavedWorkflow(u"Mine"_qs));
        QVERIFY(UiTest::shownAlert(&view)->press(u"OK"_qs));
    }
};

BRISKLET_TEST(WorkflowSaveFailureTest)
#include "tst_workflowsavefailure.moc"
