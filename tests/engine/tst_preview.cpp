#include "testmain.h"

#include "enginetesthelpers.h"
#include "namegroups.h"

#include <QTest>

using namespace EngineTest;

namespace {

QList<QUrl> urlsFor(const QStringList &names)
{
    // The preview never touches the disk, so the files need not exist.
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(u"/nonexistent/brisklet-preview/"_qs + name));
    return urls;
}

const QString invalid = u"Contains invalid characters (: / \\)"_qs;
const QString empty = u"Filename cannot be empty"_qs;
const QString duplicate = u"Duplicate filename"_qs;

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void validation_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("replacement"); // for every whole name; none when empty
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<QString>("error"); // the message of every E

        const QStringList one{u"a"_qs};
        const QStringList three{u"a"_qs, u"b"_qs, u"c"_qs};
        QTest::newRow("colon") << one << u"a:b"_qs << u"E"_qs << invalid;
        QTest::newRow("backslash") << one << u"a\\\\b"_qs << u"E"_qs << invalid;
        QTest::newRow("only spaces") << one << u"   "_qs << u"E"_qs << empty;
        QTest::newRow("ideographic space") << one << u"\u3000"_qs << u"E"_qs << empty;
        QTest::newRow("line break is not white space") << one << u"\n"_qs << u"P"_qs << QString();
        QTest::newRow("colon wins over empty") << one << u" : "_qs << u"E"_qs << invalid;
        QTest::newRow("errors never conflict") << three << u"a:b"_qs << u"EEE"_qs << invalid;
        QTest::newRow("three of a kind") << three << u"File.txt"_qs << u"CCC"_qs << QString();
        QTest::newRow("case distinguishes")
            << QStringList{u"A.txt"_qs, u"a.txt"_qs} << QString() << u"PP"_qs << QString();
        QTest::newRow("canonical equivalence")
            << QStringList{u"Caf\u00e9.txt"_qs, u"Cafe\u0301.txt"_qs} << QString() << u"CC"_qs
            << QString();
        QTest::newRow("dot file is valid")
            << QStringList{u".png"_qs} << QString() << u"P"_qs << QString();
        QTest::newRow("same file twice")
            << QStringList{u"a.txt"_qs, u"a.txt"_qs} << QString() << u"CC"_qs << QString();
    }

    void validation()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, replacement);
        QFETCH(QString, statuses);
        QFETCH(QString, error);

        const auto engine = makeEngine();
        if (!replacement.isEmpty())
            setStack(*engine, {regexStep(u"^.*$"_qs, replacement)});
        engine->addFiles(urlsFor(names));
        QCOMPARE(statusLetters(engine->files()), statuses);
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString message = statuses[i] == u'E'   ? error
                                    : statuses[i] == u'C' ? duplicate
                                                          : QString();
            QCOMPARE(engine->files().at(i).errorMessage.value_or(QString()), message);
        }
    }

    void groupsOutgrowTheirFirstSize()
    {
        // A table sized for two names has to grow many times on the way.
        NameGroups groups(2);
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(groups.add(QString::number(i)), i);
        for (int i = 999; i >= 0; i -= 7)
            QCOMPARE(groups.add(QString::number(i)), i);
        QCOMPARE(groups.groupSize(999), 2);
        QCOMPARE(groups.groupSize(998), 1);
    }

    void removingADuplicateClearsTheConflict()
    {
        const auto engine = makeEngine();
        setStack(*engine, {regexStep(u"^.*$"_qs, u"File.txt"_qs)});
        engine->addFiles(urlsFor({u"a"_qs, u"b"_qs, u"c"_qs}));
        engine->toggleSelection(engine->files().at(0).id);
        engine->toggleSelection(engine->files().at(2).id);
        engine->removeSelectedFiles();
        QCOMPARE(engine->files().size(), 1);
        QCOMPARE(engine->files().first().originalName, u"b"_qs);
        QCOMPARE(statusLetters(engine->files()), u"P"_qs);
    }

    // A pattern that runs out of time on any name of the list leaves every name unchanged
    // for its step, wherever that name stands, as a pattern that does not compile does; the
    // step's card is told why.
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
            << u"U_REGEX_MISMATCHED_PAREN at character 4"_qs;
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
