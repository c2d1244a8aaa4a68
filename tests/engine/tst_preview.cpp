#include "testmain.h"

#include "enginetesthelpers.h"
#include "fakefilemover.h"

#include <QTest>

#include <utility>

using namespace EngineTest;

namespace {

// The preview never touches the disk, so the files need not exist.
QList<QUrl> urlsFor(const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(u"/nonexistent/brisklet-preview/"_qs + name));
    return urls;
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void removingADuplicateClearsTheConflict()
    {
        const auto engine = makeEngine();
        setStack(*engine, {regexStep(u"^.*$"_qs, u"File.txt"_qs)});
        engine->addFiles(urlsFor({u"a"_qs, u"b"_qs, u"c"_qs}));
        QCOMPARE(statusLetters(engine->files()), u"CCC"_qs);
        engine->toggleSelection(engine->files().at(0).id);
        engine->toggleSelection(engine->files().at(2).id);
        engine->removeSelectedFiles();
        QCOMPARE(engine->files().size(), 1);
        QCOMPARE(engine->files().first().originalName, u"b"_qs);
        QCOMPARE(statusLetters(engine->files()), u"P"_qs);
    }

    // The bars read the counts after every change; each read here comes after a change
    // that moves them.
    void countsFollowTheFiles()
    {
        const auto engine = makeEngine(std::make_unique<UiTest::FakeFileMover>());
        const auto counts = [&] {
            return std::pair{engine->conflictCount(), engine->errorCount()};
        };
        using Counts = std::pair<qsizetype, qsizetype>;
        engine->addFiles(urlsFor({u"a"_qs, u"b"_qs, u"locked"_qs}));
        QCOMPARE(counts(), Counts(0, 0));
        setStack(*engine, {regexStep(u"^.*$"_qs, u"File.txt"_qs)});
        QCOMPARE(counts(), Counts(3, 0));
        setStack(*engine, {regexStep(u"^b$"_qs, u"b:"_qs)});
        QCOMPARE(counts(), Counts(0, 1));
        setStack(*engine, {appendStep(u"-x"_qs)});
        QCOMPARE(counts(), Counts(0, 0));
        engine->performRename(); // the locked file fails
        QCOMPARE(counts(), Counts(0, 1));
        engine->clearAll();
        QCOMPARE(counts(), Counts(0, 0));
    }

    // A pattern too slow on any name, or that does not compile, changes no name; its card says why.
    void patternVerdict_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected"); // after the step and a following "_1"
        QTest::addColumn<QString>("problem");

        const QString slow = QString(40, u'a') + u'!';
        const QString runaway = u"(a+)+$|!"_qs;
        const QString tooLong = u"This pattern takes too long to match."_qs;
        QTest::newRow("slow name last")
            << runaway << QStringList{u"quick!"_qs, u"b!"_qs, slow}
            << QStringList{u"quick!_1"_qs, u"b!_1"_qs, slow + u"_1"_qs} << tooLong;
        QTest::newRow("slow name first") << runaway << QStringList{slow, u"quick!"_qs}
                                         << QStringList{slow + u"_1"_qs, u"quick!_1"_qs} << tooLong;
        QTest::newRow("no slow name") << runaway << QStringList{u"quick!"_qs, u"b!"_qs}
                                      << QStringList{u"quickx_1"_qs, u"bx_1"_qs} << QString();
        QTest::newRow("does not compile")
            << u"a(b"_qs << QStringList{u"ab"_qs} << QStringList{u"ab_1"_qs}
            << u"Missing closing parenthesis )"_qs;
        QTest::newRow("empty pattern")
            << QString() << QStringList{u"ab"_qs} << QStringList{u"ab_1"_qs} << QString();
    }

    void patternVerdict()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        QFETCH(QString, problem);

        const auto engine = makeEngine();
        RenameOperationWrapper after = appendStep(u"_1"_qs);
        after.beforeExtension = false;
        setStack(*engine, {regexStep(pattern, u"x"_qs), after});
        engine->addFiles(urlsFor(names));
        QStringList newNames;
        for (const FileItem &item : engine->files())
            newNames.append(item.newName);
        QCOMPARE(newNames, expected);
        QCOMPARE(engine->patternProblem(0), problem);
        QCOMPARE(engine->patternProblem(1), QString());

        // A pattern that works clears it.
        RenameOperationWrapper fixed = engine->operations().first();
        fixed.regexPattern = u"!"_qs;
        engine->setOperation(0, fixed);
        engine->updatePreview();
        QCOMPARE(engine->patternProblem(0), QString());
        QCOMPARE(engine->files().first().newName, names.first().replace(u'!', u'x') + u"_1"_qs);
    }
};

BRISKLET_TEST(PreviewTest)
#include "tst_preview.moc"
