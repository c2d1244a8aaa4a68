#include "testregistry.h"

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

    void runawayPatternIsDroppedForTheRestOfTheList()
    {
        // After a few names where the pattern runs out of time, it is not tried again in
        // the same recomputation, even on a name where it would be quick.
        const auto engine = makeEngine();
        setStack(*engine, {regexStep(u"(a+)+$|!"_qs, u"x"_qs)});
        const QString slow = QString(40, u'a') + u'!';
        engine->addFiles(urlsFor({slow, slow, slow, u"quick!"_qs}));
        // On its own, "quick!" becomes "quickx" (see TransformNameTest).
        for (const FileItem &item : engine->files())
            QCOMPARE(item.newName, item.originalName);
    }
};

BRISKLET_TEST(PreviewTest)
#include "tst_preview.moc"
