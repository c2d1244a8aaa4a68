#include "testmain.h"

#include "enginetesthelpers.h"
#include "names/transformname.h"
#include "sharedpreferencesstore.h"
#include "workflows/systemworkflow.h"

using namespace EngineTest;

namespace {

const QString composedCafe = u"Caf\u00e9"_qs;
const QString decomposedCafe = u"Cafe\u0301"_qs;

std::unique_ptr<RenameEngine>
engineOn(const std::shared_ptr<SharedPreferencesStore::Values> &stored)
{
    return std::make_unique<RenameEngine>(std::make_unique<SharedPreferencesStore>(stored),
                                          std::make_unique<PosixFileMover>(), nullptr);
}

} // namespace

class WorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveAndLoad()
    {
        auto stored = std::make_shared<SharedPreferencesStore::Values>();
        auto engine = engineOn(stored);
        // The preview never touches the disk, so the file need not exist.
        engine->addFiles({QUrl::fromLocalFile(u"/nonexistent/My File.txt"_qs)});
        const QList<RenameOperationWrapper> saved{caseStep(CaseType::uppercase),
                                                  appendStep(u"_v1"_qs)};
        setStack(*engine, saved);
        for (const QString &name : {u"Holiday"_qs, u"\U0001F600 \"quoted\""_qs, u"\uFF21"_qs})
            engine->saveWorkflow(name);
        setStack(*engine, {appendStep(u"_other"_qs)});

        engine->loadWorkflow(u"Holiday"_qs);
        QCOMPARE(engine->operations(), saved); // ids included
        QCOMPARE(engine->files().first().newName, u"MY FILE_v1.txt"_qs);
        // Editing the loaded stack leaves the saved copy alone.
        engine->setOperation(0, caseStep(CaseType::snakeCase));
        QCOMPARE(engine->savedWorkflows().value(u"Holiday"_qs), saved);

        // Letter case makes another name; canonically equivalent spellings do not.
        engine->saveWorkflow(u"holiday"_qs);
        engine->saveWorkflow(composedCafe);
        engine->setOperation(0, caseStep(CaseType::camelCase));
        engine->saveWorkflow(decomposedCafe);
        QCOMPARE(engine->savedWorkflows().value(composedCafe), engine->operations());
        // Sorted by scalar value: code units would put the emoji's surrogates before U+FF21.
        QCOMPARE(engine->savedWorkflowNames(),
                 QStringList({composedCafe, u"Holiday"_qs, u"holiday"_qs, u"\uFF21"_qs,
                              u"\U0001F600 \"quoted\""_qs}));

        // After a relaunch.
        QCOMPARE(engineOn(stored)->savedWorkflows(), engine->savedWorkflows());
    }

    void renameWorkflow_data()
    {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::addColumn<bool>("replaces"); // asked before: does it replace another workflow

        QTest::newRow("to a new name")
            << u"Alpha"_qs << u"Gamma"_qs << QStringList{u"Beta"_qs, composedCafe, u"Gamma"_qs}
            << false;
        QTest::newRow("onto an existing name")
            << u"Alpha"_qs << u"Beta"_qs << QStringList{u"Beta"_qs, composedCafe} << true;
        QTest::newRow("to the same name decomposed")
            << composedCafe << decomposedCafe << QStringList{u"Alpha"_qs, u"Beta"_qs, composedCafe}
            << false;
        QTest::newRow("an unknown name")
            << u"Delta"_qs << u"Beta"_qs << QStringList{u"Alpha"_qs, u"Beta"_qs, composedCafe}
            << false;
    }

    void renameWorkflow()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(QStringList, namesAfter);
        QFETCH(bool, replaces);

        auto stored = std::make_shared<SharedPreferencesStore::Values>();
        auto engine = engineOn(stored);
        for (const QString &name : {u"Alpha"_qs, u"Beta"_qs, composedCafe}) {
            engine->setOperation(0, appendStep(u"_"_qs + name));
            engine->saveWorkflow(name);
        }
        const auto before = engine->savedWorkflows();
        const int writes = stored->writes;
        QCOMPARE(engine->renameReplacesWorkflow(oldName, newName), replaces);

        engine->renameWorkflow(oldName, newName);

        QCOMPARE(engine->savedWorkflows().keys(), namesAfter);
        const bool renamed = namesAfter != before.keys();
        // One write with the result: no moment on disk lacks the workflow.
        QCOMPARE(stored->writes - writes, renamed ? 1 : 0);
        if (renamed)
            QCOMPARE(engine->savedWorkflows().value(newName), before.value(oldName));
        QCOMPARE(engineOn(stored)->savedWorkflows(), engine->savedWorkflows());
    }

    void systemWorkflow_data()
    {
        QTest::addColumn<SystemWorkflow>("workflow");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("expected"); // on 5 December 2024

        QTest::newRow("photoOrganization")
            << SystemWorkflow::photoOrganization << QStringList{u"IMG 1234.JPG"_qs, u"b.png"_qs}
            << QStringList{u"20241205_img 1234 - 001.JPG"_qs, u"20241205_b - 002.png"_qs};
        QTest::newRow("webSafeNames")
            << SystemWorkflow::webSafeNames << QStringList{u"My Summer Photo.PNG"_qs}
            << QStringList{u"my-summer-photo.PNG"_qs};
        QTest::newRow("documentCleanup")
            << SystemWorkflow::documentCleanup << QStringList{u"  quarterly report .docx"_qs}
            << QStringList{u"Quarterly Report.docx"_qs};
        QTest::newRow("cleanAndNumber")
            << SystemWorkflow::cleanAndNumber << QStringList{u"a.jpg"_qs, u" b.png"_qs, u"c"_qs}
            << QStringList{u"001 - File.jpg"_qs, u"002 - File.png"_qs, u"003 - File"_qs};
    }

    void systemWorkflow()
    {
        QFETCH(SystemWorkflow, workflow);
        QFETCH(QStringList, files);
        QFETCH(QStringList, expected);

        // Midday, so that no time-zone rule moves it to another day.
        const auto steps =
            SystemWorkflows::operations(workflow, QDateTime(QDate(2024, 12, 5), QTime(12, 0)));
        for (qsizetype i = 0; i < files.size(); ++i)
            QCOMPARE(transformName(files[i], steps, i), expected[i]);
    }
};

BRISKLET_TEST(WorkflowTest)
#include "tst_workflows.moc"
