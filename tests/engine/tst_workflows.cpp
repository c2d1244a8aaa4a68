#include "testmain.h"

#include "enginetesthelpers.h"
#include "posixfilemover.h"
#include "preferencesstore.h"
#include "renameengine.h"
#include "systemworkflow.h"
#include "transformname.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace EngineTest;

namespace {

const QString composedCafe = u"Caf\u00e9"_qs;
const QString decomposedCafe = u"Cafe\u0301"_qs;

// What the preferences hold, shared by every engine built on it, as after a relaunch.
struct StoredPreferences {
    QHash<QString, QVariant> values;
    int writes = 0;
    // Every write fails with this reason while it is set, and changes nothing.
    std::optional<QString> failure;
};

class SharedPreferencesStore : public PreferencesStore {
public:
    explicit SharedPreferencesStore(std::shared_ptr<StoredPreferences> stored)
        : m_stored(std::move(stored))
    {
    }
    std::optional<QVariant> readValue(const QString &key) const override
    {
        return m_stored->values.contains(key) ? std::optional(m_stored->values.value(key))
                                              : std::nullopt;
    }
    std::optional<QString> storeValue(const QString &key, const QVariant &value) override
    {
        ++m_stored->writes;
        if (m_stored->failure)
            return m_stored->failure;
        m_stored->values.insert(key, value);
        return std::nullopt;
    }

private:
    std::shared_ptr<StoredPreferences> m_stored;
};

std::unique_ptr<RenameEngine> engineOn(const std::shared_ptr<StoredPreferences> &stored)
{
    return std::make_unique<RenameEngine>(std::make_unique<SharedPreferencesStore>(stored),
                                          std::make_unique<PosixFileMover>(), nullptr);
}

QStringList keptKeys(const StoredPreferences &stored)
{
    QStringList keys = stored.values.keys();
    keys.removeIf(
        [](const QString &key) { return !key.startsWith(u"SavedWorkflows.unreadable-"); });
    keys.sort();
    return keys;
}

} // namespace

class WorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveAndLoad()
    {
        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        // The preview never touches the disk, so the file need not exist.
        engine->addFiles({QUrl::fromLocalFile(u"/nonexistent/My File.txt"_qs)});
        const QList<RenameOperationWrapper> saved{caseStep(CaseType::uppercase),
                                                  appendStep(u"_v1"_qs)};
        setStack(*engine, saved);
        engine->saveWorkflow(u"Holiday"_qs);
        engine->saveWorkflow(u"\U0001F600 \"quoted\""_qs);
        engine->saveWorkflow(u"\uFF21"_qs);
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

    // Names and texts come back exactly, U+FEFF at the start of a string included.
    void exactStrings()
    {
        const QString bom = u"\uFEFF"_qs;
        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        RenameOperationWrapper step = appendStep(bom + u"x"_qs + bom);
        step.prependText = bom;
        step.regexPattern = bom + u"\\"_qs + bom + u"\""_qs;
        setStack(*engine, {step});
        for (const QString &name : {QString(bom + u"Name"_qs), bom, u"Name"_qs})
            engine->saveWorkflow(name);
        QCOMPARE(engineOn(stored)->savedWorkflows(), engine->savedWorkflows());

        // As written before: the mark as itself inside strings, and one in front of a
        // hand-edited document, outside any string.
        QJsonObject record = step.toJson();
        const QByteArray raw =
            "\xEF\xBB\xBF" +
            QJsonDocument(QJsonObject{{bom + u"Old"_qs, QJsonArray{record}}}).toJson();
        QVERIFY(raw.count("\xEF\xBB\xBF") > 4);
        stored->values.insert(u"SavedWorkflows"_qs, raw);
        const auto relaunched = engineOn(stored);
        QCOMPARE(relaunched->savedWorkflowNames(), QStringList{bom + u"Old"_qs});
        QCOMPARE(relaunched->savedWorkflows().first(), QList{step});
    }

    void renameWorkflow_data()
    {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QStringList>("namesAfter");

        QTest::newRow("to a new name")
            << u"Alpha"_qs << u"Gamma"_qs << QStringList{u"Beta"_qs, composedCafe, u"Gamma"_qs};
        QTest::newRow("onto an existing name")
            << u"Alpha"_qs << u"Beta"_qs << QStringList{u"Beta"_qs, composedCafe};
        QTest::newRow("to the same name decomposed")
            << composedCafe << decomposedCafe << QStringList{u"Alpha"_qs, u"Beta"_qs, composedCafe};
        QTest::newRow("an unknown name")
            << u"Delta"_qs << u"Gamma"_qs << QStringList{u"Alpha"_qs, u"Beta"_qs, composedCafe};
    }

    void renameWorkflow()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(QStringList, namesAfter);

        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        for (const QString &name : {u"Alpha"_qs, u"Beta"_qs, composedCafe}) {
            setStack(*engine, {appendStep(u"_"_qs + name)});
            engine->saveWorkflow(name);
        }
        const auto before = engine->savedWorkflows();
        const int writes = stored->writes;

        engine->renameWorkflow(oldName, newName);

        QCOMPARE(engine->savedWorkflows().keys(), namesAfter);
        const bool renamed = namesAfter != before.keys();
        // One write with the result: no moment on disk lacks the workflow.
        QCOMPARE(stored->writes - writes, renamed ? 1 : 0);
        if (renamed)
            QCOMPARE(engine->savedWorkflows().value(newName), before.value(oldName));
        QCOMPARE(engineOn(stored)->savedWorkflows(), engine->savedWorkflows());
    }

    void unreadableStoredValue_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("readable");

        QJsonObject record = caseStep(CaseType::titleCase).toJson();
        record.insert(u"caseType"_qs, u"titleCase"_qs); // the case name, not the raw value
        const QJsonObject damaged{{u"Good"_qs, QJsonArray{appendStep(u"_g"_qs).toJson()}},
                                  {u"Bad"_qs, QJsonArray{appendStep(u"_b"_qs).toJson(), record}}};
        QTest::newRow("one damaged record") << QJsonDocument(damaged).toJson() << 0;
        QTest::newRow("not JSON") << QByteArray(R"({"Alpha":[)") << 0;
        QTest::newRow("top level is an array") << QByteArray("[]") << 0;
        // Only one of two canonically equivalent names can be loaded.
        const QJsonObject equivalent{{composedCafe, QJsonArray{appendStep(u"_1"_qs).toJson()}},
                                     {decomposedCafe, QJsonArray{appendStep(u"_2"_qs).toJson()}}};
        QTest::newRow("canonically equivalent names") << QJsonDocument(equivalent).toJson() << 1;
    }

    void unreadableStoredValue()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, readable);

        auto stored = std::make_shared<StoredPreferences>();
        stored->values.insert(u"SavedWorkflows"_qs, bytes);
        auto engine = engineOn(stored);
        QCOMPARE(engine->savedWorkflows().size(), readable);
        // Reading, and changes that change nothing, write nothing.
        engine->loadWorkflow(u"Good"_qs);
        engine->renameWorkflow(u"Missing"_qs, u"Other"_qs);
        QCOMPARE(stored->writes, 0);

        const QString printed = captured(stderr, [&] { engine->saveWorkflow(u"New"_qs); });

        const QStringList kept = keptKeys(*stored);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(stored->values.value(kept.first()), bytes);
        QVERIFY2(printed.contains(kept.first()), qPrintable(printed));
        QCOMPARE(printed.count(u'\n'), 1);
        QCOMPARE(engineOn(stored)->savedWorkflows(), engine->savedWorkflows());

        // Kept once; a value damaged later is kept beside it, never over it.
        engine->deleteWorkflow(u"New"_qs);
        QCOMPARE(keptKeys(*stored), kept);
        stored->values.insert(u"SavedWorkflows"_qs, QByteArray("{"));
        captured(stderr, [&] { engineOn(stored)->saveWorkflow(u"Newer"_qs); });
        QCOMPARE(keptKeys(*stored).size(), 2);
        QCOMPARE(stored->values.value(kept.first()), bytes);
    }

    // A write that fails replaces nothing, is reported, and the next one writes it all.
    void failedWrite()
    {
        auto stored = std::make_shared<StoredPreferences>();
        const QVariant handEdited(u"my workflows"_qs);
        stored->values.insert(u"SavedWorkflows"_qs, handEdited);
        auto engine = engineOn(stored);
        QSignalSpy failures(engine.get(), &RenameEngine::workflowsNotSaved);

        stored->failure = u"The disk is full."_qs;
        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY(!engine->saveWorkflow(u"New"_qs));
        QCOMPARE(failures.size(), 2);
        QCOMPARE(failures.first().first().toString(), u"The disk is full."_qs);
        QCOMPARE(stored->values.keys(), QStringList{u"SavedWorkflows"_qs});
        QVERIFY(engine->hasSavedWorkflow(u"New"_qs));

        stored->failure.reset();
        captured(stderr, [&] { QVERIFY(engine->saveWorkflow(u"Second"_qs)); });
        QCOMPARE(failures.size(), 2);
        const QStringList kept = keptKeys(*stored);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(stored->values.value(kept.first()), handEdited);
        QCOMPARE(engineOn(stored)->savedWorkflowNames(), QStringList({u"New"_qs, u"Second"_qs}));
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
        const QList<RenameOperationWrapper> steps =
            SystemWorkflows::operations(workflow, QDateTime(QDate(2024, 12, 5), QTime(12, 0)));
        for (qsizetype i = 0; i < files.size(); ++i)
            QCOMPARE(transformName(files[i], steps, i), expected[i]);
    }
};

BRISKLET_TEST(WorkflowTest)
#include "tst_workflows.moc"
