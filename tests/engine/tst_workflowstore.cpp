#include "testmain.h"

#include "enginetesthelpers.h"
#include "renameengine.h"
#include "settingspreferencesstore.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <memory>

#include <sys/mount.h>

using namespace EngineTest;

namespace {

const QString workflowsKey = u"SavedWorkflows"_qs;

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

// Every key and value as a later launch reads them from the disk. Every settings object of a
// process shares what it once read of a file, so the file is read through a copy.
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
    // An unreadable value under the key is still there, unchanged, after the next save.
    void unreadableValueInTheFile_data()
    {
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("text from a hand edit") << QByteArray("SavedWorkflows=my workflows");
        QTest::newRow("JSON as text") << QByteArray("SavedWorkflows=\"{\\\"A\\\":[]}\"");
        QTest::newRow("a list") << QByteArray("SavedWorkflows=a, b, c");
        QTest::newRow("truncated bytes") << QByteArray("SavedWorkflows=@ByteArray({\\\"Alp");
        QTest::newRow("text with NUL") << QByteArray("SavedWorkflows=ab\\0cd");
        QTest::newRow("a number") << QByteArray("SavedWorkflows=@Variant(\\0\\0\\0\\x2\\0\\0\\0*)");
        QTest::newRow("bytes that are not JSON") << QByteArray("SavedWorkflows=@ByteArray([1)");
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

    // A failed save is reported with its reason, keeps the workflows in memory and the disk
    // as it was; once the cause is gone the next save writes them all.
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
};

BRISKLET_TEST(WorkflowStoreTest)
#include "tst_workflowstore.moc"
