#include "testmain.h"

#include "enginetesthelpers.h"
#include "sharedpreferencesstore.h"
#include "testmount.h"
#include "workflows/settingspreferencesstore.h"
#include "workflows/workflowstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryFile>

#include <algorithm>
#include <iterator>

using namespace EngineTest;

Q_DECLARE_METATYPE(RenameOperationWrapper)

namespace {

const QString workflowsKey = u"SavedWorkflows"_qs;
const QString composedCafe = u"Caf\u00e9"_qs;
const QString decomposedCafe = u"Cafe\u0301"_qs;

using StoredPreferences = SharedPreferencesStore::Values;

// A store on the shared values, read as at a launch.
std::unique_ptr<WorkflowStore> storeOn(const std::shared_ptr<StoredPreferences> &stored)
{
    auto store = std::make_unique<WorkflowStore>(std::make_unique<SharedPreferencesStore>(stored));
    store->load();
    return store;
}

// The warning that names the key an unreadable value was kept under, expected once.
void expectKeptAside()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"kept unchanged under the settings key "
                                                          u"\"SavedWorkflows\\.unreadable-"_qs));
}

// Every key and value as a later launch reads them: through a copy, as settings cache files.
QVariantMap onDisk(const QString &fileName)
{
    QFile file(fileName);
    QTemporaryFile copy;
    if (!file.open(QIODevice::ReadOnly) || !copy.open() || copy.write(file.readAll()) < 0 ||
        !copy.flush())
        return {};
    const QSettings settings(copy.fileName(), QSettings::NativeFormat);
    QVariantMap values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

// The workflow names a later launch finds in the file.
QStringList namesOnDisk(const QString &fileName)
{
    bool merged = false;
    return WorkflowStore::decode(onDisk(fileName).value(workflowsKey).toByteArray(), &merged)
        .value_or(WorkflowStore::Workflows())
        .keys();
}

std::unique_ptr<RenameEngine> engineOnFile(const QString &fileName)
{
    return std::make_unique<RenameEngine>(std::make_unique<SettingsPreferencesStore>(fileName),
                                          std::make_unique<PosixFileMover>(), nullptr);
}

// The line the settings writer gives the value in the file.
QByteArray settingsLine(const QByteArray &value)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"Brisklet.conf"_qs);
    QSettings(fileName, QSettings::NativeFormat).setValue(workflowsKey, value);
    QFile file(fileName);
    const QByteArray written = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return written.mid(written.indexOf("SavedWorkflows=")).trimmed();
}

// About 3 KB of workflows, with NUL bytes inserted before the first of these bytes.
QByteArray withNulBytes(const QByteArray &before)
{
    WorkflowStore::Workflows workflows;
    for (int i = 0; i < 10; ++i)
        workflows.insert(u"Name %1"_qs.arg(i),
                         {appendStep(u"_text%1"_qs.arg(i)), caseStep(CaseType::lowercase)});
    QByteArray value = WorkflowStore::encode(workflows);
    return value.insert(value.indexOf(before), QByteArray(3, '\0'));
}

} // namespace

class WorkflowStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The program's own settings file lies in this test's configuration folder.
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        QVERIFY(QDir().mkpath(m_config.filePath(u"Brisklet"_qs)));
    }

    // Stored workflows load exactly, also as earlier versions wrote them (U+FEFF raw inside
    // strings, a byte-order mark before a hand-edited document), and come back exactly from
    // the next save; what this version writes is pinned byte for byte where `exact`.
    void storedWorkflowsLoadExactly_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("name");
        QTest::addColumn<RenameOperationWrapper>("step");
        QTest::addColumn<bool>("exact");

        // Every field away from its default; the start is not representable as a double.
        RenameOperationWrapper every{QUuid(u"6F1C1F44-5F38-4A0E-9A55-0B6B8A5D1C2E"_qs),
                                     RenameMode::trim,
                                     u"f\u00e9"_qs,
                                     u"r"_qs,
                                     true,
                                     ReplaceOccurrence::last,
                                     u"a"_qs,
                                     u"p"_qs,
                                     false,
                                     u"Base"_qs,
                                     -9007199254740993,
                                     0,
                                     SequenceLocation::before,
                                     true,
                                     TrimType::characterCount,
                                     7,
                                     TrimPosition::both,
                                     u"_-"_qs,
                                     CaseType::titleCase,
                                     u"(\\d+)"_qs,
                                     u"$1"_qs};
        RenameOperationWrapper info = every;
        info.mode = RenameMode::fileInfo;
        info.infoField = FileInfoField::trackNumber;
        info.infoDateFormat = u"dd.MM.yy"_qs;
        info.infoPlacement = InfoPlacement::instead;
        info.infoSeparator = u" - "_qs;
        info.infoWhenMissing = MissingInfo::useDateModified;
        const QByteArray written =
            QByteArray("{\"Name\":[{\"appendText\":\"a\",\"beforeExtension\":false,"
                       "\"caseSensitive\":true,\"caseType\":\"Title Case\","
                       "\"customCharacters\":\"_-\",\"findText\":\"f\xc3\xa9\","
                       "\"id\":\"6F1C1F44-5F38-4A0E-9A55-0B6B8A5D1C2E\","
                       "\"infoDateFormat\":\"dd.MM.yy\",\"infoField\":\"trackNumber\","
                       "\"infoPlacement\":\"instead\",\"infoSeparator\":\" - \","
                       "\"infoWhenMissing\":\"useDateModified\",\"mode\":\"fileInfo\","
                       "\"prependText\":\"p\",\"regexPattern\":\"(\\\\d+)\","
                       "\"regexReplacement\":\"$1\",\"replaceOccurrence\":\"last\","
                       "\"replaceText\":\"r\",\"sequenceBaseName\":\"Base\","
                       "\"sequenceLocation\":\"before\",\"sequencePadding\":0,"
                       "\"sequenceStart\":-9007199254740993,\"trimCount\":7,"
                       "\"trimPosition\":\"both\",\"trimType\":\"characterCount\","
                       "\"useOriginalName\":true}]}");
        // The same record as written before the file-info step had fields.
        QTest::newRow("a record written before the file-info step")
            << QByteArray(written).replace(
                   R"("infoDateFormat":"dd.MM.yy","infoField":"trackNumber",)"
                   R"("infoPlacement":"instead","infoSeparator":" - ",)"
                   R"("infoWhenMissing":"useDateModified","mode":"fileInfo")",
                   R"("mode":"trim")")
            << u"Name"_qs << every << false;
        QTest::newRow("every field away from its default") << written << u"Name"_qs << info << true;
        const QString bom = u"\uFEFF"_qs;
        RenameOperationWrapper marks = appendStep(bom + u"x"_qs + bom);
        marks.prependText = bom;
        marks.regexPattern = bom + u"\\"_qs + bom + u"\""_qs;
        const QJsonArray records{marks.toJson()};
        QTest::newRow("U+FEFF raw in strings and before the document")
            << "\xEF\xBB\xBF" + QJsonDocument(QJsonObject{{bom + u"Old"_qs, records}}).toJson()
            << bom + u"Old"_qs << marks << false;
        QTest::newRow("a name that is only U+FEFF")
            << QJsonDocument(QJsonObject{{bom, records}}).toJson() << bom << marks << false;
    }

    void storedWorkflowsLoadExactly()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, name);
        QFETCH(RenameOperationWrapper, step);
        QFETCH(bool, exact);

        auto values = std::make_shared<StoredPreferences>();
        values->values.insert(workflowsKey, stored);
        const auto loaded = storeOn(values);
        QCOMPARE(loaded->names(), QStringList{name});
        QCOMPARE(loaded->workflows().first(), QList{step});
        QCOMPARE(loaded->persist(), std::nullopt);
        QCOMPARE(values->values.value(workflowsKey).toByteArray() == stored, exact);
        QCOMPARE(storeOn(values)->workflows(), loaded->workflows());
    }

    // A record is read strictly; keys it does not know are ignored.
    void strictReading_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // undefined = key removed
        QTest::addColumn<bool>("accepted");

        QTest::newRow("missing key")
            << u"regexReplacement"_qs << QJsonValue(QJsonValue::Undefined) << false;
        QTest::newRow("case name instead of raw value")
            << u"caseType"_qs << QJsonValue(u"titleCase"_qs) << false;
        QTest::newRow("unknown mode") << u"mode"_qs << QJsonValue(u"rotate"_qs) << false;
        QTest::newRow("bool as number") << u"caseSensitive"_qs << QJsonValue(1) << false;
        QTest::newRow("number as text") << u"sequenceStart"_qs << QJsonValue(u"1"_qs) << false;
        QTest::newRow("fractional number") << u"trimCount"_qs << QJsonValue(1.5) << false;
        QTest::newRow("braced uuid")
            << u"id"_qs << QJsonValue(u"{6F1C1F44-5F38-4A0E-9A55-0B6B8A5D1C2E}"_qs) << false;
        QTest::newRow("lower-case uuid")
            << u"id"_qs << QJsonValue(u"6f1c1f44-5f38-4a0e-9a55-0b6b8a5d1c2e"_qs) << true;
        QTest::newRow("whole number as double") << u"trimCount"_qs << QJsonValue(3.0) << true;
        QTest::newRow("unknown extra key") << u"color"_qs << QJsonValue(u"blue"_qs) << true;
        QTest::newRow("unknown file info")
            << u"infoField"_qs << QJsonValue(u"lensModel"_qs) << false;
        QTest::newRow("one file-info key missing")
            << u"infoSeparator"_qs << QJsonValue(QJsonValue::Undefined) << false;
    }

    void strictReading()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(bool, accepted);
        QJsonObject object = RenameOperationWrapper().toJson();
        if (value.isUndefined())
            object.remove(key);
        else
            object.insert(key, value);
        QCOMPARE(RenameOperationWrapper::fromJson(object).has_value(), accepted);
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

    // What cannot be read in full is kept aside, once, before the first write that succeeds.
    void unreadableStoredValue()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, readable);

        auto stored = std::make_shared<StoredPreferences>();
        stored->values.insert(workflowsKey, bytes);
        auto store = storeOn(stored);
        QCOMPARE(store->workflows().size(), readable);
        bool merged = false;
        QCOMPARE(WorkflowStore::decode(bytes, &merged).has_value(), readable > 0);
        QCOMPARE(merged, readable > 0);
        // Reading, and changes that change nothing, write nothing.
        QVERIFY(!store->rename(u"Missing"_qs, u"Other"_qs));
        QCOMPARE(stored->writes, 0);

        store->insert(u"New"_qs, {appendStep(u"_n"_qs)});
        // A failed write keeps nothing aside, and the next one still does.
        stored->failure = u"The disk is full."_qs;
        QCOMPARE(store->persist(), stored->failure);
        QCOMPARE(stored->values, (QHash<QString, QVariant>{{workflowsKey, bytes}}));
        stored->failure.reset();
        expectKeptAside();
        QCOMPARE(store->persist(), std::nullopt);
        const QStringList kept = SharedPreferencesStore::keptKeys(*stored);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(stored->values.value(kept.first()), bytes);
        QCOMPARE(storeOn(stored)->workflows(), store->workflows());

        // Kept once; a value damaged later is kept beside it, never over it.
        QVERIFY(store->remove(u"New"_qs));
        QCOMPARE(store->persist(), std::nullopt);
        QCOMPARE(SharedPreferencesStore::keptKeys(*stored), kept);
        stored->values.insert(workflowsKey, QByteArray("{"));
        auto later = storeOn(stored);
        later->insert(u"Newer"_qs, {});
        expectKeptAside();
        QCOMPARE(later->persist(), std::nullopt);
        QCOMPARE(SharedPreferencesStore::keptKeys(*stored).size(), 2);
        QCOMPARE(stored->values.value(kept.first()), bytes);
    }

    // An unreadable value in the program's own settings file is still there, unchanged, after
    // the next save. A value with NUL bytes is unreadable too (no JSON text holds one).
    void unreadableValueInTheFile_data()
    {
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("JSON as text") << QByteArray("SavedWorkflows=\"{\\\"A\\\":[]}\"");
        QTest::newRow("a list") << QByteArray("SavedWorkflows=a, b, c");
        QTest::newRow("truncated bytes") << QByteArray("SavedWorkflows=@ByteArray({\\\"Alp");
        QTest::newRow("text with NUL") << QByteArray("SavedWorkflows=ab\\0cd");
        QTest::newRow("a number") << QByteArray("SavedWorkflows=@Variant(\\0\\0\\0\\x2\\0\\0\\0*)");
        QTest::newRow("NUL in a step's text") << settingsLine(withNulBytes("_text7"));
        QTest::newRow("NUL in a text, raw in the file")
            << settingsLine(withNulBytes("_text7")).replace("\\0", QByteArray(1, '\0'));
    }

    void unreadableValueInTheFile()
    {
        QFETCH(QByteArray, line);

        const QString fileName = m_config.filePath(u"Brisklet/Brisklet.conf"_qs);
        QFile::remove(fileName);
        QVERIFY(writeFile(fileName, "[General]\n" + line + "\nOther=kept\n"));
        const QVariant original = onDisk(fileName).value(workflowsKey);
        QVERIFY(original.isValid());

        // As the program opens its settings.
        auto engine = std::make_unique<RenameEngine>(std::make_unique<SettingsPreferencesStore>(),
                                                     std::make_unique<PosixFileMover>(), nullptr);
        QVERIFY(engine->savedWorkflows().isEmpty());
        expectKeptAside();
        QVERIFY(engine->saveWorkflow(u"New"_qs));

        const QVariantMap after = onDisk(fileName);
        QStringList kept;
        std::copy_if(
            after.keyBegin(), after.keyEnd(), std::back_inserter(kept),
            [](const QString &key) { return key.contains(u"SavedWorkflows.unreadable-"_qs); });
        QCOMPARE(kept.size(), 1);
        QCOMPARE(after.value(kept.first()), original);
        QCOMPARE(after.value(u"Other"_qs), QVariant(u"kept"_qs));
        QCOMPARE(after.value(workflowsKey).typeId(), QMetaType::QByteArray);
        QCOMPARE(namesOnDisk(fileName), QStringList{u"New"_qs});
    }

    // A failed save says why and keeps memory and disk as they were; the next save writes all.
    void failedSave_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("reason");

        QTest::newRow("read-only folder") << u"readOnly"_qs << u"Read-only file system"_qs;
        QTest::newRow("folder is a file") << u"fileAsFolder"_qs << u"is a file, not a folder"_qs;
        QTest::newRow("full disk") << u"full"_qs << u"No space left on device"_qs;
        // The settings writer reports success for this one.
        QTest::newRow("disk fills while writing") << u"fillsUp"_qs << u"No space left on device"_qs;
    }

    void failedSave()
    {
        QFETCH(QString, cause);
        QFETCH(QString, reason);

        QTemporaryDir where;
        TestMount::Mount disk;
        if (const QString problem = disk.mount(TestMount::Kind::smallTmpfs, where.path());
            !problem.isEmpty())
            QSKIP(qPrintable(problem));
        const QString folder = disk.mountPoint + u"/Brisklet"_qs;
        const QString fileName = folder + u"/Brisklet.conf"_qs;
        QVERIFY(QDir().mkpath(folder) && engineOnFile(fileName)->saveWorkflow(u"Old"_qs));
        auto engine = engineOnFile(fileName);
        QSignalSpy failures(engine.get(), &RenameEngine::workflowsNotSaved);
        setStack(*engine, {appendStep(cause == u"fillsUp" ? QString(40000, u'x') : u"_new"_qs)});
        if (cause == u"fileAsFolder")
            QVERIFY(QDir(folder).removeRecursively() && writeFile(folder, "not a folder"));
        if (cause == u"readOnly")
            QVERIFY(disk.setReadOnly(true));
        if (cause == u"full" || cause == u"fillsUp")
            QVERIFY(disk.fill(cause == u"full" ? 0 : 12 * 1024));
        const QVariant before = onDisk(fileName).value(workflowsKey);

        QVERIFY(!engine->saveWorkflow(u"New"_qs));
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().first().toString().contains(reason),
                 qPrintable(failures.first().first().toString()));
        QVERIFY(engine->hasSavedWorkflow(u"New"_qs));
        QCOMPARE(onDisk(fileName).value(workflowsKey), before);

        // The cause goes away; the next write carries every workflow.
        QVERIFY(disk.setReadOnly(false));
        QFile::remove(folder);
        QFile::remove(disk.mountPoint + u"/filler"_qs);
        setStack(*engine, {appendStep(u"_later"_qs)});
        QVERIFY(engine->saveWorkflow(u"Later"_qs));
        QCOMPARE(namesOnDisk(fileName), (QStringList{u"Later"_qs, u"New"_qs, u"Old"_qs}));
        QCOMPARE(onDisk(fileName).value(workflowsKey).toByteArray().contains(QByteArray(40, 'x')),
                 cause == u"fillsUp");
    }

private:
    QTemporaryDir m_config;
};

BRISKLET_TEST(WorkflowStoreTest)
#include "tst_workflowstore.moc"
