#include "testregistry.h"

#include "errordetailssheet.h"
#include "manageworkflowssheet.h"
#include "memorypreferencesstore.h"
#include "posixfilemover.h"
#include "problemfilesmodel.h"
#include "renameengine.h"
#include "sheetheader.h"
#include "workflowrow.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

std::unique_ptr<RenameEngine> makeEngine()
{
    return std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                          std::make_unique<PosixFileMover>());
}

QStringList rowNames(const ManageWorkflowsSheet &sheet)
{
    QStringList names;
    for (const WorkflowRow *row : sheet.rows())
        names.append(row->name());
    return names;
}

} // namespace

class SheetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manageListsSortedAndFollowsTheEngine()
    {
        const auto engine = makeEngine();
        for (const QString &name : {u"beta"_qs, u"alpha"_qs, u"Alpha"_qs})
            engine->saveWorkflow(name);
        ManageWorkflowsSheet sheet(engine.get());
        QCOMPARE(sheet.size(), QSize(450, 400));
        QCOMPARE(rowNames(sheet), QStringList({u"Alpha"_qs, u"alpha"_qs, u"beta"_qs}));
        QCOMPARE(sheet.header()->subtitle(), u"3 saved workflow(s)"_qs);

        // Delete has no confirmation; the count follows at once.
        QTest::mouseClick(sheet.rows().at(2)->deleteButton(), Qt::LeftButton);
        QCOMPARE(rowNames(sheet), QStringList({u"Alpha"_qs, u"alpha"_qs}));
        QCOMPARE(sheet.header()->subtitle(), u"2 saved workflow(s)"_qs);
        sheet.deleteWorkflow(u"Alpha"_qs);
        sheet.deleteWorkflow(u"alpha"_qs);
        QCOMPARE(sheet.header()->subtitle(), u"0 saved workflow(s)"_qs);
        QVERIFY(sheet.rows().isEmpty());
    }

    void renameCommitRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("viaReturn");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("new name, Save")
            << u"Gamma"_qs << false << QStringList({u"B"_qs, u"Gamma"_qs});
        QTest::newRow("new name, Return")
            << u"Gamma"_qs << true << QStringList({u"B"_qs, u"Gamma"_qs});
        QTest::newRow("onto existing name") << u"B"_qs << false << QStringList({u"B"_qs});
        QTest::newRow("unchanged") << u"A"_qs << false << QStringList({u"A"_qs, u"B"_qs});
        QTest::newRow("empty") << QString() << true << QStringList({u"A"_qs, u"B"_qs});
        QTest::newRow("only letter case") << u"a"_qs << false << QStringList({u"B"_qs, u"a"_qs});
    }

    void renameCommitRules()
    {
        QFETCH(QString, typed);
        QFETCH(bool, viaReturn);
        QFETCH(QStringList, expected);

        const auto engine = makeEngine();
        engine->saveWorkflow(u"A"_qs);
        RenameOperationWrapper step;
        step.mode = RenameMode::append;
        engine->setOperation(0, step);
        engine->saveWorkflow(u"B"_qs);
        const QUuid aId = engine->savedWorkflows().value(u"A"_qs).first().id;

        ManageWorkflowsSheet sheet(engine.get());
        QTest::mouseClick(sheet.rows().at(0)->renameButton(), Qt::LeftButton);
        QCOMPARE(sheet.editingWorkflow(), std::optional<QString>(u"A"_qs));
        QLineEdit *field = sheet.rows().at(0)->nameField();
        QVERIFY(field);
        QCOMPARE(field->text(), u"A"_qs);
        field->selectAll();
        if (typed.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClicks(field, typed);
        if (viaReturn)
            QTest::keyClick(field, Qt::Key_Return);
        else
            QTest::mouseClick(sheet.rows().at(0)->saveButton(), Qt::LeftButton);

        QCOMPARE(sheet.editingWorkflow(), std::nullopt);
        QVERIFY(sheet.newName().isEmpty());
        QCOMPARE(rowNames(sheet), expected);
        QCOMPARE(engine->savedWorkflowNames(), expected);
        QVERIFY(sheet.isVisible() == false); // Return never closed a sheet that was not shown
        if (typed != u"A"_qs && !typed.isEmpty())
            QCOMPARE(engine->savedWorkflows().value(typed).first().id, aId);
    }

    void renameModeMovesAndCancels()
    {
        const auto engine = makeEngine();
        engine->saveWorkflow(u"A"_qs);
        engine->saveWorkflow(u"B"_qs);
        ManageWorkflowsSheet sheet(engine.get());
        sheet.startRename(u"A"_qs);
        QTest::keyClicks(sheet.rows().at(0)->nameField(), u"xyz"_qs);
        QTest::mouseClick(sheet.rows().at(1)->renameButton(), Qt::LeftButton);
        QCOMPARE(sheet.editingWorkflow(), std::optional<QString>(u"B"_qs));
        QVERIFY(sheet.rows().at(0)->mode() == WorkflowRow::Mode::normal);
        QTest::mouseClick(sheet.rows().at(1)->cancelButton(), Qt::LeftButton);
        QCOMPARE(sheet.editingWorkflow(), std::nullopt);
        QCOMPARE(engine->savedWorkflowNames(), QStringList({u"A"_qs, u"B"_qs}));
    }

    void errorDetailsListsProblemsInOrder()
    {
        const auto engine = makeEngine();
        RenameOperationWrapper step;
        step.mode = RenameMode::regex;
        step.regexPattern = u"^(x|y).*$"_qs;
        step.regexReplacement = u"same.txt"_qs;
        engine->setOperation(0, step);
        engine->addFiles({QUrl::fromLocalFile(u"/tmp/x1"_qs), QUrl::fromLocalFile(u"/tmp/ok"_qs),
                          QUrl::fromLocalFile(u"/tmp/a:b"_qs), QUrl::fromLocalFile(u"/tmp/y2"_qs)});
        ErrorDetailsSheet sheet(engine.get());
        QCOMPARE(sheet.size(), QSize(500, 400));
        QCOMPARE(sheet.header()->subtitle(), u"3 file(s) with problems"_qs);
        QCOMPARE(sheet.problems()->rowCount(), engine->conflictCount() + engine->errorCount());
        QCOMPARE(sheet.problems()->fileAt(0).originalName, u"x1"_qs);
        QCOMPARE(sheet.problems()->fileAt(1).originalName, u"a:b"_qs);
        QCOMPARE(sheet.problems()->fileAt(2).originalName, u"y2"_qs);

        // A row with a message is taller than one without.
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 400, 10);
        QAbstractItemDelegate *delegate = sheet.list()->itemDelegate();
        const int withMessage = delegate->sizeHint(option, sheet.problems()->index(0)).height();
        engine->removeOperation(0);
        engine->addOperation();
        QCOMPARE(sheet.header()->subtitle(), u"1 file(s) with problems"_qs);
        QVERIFY(withMessage > 0);
    }
};

BRISKLET_TEST(SheetsTest)
#include "tst_sheets.moc"
