#include "testmain.h"

#include "operations/operationstackmodel.h"
#include "uitesthelpers.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

using Role = OperationStackModel::Role;

RenameOperationWrapper appending(const QString &text)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::append;
    step.appendText = text;
    return step;
}

RenameOperationWrapper stepAt(const OperationStackModel &model, int row)
{
    return model.index(row).data(Role::OperationRole).value<RenameOperationWrapper>();
}

// An engine with two files and a model under the tester, as every case starts.
struct Fixture {
    std::unique_ptr<RenameEngine> engine = UiTest::makeEngine();
    OperationStackModel model{engine.get()};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};

    Fixture() { engine->addFiles(UiTest::urlsFor({u"a.txt"_qs, u"b.txt"_qs})); }

    QString newName(int file) const { return engine->files().at(file).newName; }
};

} // namespace

class OperationStackModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void setDataWritesAndPreviewsInOneCall_data()
    {
        QTest::addColumn<RenameOperationWrapper>("step");
        QTest::addColumn<int>("changes");
        QTest::newRow("changed step") << appending(u"_x"_qs) << 1;
        // A menu choice of the item already chosen still previews, but changes no row.
        QTest::newRow("same step") << RenameOperationWrapper() << 0;
    }

    void setDataWritesAndPreviewsInOneCall()
    {
        QFETCH(RenameOperationWrapper, step);
        QFETCH(int, changes);
        Fixture f;
        step.id = f.engine->operations().first().id;
        QSignalSpy previews(f.engine.get(), &RenameEngine::filesChanged);
        QSignalSpy stepChanges(&f.model, &QAbstractItemModel::dataChanged);
        QVERIFY(f.model.setData(f.model.index(0), QVariant::fromValue(step), Role::OperationRole));
        QCOMPARE(f.engine->operations().first(), step);
        QCOMPARE(stepAt(f.model, 0), step);
        QCOMPARE(previews.count(), 1);
        QCOMPARE(f.newName(0), changes ? u"a_x.txt"_qs : u"a.txt"_qs);
        int stepRoleChanges = 0;
        for (const QList<QVariant> &change : std::as_const(stepChanges))
            stepRoleChanges += change.at(2).value<QList<int>>().contains(Role::OperationRole);
        QCOMPARE(stepRoleChanges, changes);
    }

    void refusesWhatItCannotWrite_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("role");
        const QVariant step = QVariant::fromValue(appending(u"_x"_qs));
        QTest::newRow("row past the end") << 1 << step << int(Role::OperationRole);
        QTest::newRow("not a step") << 0 << QVariant(u"_x"_qs) << int(Role::OperationRole);
        QTest::newRow("read-only role") << 0 << step << int(Role::PatternProblemRole);
    }

    void refusesWhatItCannotWrite()
    {
        QFETCH(int, row);
        QFETCH(QVariant, value);
        QFETCH(int, role);
        Fixture f;
        const QList<RenameOperationWrapper> before = f.engine->operations();
        QVERIFY(!f.model.setData(f.model.index(row, 0), value, role));
        QCOMPARE(f.engine->operations(), before);
    }

    void stepsComeAndGoThroughTheModel()
    {
        Fixture f;
        QVERIFY(!f.model.insertRows(0, 1)); // new steps go at the end only
        QVERIFY(f.model.insertRows(1, 2));
        QCOMPARE(f.engine->operations().size(), 3);
        QVERIFY(f.model.setData(f.model.index(2), QVariant::fromValue(appending(u"_3"_qs)),
                                Role::OperationRole));
        QVERIFY(f.model.removeRows(0, 2));
        QCOMPARE(f.model.rowCount(), 1);
        QCOMPARE(stepAt(f.model, 0).appendText, u"_3"_qs);
        QCOMPARE(f.newName(1), u"b_3.txt"_qs); // the preview follows the removal
        QVERIFY(!f.model.removeRows(0, 2));
        QCOMPARE(f.engine->operations().size(), 1);
    }

    void followsChangesMadeElsewhere()
    {
        Fixture f;
        f.engine->addOperation();
        f.engine->setOperation(1, appending(u"_w"_qs));
        QVERIFY(f.engine->saveWorkflow(u"two steps"_qs));
        f.engine->removeOperation(1);
        QCOMPARE(f.model.rowCount(), 1);
        f.engine->loadWorkflow(u"two steps"_qs);
        QCOMPARE(f.model.rowCount(), 2);
        QCOMPARE(stepAt(f.model, 1).appendText, u"_w"_qs);
        f.engine->setOperation(1, appending(u"_v"_qs));
        QCOMPARE(stepAt(f.model, 1).appendText, u"_v"_qs);
    }

    // The problem of a pattern shows on its row, and a row hears of it when files arrive.
    void patternProblemFollowsTheFiles()
    {
        Fixture f;
        RenameOperationWrapper step;
        step.mode = RenameMode::regex;
        step.regexPattern = u"(a+)+$|!"_qs;
        step.regexReplacement = u"x"_qs;
        QVERIFY(f.model.setData(f.model.index(0), QVariant::fromValue(step), Role::OperationRole));
        QCOMPARE(f.model.index(0).data(Role::PatternProblemRole).toString(), QString());
        QSignalSpy changes(&f.model, &QAbstractItemModel::dataChanged);
        f.engine->addFiles(UiTest::urlsFor({QString(40, u'a') + u'!'}));
        QVERIFY(!changes.isEmpty());
        QVERIFY(!f.model.index(0).data(Role::PatternProblemRole).toString().isEmpty());
    }
};

BRISKLET_TEST(OperationStackModelTest)
#include "tst_operationstackmodel.moc"
