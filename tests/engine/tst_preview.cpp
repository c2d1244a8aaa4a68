#include "testregistry.h"

#include "stepbuilders.h"

#include "memorypreferencesstore.h"
#include "posixfilemover.h"
#include "renameengine.h"

#include <QSignalSpy>
#include <QTest>

namespace {

std::unique_ptr<RenameEngine> makeEngine()
{
    return std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                          std::make_unique<PosixFileMover>());
}

QList<QUrl> urlsFor(const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(u"/tmp/brisklet-preview/"_qs + name));
    return urls;
}

const QString invalidCharacters = u"Contains invalid characters (: / \\)"_qs;
const QString emptyName = u"Filename cannot be empty"_qs;
const QString duplicate = u"Duplicate filename"_qs;

} // namespace

using Statuses = QList<RenameStatus>;

class PreviewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshEngine()
    {
        const auto engine = makeEngine();
        QCOMPARE(engine->operations().size(), 1);
        RenameOperationWrapper defaults;
        defaults.id = engine->operations().first().id;
        QVERIFY(engine->operations().first() == defaults);
        QVERIFY(engine->files().isEmpty());
        QVERIFY(!engine->hasPendingFiles());
        QVERIFY(!engine->hasChanges());
        QCOMPARE(engine->conflictCount(), 0);
        QCOMPARE(engine->errorCount(), 0);
        QVERIFY(!engine->canUndo());
    }

    void validation_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<Statuses>("statuses");
        QTest::addColumn<QStringList>("messages");

        const auto P = RenameStatus::pending;
        const auto C = RenameStatus::conflict;
        const auto E = RenameStatus::error;
        QTest::newRow("colon") << QStringList{u"a.txt"_qs} << u"^a"_qs << u"a:b"_qs << Statuses{E}
                               << QStringList{invalidCharacters};
        QTest::newRow("backslash") << QStringList{u"a.txt"_qs} << u"^a"_qs << u"a\\\\b"_qs
                                   << Statuses{E} << QStringList{invalidCharacters};
        QTest::newRow("only spaces") << QStringList{u"a"_qs} << u"^a$"_qs << u"   "_qs
                                     << Statuses{E} << QStringList{emptyName};
        QTest::newRow("only a tab") << QStringList{u"a"_qs} << u"^a$"_qs << u"\t"_qs << Statuses{E}
                                    << QStringList{emptyName};
        QTest::newRow("ideographic space") << QStringList{u"a"_qs} << u"^a$"_qs << u"\u3000"_qs
                                           << Statuses{E} << QStringList{emptyName};
        QTest::newRow("line break is not white space")
            << QStringList{u"a"_qs} << u"^a$"_qs << u"\n"_qs << Statuses{P}
            << QStringList{QString()};
        QTest::newRow("colon wins over empty") << QStringList{u"a"_qs} << u"^a$"_qs << u" : "_qs
                                               << Statuses{E} << QStringList{invalidCharacters};
        QTest::newRow("errors never conflict")
            << QStringList{u"x1"_qs, u"x2"_qs} << u"^.*$"_qs << u"a:b"_qs << Statuses{E, E}
            << QStringList{invalidCharacters, invalidCharacters};
        QTest::newRow("three of a kind")
            << QStringList{u"a"_qs, u"b"_qs, u"c"_qs} << u"^.*$"_qs << u"File.txt"_qs
            << Statuses{C, C, C} << QStringList{duplicate, duplicate, duplicate};
        QTest::newRow("case distinguishes")
            << QStringList{u"A.txt"_qs, u"a.txt"_qs} << QString() << QString() << Statuses{P, P}
            << QStringList{QString(), QString()};
        QTest::newRow("canonical equivalence")
            << QStringList{u"Caf\u00e9.txt"_qs, u"Cafe\u0301.txt"_qs} << QString() << QString()
            << Statuses{C, C} << QStringList{duplicate, duplicate};
        QTest::newRow("dot file is valid") << QStringList{u".png"_qs} << QString() << QString()
                                           << Statuses{P} << QStringList{QString()};
        QTest::newRow("same url twice")
            << QStringList{u"a.txt"_qs, u"a.txt"_qs} << QString() << QString() << Statuses{C, C}
            << QStringList{duplicate, duplicate};
    }

    void validation()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(Statuses, statuses);
        QFETCH(QStringList, messages);

        const auto engine = makeEngine();
        engine->setOperation(0, regexStep(pattern, replacement));
        engine->addFiles(urlsFor(names));
        QCOMPARE(engine->files().size(), names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            const FileItem &item = engine->files().at(i);
            QCOMPARE(item.status, statuses.at(i));
            QCOMPARE(item.errorMessage.value_or(QString()), messages.at(i));
        }
    }

    void removingDuplicatesClearsConflict()
    {
        const auto engine = makeEngine();
        engine->setOperation(0, regexStep(u"^.*$"_qs, u"File.txt"_qs));
        engine->addFiles(urlsFor({u"a"_qs, u"b"_qs, u"c"_qs}));
        QCOMPARE(engine->conflictCount(), 3);
        engine->toggleSelection(engine->files().at(0).id);
        engine->toggleSelection(engine->files().at(2).id);
        engine->removeSelectedFiles();
        QCOMPARE(engine->files().size(), 1);
        QCOMPARE(engine->files().first().originalName, u"b"_qs);
        QCOMPARE(engine->files().first().status, RenameStatus::pending);
        QVERIFY(engine->selectedFiles().isEmpty());
    }

    void sequenceFollowsListPosition()
    {
        const auto engine = makeEngine();
        RenameOperationWrapper step;
        step.mode = RenameMode::sequence;
        engine->setOperation(0, step);
        engine->addFiles(urlsFor({u"a:b.jpg"_qs, u"x.jpg"_qs}));
        engine->updatePreview();
        QCOMPARE(engine->files().at(1).newName, u"File - 02.jpg"_qs);
    }

    void runawayPatternIsDroppedForTheRestOfTheList()
    {
        // After a few names where the pattern runs out of time, it is not tried again in
        // the same recomputation, even on a name where it would be quick.
        const auto engine = makeEngine();
        engine->setOperation(0, regexStep(u"(a+)+$|!"_qs, u"x"_qs));
        const QString slow = QString(40, u'a') + u'!';
        engine->addFiles(urlsFor({slow, slow, slow, u"quick!"_qs}));
        for (const FileItem &item : engine->files())
            QCOMPARE(item.newName, item.originalName);
        engine->clearAll();
        engine->addFiles(urlsFor({u"quick!"_qs}));
        QCOMPARE(engine->files().first().newName, u"quickx"_qs);
    }

    void addingFiles()
    {
        const auto engine = makeEngine();
        QSignalSpy filesChanged(engine.get(), &RenameEngine::filesChanged);
        engine->addFiles({});
        QVERIFY(engine->files().isEmpty());

        engine->addFiles(
            {QUrl::fromLocalFile(u"/tmp/some folder/"_qs), QUrl(u"file:///tmp/a%20b.txt"_qs)});
        QCOMPARE(engine->files().at(0).originalName, u"some folder"_qs);
        QCOMPARE(engine->files().at(1).originalName, u"a b.txt"_qs);
        QVERIFY(engine->files().at(0).id != engine->files().at(1).id);
        QVERIFY(filesChanged.count() >= 1);
        QVERIFY(engine->hasPendingFiles());
        QVERIFY(!engine->hasChanges());
    }

    void operationsStack()
    {
        const auto engine = makeEngine();
        engine->addFiles(urlsFor({u"a.txt"_qs}));
        QSignalSpy filesChanged(engine.get(), &RenameEngine::filesChanged);
        QSignalSpy operationsChanged(engine.get(), &RenameEngine::operationsChanged);

        engine->removeOperation(1);
        engine->removeOperation(-1);
        QCOMPARE(engine->operations().size(), 1);
        QCOMPARE(filesChanged.count(), 0);
        QCOMPARE(operationsChanged.count(), 0);

        engine->removeOperation(0);
        QVERIFY(engine->operations().isEmpty());
        QCOMPARE(filesChanged.count(), 1);
        QCOMPARE(engine->files().first().newName, u"a.txt"_qs);

        engine->addOperation();
        QCOMPARE(engine->operations().size(), 1);
        QCOMPARE(engine->operations().first().sequenceBaseName, u"File"_qs);
    }

    void renamedFilesGetAStatusAgainOnTheNextPreview()
    {
        const auto engine = makeEngine();
        engine->addFiles(urlsFor({u"a.txt"_qs}));
        // Edit in place as the editor does: nothing recomputed until asked.
        RenameOperationWrapper step = engine->operations().first();
        step.mode = RenameMode::prepend;
        step.prependText = u"x-"_qs;
        engine->setOperation(0, step);
        QCOMPARE(engine->files().first().newName, u"a.txt"_qs);
        engine->updatePreview();
        QCOMPARE(engine->files().first().newName, u"x-a.txt"_qs);
        QVERIFY(engine->hasChanges());
    }

    void selectionAndClearing()
    {
        const auto engine = makeEngine();
        engine->addFiles(urlsFor({u"a"_qs, u"b"_qs}));
        const QUuid id = engine->files().first().id;
        QSignalSpy selectionChanged(engine.get(), &RenameEngine::selectedFilesChanged);
        engine->toggleSelection(id);
        QVERIFY(engine->selectedFiles().contains(id));
        engine->toggleSelection(id);
        QVERIFY(engine->selectedFiles().isEmpty());
        engine->toggleSelection(id);
        engine->deselectAll();
        QVERIFY(engine->selectedFiles().isEmpty());
        QCOMPARE(selectionChanged.count(), 4);

        engine->removeSelectedFiles(); // empty selection: nothing removed
        QCOMPARE(engine->files().size(), 2);

        engine->toggleSelection(id);
        engine->saveWorkflow(u"kept"_qs);
        engine->clearAll();
        QVERIFY(engine->files().isEmpty());
        QVERIFY(engine->selectedFiles().isEmpty());
        QCOMPARE(engine->operations().size(), 1);
        QVERIFY(engine->savedWorkflows().contains(u"kept"_qs));
        QVERIFY(!engine->canUndo());
    }

    void savedWorkflowNamesSortByScalarValue()
    {
        const auto engine = makeEngine();
        for (const QString &name :
             {u"beta"_qs, u"alpha"_qs, u"Alpha"_qs, u"\U0001F600"_qs, u"\uFF21"_qs})
            engine->saveWorkflow(name);
        // Code-unit order would put the emoji's surrogates before U+FF21.
        QCOMPARE(engine->savedWorkflowNames(), QStringList({u"Alpha"_qs, u"alpha"_qs, u"beta"_qs,
                                                            u"\uFF21"_qs, u"\U0001F600"_qs}));
        QVERIFY(engine->hasSavedWorkflow(u"Alpha"_qs));
        QVERIFY(!engine->hasSavedWorkflow(u"ALPHA"_qs));
    }

    void browseUsesTheInstalledChooser()
    {
        auto engine = makeEngine();
        engine->browseFiles(); // no chooser installed: nothing happens
        RenameEngine::FileChooserCompletion pending;
        engine->setFileChooser(
            [&](RenameEngine::FileChooserCompletion done) { pending = std::move(done); });
        engine->browseFiles();
        QVERIFY(pending);
        pending(urlsFor({u"one"_qs, u"two"_qs}));
        QCOMPARE(engine->files().size(), 2);
        QCOMPARE(engine->files().at(1).originalName, u"two"_qs);
        // A chooser that answers after the engine is gone does nothing.
        engine.reset();
        pending(urlsFor({u"late"_qs}));
    }
};

BRISKLET_TEST(PreviewTest)
#include "tst_preview.moc"
