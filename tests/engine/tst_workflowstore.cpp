#include "testmain.h"

#include "enginetesthelpers.h"
#include "sharedpreferencesstore.h"
#include "workflows/settingspreferencesstore.h"
#include "workflows/workflowstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <sys/mount.h>

using namespace EngineTest;

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

QString warnings;

// The warnings logged while `run` runs, one a line.
QString warned(const std::function<void()> &run)
{
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
            warnings += text + u'\n';
        });
    run();
    qInstallMessageHandler(previous);
    return warnings;
}

// A small tmpfs of its own, so that a test can fill it or make it read-only.
class SmallMount {
public:
    explicit SmallMount(const QString &options)
    {
        const QByteArray path = QFile::encodeName(m_dir.path());
        m_mounted =
            ::mount("tmpfs", path.constData(), "tmpfs", 0, options.toUtf8().constData()) == 0;
    }
    ~SmallMount()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path(const QString &name) const { return m_dir.path() + u'/' + name; }
    bool setReadOnly(bool readOnly)
    {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, QFile::encodeName(m_dir.path()).constData(), nullptr, flags,
                       nullptr) == 0;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

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
    auto store = std::make_unique<MemoryPreferencesStore>();
    const QVariant value = onDisk(fileName).value(workflowsKey);
    if (value.isValid())
        (void)store->storeValue(workflowsKey, value);
    return RenameEngine(std::move(store), std::make_unique<PosixFileMover>()).savedWorkflowNames();
}

std::unique_ptr<RenameEngine> engineOnFile(const QString &fileName)
{
    return std::make_unique<RenameEngine>(std::make_unique<SettingsPreferencesStore>(fileName),
                                          std::make_unique<PosixFileMover>(), nullptr);
}

// The settings file of a launch that saved one workflow, "Old".
QByteArray settingsWithOldWorkflow()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"Brisklet.conf"_qs);
    {
        auto engine = engineOnFile(fileName);
        setStack(*engine, {appendStep(u"_old"_qs)});
        engine->saveWorkflow(u"Old"_qs);
    }
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class WorkflowStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The program's own settings file lies in this test's configuration folder.
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }

    // Names and texts come back exactly, U+FEFF at the start of a string included.
    void exactStrings()
    {
        const QString bom = u"\uFEFF"_qs;
        auto stored = std::make_shared<StoredPreferences>();
        auto store = storeOn(stored);
        RenameOperationWrapper step = appendStep(bom + u"x"_qs + bom);
        step.prependText = bom;
        step.regexPattern = bom + u"\\"_qs + bom + u"\""_qs;
        for (const QString &name : {QString(bom + u"Name"_qs), bom, u"Name"_qs})
            store->insert(name, {step});
        QCOMPARE(store->persist(), std::nullopt);
        QCOMPARE(storeOn(stored)->workflows(), store->workflows());

        // As written before: the mark inside strings, and one before a hand-edited document.
        QJsonObject record = step.toJson();
        const QByteArray raw =
            "\xEF\xBB\xBF" +
            QJsonDocument(QJsonObject{{bom + u"Old"_qs, QJsonArray{record}}}).toJson();
        QVERIFY(raw.count("\xEF\xBB\xBF") > 4);
        stored->values.insert(workflowsKey, raw);
        const auto relaunched = storeOn(stored);
        QCOMPARE(relaunched->names(), QStringList{bom + u"Old"_qs});
        QCOMPARE(relaunched->workflows().first(), QList{step});
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
        warned([&] { QCOMPARE(store->persist(), stored->failure); });
        QCOMPARE(stored->values, (QHash<QString, QVariant>{{workflowsKey, bytes}}));
        stored->failure.reset();
        const QString printed = warned([&] { QCOMPARE(store->persist(), std::nullopt); });

        const QStringList kept = SharedPreferencesStore::keptKeys(*stored);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(stored->values.value(kept.first()), bytes);
        QVERIFY2(printed.contains(kept.first()), qPrintable(printed));
        QCOMPARE(printed.count(u'\n'), 1);
        QCOMPARE(storeOn(stored)->workflows(), store->workflows());

        // Kept once; a value damaged later is kept beside it, never over it.
        QVERIFY(store->remove(u"New"_qs));
        QCOMPARE(store->persist(), std::nullopt);
        QCOMPARE(SharedPreferencesStore::keptKeys(*stored), kept);
        stored->values.insert(workflowsKey, QByteArray("{"));
        captured(stderr, [&] {
            auto later = storeOn(stored);
            later->insert(u"Newer"_qs, {});
            QCOMPARE(later->persist(), std::nullopt);
        });
        QCOMPARE(SharedPreferencesStore::keptKeys(*stored).size(), 2);
        QCOMPARE(stored->values.value(kept.first()), bytes);
    }

    // An unreadable value under the key is still there, unchanged, after the next save.
    void unreadableValueInTheFile_data()
    {
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("JSON as text") << QByteArray("SavedWorkflows=\"{\\\"A\\\":[]}\"");
        QTest::newRow("a list") << QByteArray("SavedWorkflows=a, b, c");
        QTest::newRow("truncated bytes") << QByteArray("SavedWorkflows=@ByteArray({\\\"Alp");
        QTest::newRow("text with NUL") << QByteArray("SavedWorkflows=ab\\0cd");
        QTest::newRow("a number") << QByteArray("SavedWorkflows=@Variant(\\0\\0\\0\\x2\\0\\0\\0*)");
    }

    void unreadableValueInTheFile()
    {
        QFETCH(QByteArray, line);

        QTemporaryDir dir;
        const QString fileName = dir.filePath(u"Brisklet.conf"_qs);
        QVERIFY(writeFile(fileName, "[General]\n" + line + "\nOther=kept\n"));
        const QVariant original = onDisk(fileName).value(workflowsKey);
        QVERIFY(original.isValid());

        auto engine = engineOnFile(fileName);
        QVERIFY(engine->savedWorkflows().isEmpty());
        QSignalSpy failures(engine.get(), &RenameEngine::workflowsNotSaved);
        captured(stderr, [&] { engine->saveWorkflow(u"New"_qs); });
        QCOMPARE(failures.size(), 0);

        const QVariantMap after = onDisk(fileName);
        QStringList kept = after.keys();
        kept.removeIf([](const QString &key) { return !key.startsWith(u"SavedWorkflows.unr"); });
        QCOMPARE(kept.size(), 1);
        QVERIFY(kept.first().startsWith(u"SavedWorkflows.unreadable-"_qs));
        QCOMPARE(after.value(kept.first()), original);
        QCOMPARE(after.value(u"Other"_qs), QVariant(u"kept"_qs));
        QCOMPARE(after.value(workflowsKey).typeId(), QMetaType::QByteArray);
        QCOMPARE(namesOnDisk(fileName), QStringList{u"New"_qs});
    }

    // A stored value with NUL bytes is unreadable (no JSON text holds one), so the next save
    // keeps all of it aside before writing, as for any other value that cannot be read. The
    // file is the program's own settings file under the user's configuration folder.
    void nulBytesInTheStoredValue_data()
    {
        QTest::addColumn<QByteArray>("before"); // inserted before the first of these bytes
        QTest::addColumn<bool>("raw");          // NUL bytes in the file as they are

        QTest::newRow("in a step's text") << QByteArray("_text7") << false;
        QTest::newRow("in a name") << QByteArray("ame 3") << false;
        QTest::newRow("between workflows") << QByteArray(",\"Name 5") << false;
        QTest::newRow("in a text, raw in the file") << QByteArray("_text7") << true;
    }

    void nulBytesInTheStoredValue()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, raw);

        const QString fileName = m_config.filePath(u"Brisklet/Brisklet.conf"_qs);
        // Nothing of this process may have settled on the user's real folder before.
        QCOMPARE(
            QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Brisklet"_qs, u"Brisklet"_qs)
                .fileName(),
            fileName);
        QVERIFY(QDir().mkpath(m_config.filePath(u"Brisklet"_qs)));
        QFile::remove(fileName);

        // About 3 KB of workflows, with NUL bytes in them.
        WorkflowStore::Workflows workflows;
        for (int i = 0; i < 10; ++i)
            workflows.insert(u"Name %1"_qs.arg(i),
                             {appendStep(u"_text%1"_qs.arg(i)), caseStep(CaseType::lowercase)});
        QByteArray value = WorkflowStore::encode(workflows);
        QVERIFY(value.size() > 3000);
        const qsizetype at = value.indexOf(before);
        QVERIFY(at > 0);
        value.insert(at, QByteArray(3, '\0'));
        {
            QSettings settings(fileName, QSettings::NativeFormat);
            settings.setValue(workflowsKey, value);
        }
        if (raw) {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray escaped = file.readAll();
            QVERIFY(escaped.contains("\\0\\0\\0"));
            QVERIFY(QFile::remove(fileName));
            QVERIFY(writeFile(fileName, QByteArray(escaped).replace("\\0", QByteArray(1, '\0'))));
        }
        QCOMPARE(onDisk(fileName).value(workflowsKey).toByteArray(), value);

        // As the program opens its settings.
        auto engine = std::make_unique<RenameEngine>(std::make_unique<SettingsPreferencesStore>(),
                                                     std::make_unique<PosixFileMover>(), nullptr);
        QVERIFY(engine->savedWorkflows().isEmpty());
        QSignalSpy failures(engine.get(), &RenameEngine::workflowsNotSaved);
        setStack(*engine, {appendStep(u"_new"_qs)});
        const QString printed = warned([&] { engine->saveWorkflow(u"New"_qs); });
        QCOMPARE(failures.size(), 0);

        const QVariantMap after = onDisk(fileName);
        QStringList kept = after.keys();
        kept.removeIf([](const QString &key) { return !key.startsWith(u"SavedWorkflows.unr"); });
        QCOMPARE(kept.size(), 1);
        QVERIFY2(printed.contains(kept.first()), qPrintable(printed));
        QCOMPARE(after.value(kept.first()).toByteArray(), value);
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

        SmallMount disk(u"size=64k"_qs);
        if (!disk.mounted() && cause != u"fileAsFolder")
            QSKIP("Mounting a small tmpfs is not allowed here (needs root).");
        const QString folder = disk.path(u"Brisklet"_qs);
        const QString fileName = folder + u"/Brisklet.conf"_qs;
        if (cause == u"fileAsFolder")
            QVERIFY(writeFile(folder, "a file where the folder goes"));
        else
            QVERIFY(QDir().mkpath(folder) && writeFile(fileName, settingsWithOldWorkflow()));
        const QVariant before = onDisk(fileName).value(workflowsKey);

        auto engine = engineOnFile(fileName);
        QSignalSpy failures(engine.get(), &RenameEngine::workflowsNotSaved);
        QList<RenameOperationWrapper> steps{appendStep(u"_new"_qs)};
        if (cause == u"fillsUp")
            steps.first().appendText = QString(40000, u'x');
        setStack(*engine, steps);

        const QString filler = disk.path(u"filler"_qs);
        if (cause == u"readOnly")
            QVERIFY(disk.setReadOnly(true));
        if (cause == u"full" || cause == u"fillsUp") {
            QFile fill(filler);
            QVERIFY(fill.open(QIODevice::WriteOnly));
            const qint64 leave = cause == u"full" ? 0 : 12 * 1024;
            while (fill.write(QByteArray(1024, 'f')) == 1024 && fill.flush()) {
            }
            fill.close();
            QVERIFY(QFile::resize(filler, qMax<qint64>(0, QFileInfo(filler).size() - leave)));
        }

        QVERIFY(!engine->saveWorkflow(u"New"_qs));
        QCOMPARE(failures.size(), 1);
        const QString said = failures.first().first().toString();
        QVERIFY2(said.contains(reason), qPrintable(said));
        QVERIFY(engine->hasSavedWorkflow(u"New"_qs));
        QCOMPARE(onDisk(fileName).value(workflowsKey), before);

        // The cause goes away; the next write carries every workflow.
        if (cause == u"readOnly")
            QVERIFY(disk.setReadOnly(false));
        if (cause == u"fileAsFolder")
            QVERIFY(QFile::remove(folder));
        QFile::remove(filler);
        setStack(*engine, {appendStep(u"_later"_qs)});
        QVERIFY(engine->saveWorkflow(u"Later"_qs));
        QCOMPARE(failures.size(), 1);
        QStringList expected{u"Later"_qs, u"New"_qs};
        if (cause != u"fileAsFolder")
            expected.append(u"Old"_qs);
        QCOMPARE(namesOnDisk(fileName), expected);
        QVERIFY(onDisk(fileName).value(workflowsKey).toByteArray().contains(QByteArray(40, 'x')) ==
                (cause == u"fillsUp"));
    }

private:
    QTemporaryDir m_config;
};

BRISKLET_TEST(WorkflowStoreTest)
#include "tst_workflowstore.moc"
