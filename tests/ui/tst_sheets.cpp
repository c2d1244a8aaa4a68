#include "testmain.h"

#include "dialogs/errordetailssheet.h"
#include "dialogs/manageworkflowssheet.h"
#include "dialogs/workflowrow.h"
#include "uitesthelpers.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QToolButton>

class SheetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void renameCommitRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("viaReturn");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("new name, Save")
            << u"Gamma"_qs << false << QStringList{u"B"_qs, u"Gamma"_qs};
        QTest::newRow("new name, Return")
            << u"Gamma"_qs << true << QStringList{u"B"_qs, u"Gamma"_qs};
        QTest::newRow("onto existing name") << u"B"_qs << false << QStringList{u"B"_qs};
        QTest::newRow("unchanged") << u"A"_qs << false << QStringList{u"A"_qs, u"B"_qs};
        QTest::newRow("empty") << QString() << true << QStringList{u"A"_qs, u"B"_qs};
        QTest::newRow("only letter case") << u"a"_qs << false << QStringList{u"B"_qs, u"a"_qs};
    }

    void renameCommitRules()
    {
        QFETCH(QString, typed);
        QFETCH(bool, viaReturn);
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

        QCOMPARE(sheet.editingWorkflow(), std::nullopt);
        QStringList rows;
        for (const WorkflowRow *row : sheet.rows())
            rows.append(row->name());
        QCOMPARE(rows, expected);
        QCOMPARE(engine->savedWorkflowNames(), expected);
        if (typed != u"A"_qs && !typed.isEmpty())
            QCOMPARE(engine->savedWorkflows().value(typed).first().id, aId);
    }

    void errorDetailsListsProblemsInOrder()
    {
        const auto engine = UiTest::makeEngine();
        engine->addFiles(UiTest::urlsFor({u"x1"_qs, u"ok"_qs, u"a:b"_qs, u"y2"_qs}));
        UiTest::editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
            operation.mode = RenameMode::regex;
            operation.regexPattern = u"^(x|y).*$"_qs;
            operation.regexReplacement = u"same.txt"_qs;
        });
        ErrorDetailsSheet sheet(engine.get());
        const QAbstractItemModel *problems = sheet.problems();
        QCOMPARE(problems->rowCount(), 3);
        QCOMPARE(problems->index(0, 0).data().toString(), u"x1"_qs);
        QCOMPARE(problems->index(1, 0).data().toString(), u"a:b"_qs);
        QCOMPARE(problems->index(2, 0).data().toString(), u"y2"_qs);

        // The list follows the engine while open.
        engine->removeOperation(0);
        engine->addOperation();
        QCOMPARE(problems->rowCount(), 1);
        QCOMPARE(problems->index(0, 0).data().toString(), u"a:b"_qs);
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
        QCOMPARE(sheet.rows().constFirst()->deleteButton()->mapTo(&sheet, QPoint()),
                 first->mapTo(&sheet, QPoint())); // the next row is under the pointer now
        clickAtPointer();
        QCOMPARE(engine->savedWorkflowNames(), QStringList({u"b"_qs, u"c"_qs}));

        QTest::qWait(QApplication::doubleClickInterval() + 50);
        clickAtPointer();
        QCOMPARE(engine->savedWorkflowNames(), QStringList{u"c"_qs});
    }
};

BRISKLET_TEST(SheetsTest)
#include "tst_sheets.moc"
