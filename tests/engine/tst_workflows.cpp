#include "testregistry.h"

#include "stepbuilders.h"

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
#include <QSet>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace EngineTest;

namespace {

const QString storeKey = u"SavedWorkflows"_s;
const QString keptPrefix = u"SavedWorkflows.unreadable-"_s;

// What the preferences hold, shared by every engine built on it, as after a relaunch.
struct StoredPreferences {
    QHash<QString, QByteArray> values;
    int writes = 0;
};

class SharedPreferencesStore : public PreferencesStore {
public:
    explicit SharedPreferencesStore(std::shared_ptr<StoredPreferences> stored)
        : m_stored(std::move(stored))
    {
    }

    std::optional<QByteArray> readBytes(const QString &key) const override
    {
        const auto found = m_stored->values.constFind(key);
        if (found == m_stored->values.cend())
            return std::nullopt;
        return *found;
    }

    void storeBytes(const QString &key, const QByteArray &value) override
    {
        m_stored->values.insert(key, value);
        ++m_stored->writes;
    }

private:
    std::shared_ptr<StoredPreferences> m_stored;
};

std::unique_ptr<RenameEngine> engineOn(const std::shared_ptr<StoredPreferences> &stored)
{
    return std::make_unique<RenameEngine>(std::make_unique<SharedPreferencesStore>(stored),
                                          std::make_unique<PosixFileMover>(), nullptr);
}

// The workflows as the store holds them, each list as its records.
QMap<QString, QJsonArray> storedWorkflows(const StoredPreferences &stored)
{
    QMap<QString, QJsonArray> result;
    const QJsonObject object = QJsonDocument::fromJson(stored.values.value(storeKey)).object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        result.insert(it.key(), it.value().toArray());
    return result;
}

QMap<QString, QJsonArray> asRecords(const QMap<QString, QList<RenameOperationWrapper>> &workflows)
{
    QMap<QString, QJsonArray> result;
    for (auto it = workflows.cbegin(); it != workflows.cend(); ++it) {
        QJsonArray records;
        for (const RenameOperationWrapper &step : it.value())
            records.append(step.toJson());
        result.insert(it.key(), records);
    }
    return result;
}

QStringList keptKeys(const StoredPreferences &stored)
{
    QStringList keys;
    for (auto it = stored.values.cbegin(); it != stored.values.cend(); ++it) {
        if (it.key().startsWith(keptPrefix))
            keys.append(it.key());
    }
    keys.sort();
    return keys;
}

QByteArray validRecords()
{
    const QJsonObject object{{u"Alpha"_s, QJsonArray{appendStep(u"_a"_s).toJson()}}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A store whose "Good" workflow reads fine and whose "Bad" workflow has one damaged record.
QByteArray withOneDamagedRecord(const std::function<void(QJsonObject &)> &damage)
{
    QJsonObject bad = caseStep(CaseType::titleCase).toJson();
    damage(bad);
    const QJsonObject object{{u"Good"_s, QJsonArray{appendStep(u"_g"_s).toJson()}},
                             {u"Bad"_s, QJsonArray{appendStep(u"_b"_s).toJson(), bad}}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QList<QUrl> placeholderUrls(const QStringList &names)
{
    // The preview never touches the disk, so the files need not exist.
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(u"/nonexistent/brisklet-test/"_s + name));
    return urls;
}

QStringList newNames(const RenameEngine &engine)
{
    QStringList result;
    for (const FileItem &file : engine.files())
        result.append(file.newName);
    return result;
}

const QString composedCafe = u"Caf\u00e9"_s;
const QString decomposedCafe = u"Cafe\u0301"_s;

} // namespace

class WorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveAndLoadKeepIds()
    {
        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        engine->addFiles(placeholderUrls({u"My File.txt"_s}));
        const QList<RenameOperationWrapper> saved{caseStep(CaseType::uppercase),
                                                  appendStep(u"_v1"_s)};
        setStack(*engine, saved);
        engine->saveWorkflow(u"Holiday"_s);
        setStack(*engine, {appendStep(u"_other"_s)});
        QCOMPARE(newNames(*engine), QStringList{u"My File_other.txt"_s});
        const int writes = stored->writes;

        engine->loadWorkflow(u"Holiday"_s);
        QCOMPARE(engine->operations(), saved);
        QCOMPARE(newNames(*engine), QStringList{u"MY FILE_v1.txt"_s});

        // Editing the loaded stack leaves the saved copy alone, and loading again hands
        // out the same ids.
        RenameOperationWrapper edited = engine->operations().first();
        edited.caseType = CaseType::snakeCase;
        engine->setOperation(0, edited);
        QCOMPARE(engine->savedWorkflows().value(u"Holiday"_s), saved);
        engine->loadWorkflow(u"Holiday"_s);
        QCOMPARE(engine->operations(), saved);
        QCOMPARE(stored->writes, writes);
    }

    void loadUnknownNameChangesNothing()
    {
        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        engine->addFiles(placeholderUrls({u"a.txt"_s}));
        engine->saveWorkflow(u"Alpha"_s);
        // Set without a preview, so a stray preview would show in the new name.
        engine->setOperation(0, appendStep(u"_x"_s));
        const QList<RenameOperationWrapper> before = engine->operations();

        engine->loadWorkflow(u"alpha"_s);

        QCOMPARE(engine->operations(), before);
        QCOMPARE(newNames(*engine), QStringList{u"a.txt"_s});
    }

    void loadEmptyStoredWorkflow()
    {
        auto stored = std::make_shared<StoredPreferences>();
        stored->values.insert(storeKey, R"({"Empty":[]})");
        auto engine = engineOn(stored);
        engine->addFiles(placeholderUrls({u"a.txt"_s}));
        setStack(*engine, {appendStep(u"_x"_s)});

        engine->loadWorkflow(u"Empty"_s);

        QVERIFY(engine->operations().isEmpty());
        QCOMPARE(newNames(*engine), QStringList{u"a.txt"_s});
    }

    void saveTwiceKeepsTheSecond()
    {
        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        setStack(*engine, {appendStep(u"_1"_s)});
        engine->saveWorkflow(u"Alpha"_s);
        const QList<RenameOperationWrapper> second{appendStep(u"_2"_s),
                                                   caseStep(CaseType::uppercase)};
        setStack(*engine, second);

        engine->saveWorkflow(u"Alpha"_s);

        QCOMPARE(engine->savedWorkflows().size(), 1);
        QCOMPARE(engine->savedWorkflows().value(u"Alpha"_s), second);
        QCOMPARE(storedWorkflows(*stored), asRecords(engine->savedWorkflows()));
    }

    void renameWorkflow_data()
    {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::addColumn<bool>("written");

        const QString nfcName = composedCafe;
        QTest::newRow("to a new name")
            << u"Alpha"_s << u"Gamma"_s << QStringList{u"Beta"_s, nfcName, u"Gamma"_s} << true;
        QTest::newRow("onto an existing name")
            << u"Alpha"_s << u"Beta"_s << QStringList{u"Beta"_s, nfcName} << true;
        QTest::newRow("to a name differing in case")
            << u"Alpha"_s << u"alpha"_s << QStringList{u"Beta"_s, nfcName, u"alpha"_s} << true;
        QTest::newRow("to the same name")
            << u"Alpha"_s << u"Alpha"_s << QStringList{u"Alpha"_s, u"Beta"_s, nfcName} << false;
        QTest::newRow("to an empty name")
            << u"Alpha"_s << QString() << QStringList{u"Alpha"_s, u"Beta"_s, nfcName} << false;
        QTest::newRow("to the same name decomposed")
            << composedCafe << decomposedCafe << QStringList{u"Alpha"_s, u"Beta"_s, nfcName}
            << false;
        QTest::newRow("an unknown name")
            << u"Delta"_s << u"Gamma"_s << QStringList{u"Alpha"_s, u"Beta"_s, nfcName} << false;
    }

    void renameWorkflow()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(QStringList, namesAfter);
        QFETCH(bool, written);

        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        for (const QString &name : {u"Alpha"_s, u"Beta"_s, composedCafe}) {
            setStack(*engine, {appendStep(u"_"_s + name)});
            engine->saveWorkflow(name);
        }
        const QMap<QString, QList<RenameOperationWrapper>> before = engine->savedWorkflows();
        // The current stack plays no part.
        setStack(*engine, {caseStep(CaseType::camelCase)});
        const int writes = stored->writes;

        engine->renameWorkflow(oldName, newName);

        QCOMPARE(engine->savedWorkflows().keys(), namesAfter);
        QCOMPARE(stored->writes > writes, written);
        QCOMPARE(storedWorkflows(*stored), asRecords(engine->savedWorkflows()));
        if (written)
            QCOMPARE(engine->savedWorkflows().value(newName), before.value(oldName));
        else
            QCOMPARE(engine->savedWorkflows(), before);
    }

    void deleteWorkflow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("namesAfter");

        QTest::newRow("a saved name") << u"Alpha"_s << QStringList{u"Beta"_s};
        QTest::newRow("an unknown name") << u"Gamma"_s << QStringList{u"Alpha"_s, u"Beta"_s};
        QTest::newRow("a name differing in case")
            << u"alpha"_s << QStringList{u"Alpha"_s, u"Beta"_s};
    }

    void deleteWorkflow()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, namesAfter);

        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        engine->saveWorkflow(u"Alpha"_s);
        engine->saveWorkflow(u"Beta"_s);
        const int writes = stored->writes;

        engine->deleteWorkflow(name);

        QCOMPARE(engine->savedWorkflows().keys(), namesAfter);
        QCOMPARE(stored->writes, writes + 1);
        QCOMPARE(storedWorkflows(*stored).keys(), namesAfter);
    }

    void reloadInANewEngine()
    {
        auto stored = std::make_shared<StoredPreferences>();
        auto first = engineOn(stored);
        const QStringList names{u"Alpha"_s, u"alpha"_s, u"   "_s, composedCafe + u" ☕"_s,
                                u"with \"quotes\""_s};
        for (const QString &name : names) {
            setStack(*first, {appendStep(name), caseStep(CaseType::titleCase)});
            first->saveWorkflow(name);
        }
        const int writes = stored->writes;

        auto second = engineOn(stored);

        QCOMPARE(second->savedWorkflows(), first->savedWorkflows());
        QCOMPARE(second->savedWorkflows().size(), names.size());
        QCOMPARE(stored->writes, writes);
    }

    void storedForm()
    {
        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        setStack(*engine, {caseStep(CaseType::snakeCase), appendStep(u"_x"_s)});
        engine->saveWorkflow(composedCafe);
        setStack(*engine, {});
        engine->saveWorkflow(u"Empty"_s);

        QCOMPARE(stored->values.keys(), QStringList{storeKey});
        const QByteArray bytes = stored->values.value(storeKey);
        QVERIFY(!bytes.contains('\n'));
        QCOMPARE(QJsonDocument::fromJson(bytes).toJson(QJsonDocument::Compact), bytes);
        QVERIFY(bytes.contains(composedCafe.toUtf8()));

        const QSet<QString> allKeys{u"id"_s,
                                    u"mode"_s,
                                    u"findText"_s,
                                    u"replaceText"_s,
                                    u"caseSensitive"_s,
                                    u"replaceOccurrence"_s,
                                    u"appendText"_s,
                                    u"prependText"_s,
                                    u"beforeExtension"_s,
                                    u"sequenceBaseName"_s,
                                    u"sequenceStart"_s,
                                    u"sequencePadding"_s,
                                    u"sequenceLocation"_s,
                                    u"useOriginalName"_s,
                                    u"trimType"_s,
                                    u"trimCount"_s,
                                    u"trimPosition"_s,
                                    u"customCharacters"_s,
                                    u"caseType"_s,
                                    u"regexPattern"_s,
                                    u"regexReplacement"_s};
        QCOMPARE(allKeys.size(), 21);
        const QMap<QString, QJsonArray> workflows = storedWorkflows(*stored);
        QCOMPARE(workflows.keys(), (QStringList{composedCafe, u"Empty"_s}));
        QVERIFY(workflows.value(u"Empty"_s).isEmpty());
        const QJsonArray records = workflows.value(composedCafe);
        QCOMPARE(records.size(), 2);
        for (const QJsonValue &record : records) {
            const QStringList keys = record.toObject().keys();
            QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()), allKeys);
            const QString id = record.toObject().value(u"id"_s).toString();
            QCOMPARE(id, id.toUpper());
        }
        QCOMPARE(records.at(0).toObject().value(u"caseType"_s).toString(), u"snake_case"_s);
    }

    void damagedStoredValue_data()
    {
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("a record lacks a key") << withOneDamagedRecord(
            [](QJsonObject &record) { record.remove(u"regexReplacement"_s); });
        QTest::newRow("unknown enumeration value") << withOneDamagedRecord(
            [](QJsonObject &record) { record.insert(u"caseType"_s, u"titleCase"_s); });
        QTest::newRow("a bad id") << withOneDamagedRecord(
            [](QJsonObject &record) { record.insert(u"id"_s, u"not-a-uuid"_s); });
        QTest::newRow("not JSON") << validRecords().chopped(3);
        QTest::newRow("a list that is not an array") << QByteArray(R"({"Alpha":{}})");
        QTest::newRow("top level is an array") << QByteArray("[]");
    }

    void damagedStoredValue()
    {
        QFETCH(QByteArray, bytes);

        auto stored = std::make_shared<StoredPreferences>();
        stored->values.insert(storeKey, bytes);
        auto engine = engineOn(stored);
        QVERIFY(engine->savedWorkflows().isEmpty());
        QCOMPARE(stored->writes, 0);

        StreamCapture err(stderr);
        engine->saveWorkflow(u"New"_s);
        const QString printed = QString::fromLocal8Bit(err.finish());

        QCOMPARE(storedWorkflows(*stored).keys(), QStringList{u"New"_s});
        const QStringList kept = keptKeys(*stored);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(stored->values.value(kept.first()), bytes);
        QVERIFY2(printed.contains(kept.first()), qPrintable(printed));
        QCOMPARE(printed.count(u'\n'), 1);

        // Kept once: later writes have nothing left to keep.
        engine->saveWorkflow(u"Newer"_s);
        engine->deleteWorkflow(u"New"_s);
        QCOMPARE(keptKeys(*stored), kept);
        QCOMPARE(stored->values.value(kept.first()), bytes);
    }

    void equivalentStoredNamesAreKeptAside()
    {
        // Written by hand or by another program: "Café" twice, precomposed and decomposed.
        // Only one list can be loaded, so the stored value is kept aside before a write.
        const QJsonObject object{{u"Caf\u00e9"_s, QJsonArray{appendStep(u"_1"_s).toJson()}},
                                 {u"Cafe\u0301"_s, QJsonArray{appendStep(u"_2"_s).toJson()}}};
        const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact);
        auto stored = std::make_shared<StoredPreferences>();
        stored->values.insert(storeKey, bytes);
        auto engine = engineOn(stored);
        QCOMPARE(engine->savedWorkflows().size(), 1);

        StreamCapture err(stderr);
        engine->saveWorkflow(u"Other"_s);
        err.finish();
        const QStringList kept = keptKeys(*stored);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(stored->values.value(kept.first()), bytes);
    }

    void keptValuesAreNeverOverwritten()
    {
        auto stored = std::make_shared<StoredPreferences>();
        QList<QByteArray> damaged;
        for (int round = 0; round < 3; ++round) {
            damaged.append(validRecords().chopped(round + 1));
            stored->values.insert(storeKey, damaged.last());
            auto engine = engineOn(stored);
            QVERIFY(engine->savedWorkflows().isEmpty());
            StreamCapture err(stderr); // keeps the expected notices out of the test log
            engine->deleteWorkflow(u"Anything"_s);
        }

        const QStringList kept = keptKeys(*stored);
        QCOMPARE(kept.size(), 3);
        QList<QByteArray> keptValues;
        for (const QString &key : kept)
            keptValues.append(stored->values.value(key));
        for (const QByteArray &value : std::as_const(damaged))
            QVERIFY(keptValues.contains(value));
    }

    void readingWritesNothingUntilAChange()
    {
        auto stored = std::make_shared<StoredPreferences>();
        stored->values.insert(storeKey, "{");
        auto engine = engineOn(stored);
        engine->loadWorkflow(u"Alpha"_s);
        engine->loadSystemWorkflow(SystemWorkflow::webSafeNames);
        engine->renameWorkflow(u"Alpha"_s, u"Beta"_s);

        QCOMPARE(stored->writes, 0);
        QCOMPARE(stored->values.value(storeKey), QByteArray("{"));
        QVERIFY(keptKeys(*stored).isEmpty());
    }

    void workflowNames_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("count");

        QTest::newRow("letter case") << u"Alpha"_s << u"alpha"_s << 2;
        QTest::newRow("composed and decomposed") << composedCafe << decomposedCafe << 1;
        QTest::newRow("trailing space") << u"Alpha"_s << u"Alpha "_s << 2;
        QTest::newRow("only spaces") << u" "_s << u"  "_s << 2;
    }

    void workflowNames()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, count);

        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        const QList<RenameOperationWrapper> firstStack{appendStep(u"_1"_s)};
        const QList<RenameOperationWrapper> secondStack{appendStep(u"_2"_s)};
        setStack(*engine, firstStack);
        engine->saveWorkflow(first);
        setStack(*engine, secondStack);
        engine->saveWorkflow(second);

        QCOMPARE(engine->savedWorkflows().size(), count);
        engine->loadWorkflow(first);
        QCOMPARE(engine->operations(), count == 1 ? secondStack : firstStack);
        QCOMPARE(engineOn(stored)->savedWorkflows().size(), count);
    }

    void systemWorkflowMenu()
    {
        const QStringList expected{
            u"photoOrganization|Photo Organization|photo.stack.fill"_s,
            u"webSafeNames|Web-Safe Names|globe"_s,
            u"documentCleanup|Document Cleanup|doc.text.fill"_s,
            u"cleanAndNumber|Clean & Number|list.number"_s,
        };
        QStringList actual;
        for (SystemWorkflow workflow : SystemWorkflows::all) {
            actual.append(SystemWorkflows::rawValue(workflow) + u'|' +
                          SystemWorkflows::label(workflow) + u'|' +
                          SystemWorkflows::iconName(workflow));
        }
        QCOMPARE(actual, expected);
    }

    void photoDatePrefix_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("prefix");

        QTest::newRow("5 December 2024") << QDate(2024, 12, 5) << u"20241205_"_s;
        QTest::newRow("6 December 2024") << QDate(2024, 12, 6) << u"20241206_"_s;
        QTest::newRow("leap day") << QDate(2000, 2, 29) << u"20000229_"_s;
        QTest::newRow("new year") << QDate(2025, 1, 1) << u"20250101_"_s;
    }

    void photoDatePrefix()
    {
        QFETCH(QDate, date);
        QFETCH(QString, prefix);

        // Midday, so that no time-zone rule moves it to another day.
        const QDateTime moment(date, QTime(12, 0));
        const QList<RenameOperationWrapper> steps =
            SystemWorkflows::operations(SystemWorkflow::photoOrganization, moment);
        QCOMPARE(steps.size(), 4);
        QCOMPARE(steps.first().mode, RenameMode::prepend);
        QCOMPARE(steps.first().prependText, prefix);
    }

    void loadSystemWorkflow_data()
    {
        QTest::addColumn<SystemWorkflow>("workflow");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("expected"); // on 5 December 2024

        QTest::newRow("photoOrganization")
            << SystemWorkflow::photoOrganization << 4 << QStringList{u"IMG 1234.JPG"_s, u"b.png"_s}
            << QStringList{u"20241205_img 1234 - 001.JPG"_s, u"20241205_b - 002.png"_s};
        QTest::newRow("webSafeNames")
            << SystemWorkflow::webSafeNames << 2 << QStringList{u"My Summer Photo.PNG"_s}
            << QStringList{u"my-summer-photo.PNG"_s};
        QTest::newRow("documentCleanup")
            << SystemWorkflow::documentCleanup << 2 << QStringList{u"  quarterly report .docx"_s}
            << QStringList{u"Quarterly Report.docx"_s};
        QTest::newRow("cleanAndNumber")
            << SystemWorkflow::cleanAndNumber << 2
            << QStringList{u"a.jpg"_s, u"b.png"_s, u"c.txt"_s}
            << QStringList{u"001 - File.jpg"_s, u"002 - File.png"_s, u"003 - File.txt"_s};
        QTest::newRow("cleanAndNumber, second position")
            << SystemWorkflow::cleanAndNumber << 2 << QStringList{u"a.png"_s, u" holiday.jpg"_s}
            << QStringList{u"001 - File.png"_s, u"002 - File.jpg"_s};
        QTest::newRow("cleanAndNumber, no extension")
            << SystemWorkflow::cleanAndNumber << 2 << QStringList{u"notes"_s}
            << QStringList{u"001 - File"_s};
    }

    void loadSystemWorkflow()
    {
        QFETCH(SystemWorkflow, workflow);
        QFETCH(int, steps);
        QFETCH(QStringList, files);
        QFETCH(QStringList, expected);

        const QDateTime fixedDay(QDate(2024, 12, 5), QTime(12, 0));
        const QList<RenameOperationWrapper> fixed = SystemWorkflows::operations(workflow, fixedDay);
        for (qsizetype i = 0; i < files.size(); ++i)
            QCOMPARE(transformName(files[i], fixed, i), expected[i]);

        auto stored = std::make_shared<StoredPreferences>();
        auto engine = engineOn(stored);
        engine->addFiles(placeholderUrls(files));
        setStack(*engine, {appendStep(u"_1"_s), appendStep(u"_2"_s), appendStep(u"_3"_s)});
        engine->saveWorkflow(u"Mine"_s);
        const auto saved = engine->savedWorkflows();
        const int writes = stored->writes;

        const QString dayBefore = SystemWorkflows::datePrefix(QDateTime::currentDateTime());
        engine->loadSystemWorkflow(workflow);
        const QString dayAfter = SystemWorkflows::datePrefix(QDateTime::currentDateTime());

        QCOMPARE(engine->operations().size(), steps);
        QSet<QUuid> ids;
        for (const RenameOperationWrapper &step : engine->operations())
            ids.insert(step.id);
        QCOMPARE(ids.size(), steps);
        for (const RenameOperationWrapper &step : saved.value(u"Mine"_s))
            QVERIFY(!ids.contains(step.id));

        QStringList today = expected;
        if (workflow == SystemWorkflow::photoOrganization) {
            const QString prefix = engine->operations().first().prependText;
            QVERIFY2(prefix == dayBefore + u'_' || prefix == dayAfter + u'_', qPrintable(prefix));
            today.replaceInStrings(u"20241205_"_s, prefix);
        }
        QCOMPARE(newNames(*engine), today);
        QCOMPARE(statusLetters(engine->files()), QString(files.size(), u'P'));

        QCOMPARE(engine->savedWorkflows(), saved);
        QCOMPARE(stored->writes, writes);

        // Loading again builds a fresh list.
        engine->loadSystemWorkflow(workflow);
        for (const RenameOperationWrapper &step : engine->operations())
            QVERIFY(!ids.contains(step.id));
    }
};

BRISKLET_TEST(WorkflowTest)
#include "tst_workflows.moc"
