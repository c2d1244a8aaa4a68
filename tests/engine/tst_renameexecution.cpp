#include "testregistry.h"

#include "stepbuilders.h"

#include "enginetesthelpers.h"
#include "filemover.h"
#include "posixfilemover.h"
#include "renameengine.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <utility>

using namespace Qt::StringLiterals;
using namespace EngineTest;

namespace {

// "a.txt|b.txt" → {"a.txt", "b.txt"}; names may hold spaces.
QStringList names(const char16_t *text)
{
    return QString::fromUtf16(text).split(u'|', Qt::SkipEmptyParts);
}

QList<std::pair<QString, QString>> pairs(const QStringList &from, const QStringList &to)
{
    QList<std::pair<QString, QString>> result;
    for (qsizetype i = 0; i < from.size() && i < to.size(); ++i)
        result.append({from[i], to[i]});
    return result;
}

// Moves on the real disk, except the moves a rule names, which fail with the rule's
// description: the failures a disk does not produce on demand.
class ScriptedMover : public FileMover {
public:
    struct Rule {
        QString source;      // wildcard on the source's file name
        QString destination; // wildcard on the destination's file name
        QString description;
    };

    QList<Rule> rules;

    Result moveItem(const QString &sourcePath, const QString &destinationPath) override
    {
        const QString from = QFileInfo(sourcePath).fileName();
        const QString to = QFileInfo(destinationPath).fileName();
        for (const Rule &rule : std::as_const(rules)) {
            if (matches(rule.source, from) && matches(rule.destination, to))
                return {false, rule.description};
        }
        return m_disk.moveItem(sourcePath, destinationPath);
    }

    // "source>destination>description"
    static Rule parse(const QString &text)
    {
        const QStringList parts = text.split(u'>');
        return {parts.value(0), parts.value(1), parts.value(2)};
    }

private:
    static bool matches(const QString &wildcard, const QString &name)
    {
        return entriesMatch({name}, {wildcard});
    }

    PosixFileMover m_disk;
};

QString seriesName(int number)
{
    return u"File - %1.txt"_s.arg(number, 2, 10, QLatin1Char('0'));
}

} // namespace

class RenameExecutionTest : public QObject {
    Q_OBJECT

private:
    // Writes every name as a file whose content is its own name, and lists `listed`.
    static bool populate(const TestFolder &folder, RenameEngine &engine, const QStringList &listed,
                         const QStringList &outside = {})
    {
        for (const QString &name : listed + outside) {
            if (!folder.write(name, name.toUtf8()))
                return false;
        }
        QList<QUrl> urls;
        for (const QString &name : listed)
            urls.append(folder.url(name));
        engine.addFiles(urls);
        return true;
    }

private Q_SLOTS:
    void batch_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QStringList>("outside"); // on disk, not in the list
        QTest::addColumn<QStringList>("gone");    // listed, deleted before the batch
        QTest::addColumn<int>("renamed");
        QTest::addColumn<int>("failed");
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<QStringList>("after"); // name=content of the file's first name

        QTest::newRow("clean batch")
            << names(u"a.txt|b.txt|c.txt") << names(u"x.txt|y.txt|z.txt") << QStringList()
            << QStringList() << 3 << 0 << u"SSS"_s << names(u"x.txt=a.txt|y.txt=b.txt|z.txt=c.txt");
        QTest::newRow("unchanged name counts as renamed")
            << names(u"a.txt|b.txt") << names(u"a.txt|y.txt") << QStringList() << QStringList() << 2
            << 0 << u"SS"_s << names(u"a.txt=a.txt|y.txt=b.txt");
        QTest::newRow("outside file holds a destination in the middle")
            << names(u"a.txt|b.txt|c.txt") << names(u"x.txt|y.txt|z.txt") << names(u"y.txt")
            << QStringList() << 2 << 1 << u"SES"_s
            << names(u"x.txt=a.txt|b.txt=b.txt|y.txt=y.txt|z.txt=c.txt");
        QTest::newRow("listed file gone from disk")
            << names(u"a.txt|b.txt|c.txt") << names(u"x.txt|y.txt|z.txt") << QStringList()
            << names(u"b.txt") << 2 << 1 << u"SES"_s << names(u"x.txt=a.txt|z.txt=c.txt");
        QTest::newRow("swap") << names(u"a.txt|b.txt") << names(u"b.txt|a.txt") << QStringList()
                              << QStringList() << 2 << 0 << u"SS"_s
                              << names(u"a.txt=b.txt|b.txt=a.txt");
        QTest::newRow("swap beside other files")
            << names(u"a.txt|m.txt|b.txt") << names(u"b.txt|n.txt|a.txt") << names(u"z.txt")
            << QStringList() << 3 << 0 << u"SSS"_s
            << names(u"a.txt=b.txt|b.txt=a.txt|n.txt=m.txt|z.txt=z.txt");
        QTest::newRow("swap with a file gone from disk")
            << names(u"a.txt|b.txt") << names(u"b.txt|a.txt") << QStringList() << names(u"b.txt")
            << 1 << 1 << u"SE"_s << names(u"b.txt=a.txt");
        QTest::newRow("cycle of three")
            << names(u"a.txt|b.txt|c.txt") << names(u"b.txt|c.txt|a.txt") << QStringList()
            << QStringList() << 3 << 0 << u"SSS"_s << names(u"a.txt=c.txt|b.txt=a.txt|c.txt=b.txt");
        QTest::newRow("cycle of three listed backwards")
            << names(u"c.txt|b.txt|a.txt") << names(u"a.txt|c.txt|b.txt") << QStringList()
            << QStringList() << 3 << 0 << u"SSS"_s << names(u"a.txt=c.txt|b.txt=a.txt|c.txt=b.txt");
        QTest::newRow("two cycles and a plain rename")
            << names(u"a|b|c|d|e|f") << names(u"b|a|d|e|c|g") << QStringList() << QStringList() << 6
            << 0 << u"SSSSSS"_s << names(u"a=b|b=a|c=e|d=c|e=d|g=f");
        QTest::newRow("chain listed against its order")
            << names(u"a|b|c") << names(u"b|c|d") << QStringList() << QStringList() << 3 << 0
            << u"SSS"_s << names(u"b=a|c=b|d=c");
        QTest::newRow("chain into an outside file")
            << names(u"a|b") << names(u"b|c") << names(u"c") << QStringList() << 0 << 2 << u"EE"_s
            << names(u"a=a|b=b|c=c");
        QTest::newRow("longer chain into an outside file")
            << names(u"a|b|c") << names(u"b|c|d") << names(u"d") << QStringList() << 0 << 3
            << u"EEE"_s << names(u"a=a|b=b|c=c|d=d");
        QTest::newRow("chain into an outside file beside a swap")
            << names(u"a|b|p|q") << names(u"b|c|q|p") << names(u"c") << QStringList() << 2 << 2
            << u"EESS"_s << names(u"a=a|b=b|c=c|p=q|q=p");
        QTest::newRow("conflicts are skipped")
            << names(u"a|b|c") << names(u"x|x|y") << QStringList() << QStringList() << 1 << 2
            << u"CCS"_s << names(u"a=a|b=b|y=c");
        QTest::newRow("invalid names are skipped")
            << names(u"a|b") << names(u"q:r|y") << QStringList() << QStringList() << 1 << 1
            << u"ES"_s << names(u"a=a|y=b");
        // A skipped file stays where it is, so for the batch it is an outside file.
        QTest::newRow("skipped file holds a wanted name")
            << names(u"a|b|c") << names(u"b|x|x") << QStringList() << QStringList() << 0 << 3
            << u"ECC"_s << names(u"a=a|b=b|c=c");
        QTest::newRow("every file skipped")
            << names(u"a|b") << names(u"x|x") << QStringList() << QStringList() << 0 << 2 << u"CC"_s
            << names(u"a=a|b=b");
        QTest::newRow("empty list") << QStringList() << QStringList() << names(u"a")
                                    << QStringList() << 0 << 0 << QString() << names(u"a=a");
    }

    void batch()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, targets);
        QFETCH(QStringList, outside);
        QFETCH(QStringList, gone);
        QFETCH(int, renamed);
        QFETCH(int, failed);
        QFETCH(QString, statuses);
        QFETCH(QStringList, after);

        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QVERIFY(populate(folder, *engine, listed, outside));
        setRenames(*engine, pairs(listed, targets));
        for (const QString &name : std::as_const(gone))
            QVERIFY(QFile::remove(folder.path(name)));
        const QStringList before = folder.entries();
        const QList<FileItem> previewed = engine->files();

        const auto [renamedCount, failedCount] = engine->performRename();

        QCOMPARE(renamedCount, renamed);
        QCOMPARE(failedCount, failed);
        QCOMPARE(statusLetters(engine->files()), statuses);
        after.sort();
        QCOMPARE(folder.entries(), after);
        QVERIFY(!engine->hasPendingFiles());

        decltype(UndoOperation::renames) expectedUndo;
        for (qsizetype i = 0; i < listed.size(); ++i) {
            const FileItem &file = engine->files().at(i);
            const FileItem &was = previewed.at(i);
            QCOMPARE(file.id, was.id);
            if (file.status == RenameStatus::success) {
                QCOMPARE(file.url, folder.url(targets[i]));
                QCOMPARE(file.originalName, targets[i]);
                QCOMPARE(file.newName, targets[i]);
                QVERIFY(!file.errorMessage.has_value());
                expectedUndo.insert(file.url, listed[i]);
                continue;
            }
            QCOMPARE(file.url, was.url);
            QCOMPARE(file.originalName, was.originalName);
            QCOMPARE(file.newName, was.newName);
            if (was.status == RenameStatus::pending) {
                // The move itself failed: the reason is the mover's.
                QCOMPARE(file.status, RenameStatus::error);
                QVERIFY(file.errorMessage.has_value() && !file.errorMessage->isEmpty());
            } else {
                QCOMPARE(file.status, was.status);
                QCOMPARE(file.errorMessage, was.errorMessage);
            }
        }

        if (expectedUndo.isEmpty()) {
            QVERIFY(!engine->canUndo());
            return;
        }
        QCOMPARE(engine->undoStack().size(), 1);
        QCOMPARE(engine->undoStack().first().renames, expectedUndo);
        QVERIFY(engine->undoStack().first().timestamp.isValid());

        // Undoing the batch puts every name back, whatever order the moves needed.
        QVERIFY(engine->undoLastRename());
        QVERIFY(!engine->canUndo());
        QCOMPARE(folder.entries(), before);
        for (qsizetype i = 0; i < listed.size(); ++i) {
            const FileItem &file = engine->files().at(i);
            QCOMPARE(file.url, folder.url(listed[i]));
            QCOMPARE(file.originalName, listed[i]);
            QCOMPARE(file.newName, previewed.at(i).newName);
        }
        QCOMPARE(statusLetters(engine->files()), statusLetters(previewed));
    }

    void shiftedSeries_data()
    {
        QTest::addColumn<QList<int>>("numbers"); // of the listed files, in list order
        QTest::addColumn<int>("start");

        QTest::newRow("up by one") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << 2;
        QTest::newRow("down by one") << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << 1;
        // File 10 becomes 02 while 02 becomes 10, and so on: five swaps and one move.
        QTest::newRow("listed backwards") << QList<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1} << 2;
    }

    void shiftedSeries()
    {
        QFETCH(QList<int>, numbers);
        QFETCH(int, start);

        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QStringList listed;
        for (int number : std::as_const(numbers))
            listed.append(seriesName(number));
        QVERIFY(populate(folder, *engine, listed));
        setStack(*engine, {sequenceStep(start)});
        QCOMPARE(engine->conflictCount() + engine->errorCount(), 0);
        const QStringList before = folder.entries();

        const auto [renamed, failed] = engine->performRename();

        QCOMPARE(renamed, numbers.size());
        QCOMPARE(failed, 0);
        QStringList expected;
        for (qsizetype i = 0; i < listed.size(); ++i)
            expected.append(seriesName(start + int(i)) + u'=' + listed[i]);
        expected.sort();
        QCOMPARE(folder.entries(), expected);

        QVERIFY(engine->undoLastRename());
        QCOMPARE(folder.entries(), before);
        for (qsizetype i = 0; i < listed.size(); ++i)
            QCOMPARE(engine->files().at(i).originalName, listed[i]);
    }

    void moverFailures_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QStringList>("rules"); // source>destination>description
        QTest::addColumn<int>("renamed");
        QTest::addColumn<int>("failed");
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<QStringList>("messages"); // wildcards; "-" for none
        QTest::addColumn<QStringList>("after");    // wildcards

        QTest::newRow("a move in the middle fails")
            << names(u"a|b|c") << names(u"x|y|z") << names(u"b>y>Permission denied by the test.")
            << 2 << 1 << u"SES"_s << names(u"-|Permission denied by the test.|-")
            << names(u"x=a|b=b|z=c");
        QTest::newRow("every move fails")
            << names(u"a|b|c") << names(u"x|y|z") << names(u"*>*>Device unplugged.") << 0 << 3
            << u"EEE"_s << names(u"Device unplugged.|Device unplugged.|Device unplugged.")
            << names(u"a=a|b=b|c=c");
        QTest::newRow("stepping aside for a swap fails")
            << names(u"a|b") << names(u"b|a") << names(u"a>.brisklet-swap-*>No space left.") << 0
            << 2 << u"EE"_s << names(u"No space left.|?*") << names(u"a=a|b=b");
        // The other file already took the old name, so the stepped-aside file can go
        // neither forward nor back; it must be findable from the message.
        QTest::newRow("the last step of a swap fails")
            << names(u"a|b") << names(u"b|a") << names(u".brisklet-swap-*>b>Connection lost.") << 1
            << 1 << u"ES"_s << names(u"Connection lost.* now named “.brisklet-swap-*”.|-")
            << names(u".brisklet-swap-*=a|a=b");
        QTest::newRow("one member of a cycle of three fails")
            << names(u"a|b|c") << names(u"b|c|a") << names(u"b>c>Read-only file.") << 1 << 2
            << u"EES"_s << names(u"* now named “.brisklet-swap-*”.|Read-only file.|-")
            << names(u".brisklet-swap-*=a|a=c|b=b");
    }

    void moverFailures()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, targets);
        QFETCH(QStringList, rules);
        QFETCH(int, renamed);
        QFETCH(int, failed);
        QFETCH(QString, statuses);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, after);

        TestFolder folder;
        QVERIFY(folder.isValid());
        auto mover = std::make_unique<ScriptedMover>();
        for (const QString &rule : std::as_const(rules))
            mover->rules.append(ScriptedMover::parse(rule));
        auto engine = makeEngine(std::move(mover));
        QVERIFY(populate(folder, *engine, listed));
        setRenames(*engine, pairs(listed, targets));

        const auto [renamedCount, failedCount] = engine->performRename();

        QCOMPARE(renamedCount, renamed);
        QCOMPARE(failedCount, failed);
        QCOMPARE(statusLetters(engine->files()), statuses);
        QVERIFY2(entriesMatch(folder.entries(), after), qPrintable(folder.entries().join(u" | ")));
        decltype(UndoOperation::renames) expectedUndo;
        for (qsizetype i = 0; i < listed.size(); ++i) {
            const FileItem &file = engine->files().at(i);
            if (messages[i] == u"-") {
                QVERIFY(!file.errorMessage.has_value());
            } else {
                QVERIFY(file.errorMessage.has_value());
                QVERIFY2(entriesMatch({*file.errorMessage}, {messages[i]}),
                         qPrintable(*file.errorMessage));
            }
            if (file.status == RenameStatus::success) {
                expectedUndo.insert(folder.url(targets[i]), listed[i]);
            } else if (file.errorMessage->contains(u"now named")) {
                // A file stranded under its temporary name: its row follows it there, since
                // its old place holds another file now.
                QVERIFY(file.originalName.startsWith(u".brisklet-swap-"));
                QVERIFY(folder.entries().contains(file.originalName + u'=' + listed[i]));
                QCOMPARE(file.url, folder.url(file.originalName));
            } else {
                QCOMPARE(file.url, folder.url(listed[i]));
                QCOMPARE(file.originalName, listed[i]);
            }
        }
        if (expectedUndo.isEmpty()) {
            QVERIFY(!engine->canUndo());
        } else {
            QCOMPARE(engine->undoStack().size(), 1);
            QCOMPARE(engine->undoStack().first().renames, expectedUndo);
        }
    }

    void sameFileListedTwice()
    {
        TestFolder folder;
        QVERIFY(folder.isValid());
        QVERIFY(folder.write(u"a.txt"_s, "a"));
        auto engine = makeEngine();
        engine->addFiles({folder.url(u"a.txt"_s), folder.url(u"a.txt"_s)});
        // Numbering gives the two rows different names, so neither is a conflict.
        setStack(*engine, {sequenceStep(1)});
        QCOMPARE(statusLetters(engine->files()), u"PP"_s);

        const auto [renamed, failed] = engine->performRename();

        QCOMPARE(renamed, 1);
        QCOMPARE(failed, 1);
        QCOMPARE(statusLetters(engine->files()), u"SE"_s);
        QCOMPARE(folder.entries(), names(u"File - 01.txt=a"));
    }

    void secondBatchBeforeThePreviewRenamesNothing()
    {
        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QVERIFY(populate(folder, *engine, names(u"a|b")));
        setRenames(*engine, pairs(names(u"a|b"), names(u"b|c")));
        QCOMPARE(engine->performRename(), std::make_pair(qsizetype(2), qsizetype(0)));

        QCOMPARE(engine->performRename(), std::make_pair(qsizetype(0), qsizetype(2)));
        QCOMPARE(engine->undoStack().size(), 1);
        QCOMPARE(folder.entries(), names(u"b=a|c=b"));

        // The next preview works from the names the files have now.
        QVERIFY(folder.write(u"d"_s, "d"));
        engine->addFiles({folder.url(u"d"_s)});
        QCOMPARE(statusLetters(engine->files()), u"CCP"_s);
        QCOMPARE(engine->files().at(0).newName, u"c"_s);
        QCOMPARE(engine->files().at(1).newName, u"c"_s);
    }

    void progressReachesTotal()
    {
        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        const QStringList listed = names(u"a|b|c|d");
        QVERIFY(populate(folder, *engine, listed));
        setRenames(*engine, pairs(listed, names(u"b|a|e|d")));

        QList<std::pair<qsizetype, qsizetype>> reports;
        const auto record = [&reports](qsizetype done, qsizetype total) {
            reports.append({done, total});
        };
        const auto checkReports = [&reports] {
            QVERIFY(!reports.isEmpty());
            for (qsizetype k = 0; k < reports.size(); ++k) {
                QCOMPARE(reports[k].first, k + 1);
                QCOMPARE(reports[k].second, reports.first().second);
            }
            QCOMPARE(reports.last().first, reports.last().second);
        };

        QCOMPARE(engine->performRename(record), std::make_pair(qsizetype(4), qsizetype(0)));
        checkReports();
        QCOMPARE(reports.last().second, 4);

        reports.clear();
        QVERIFY(engine->undoLastRename(record));
        checkReports();
        QCOMPARE(reports.last().second, 4);
    }

    void undoOneOfTwoBatches_data()
    {
        QTest::addColumn<bool>("undoNewest");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("remainingKey");
        QTest::addColumn<QString>("remainingValue");

        QTest::newRow("undoLastRename reverts the second")
            << true << names(u"b.txt=a.txt|x.txt=x.txt") << u"b.txt"_s << u"a.txt"_s;
        QTest::newRow("undoRename(0) reverts the first")
            << false << names(u"a.txt=a.txt|y.txt=x.txt") << u"y.txt"_s << u"x.txt"_s;
    }

    void undoOneOfTwoBatches()
    {
        QFETCH(bool, undoNewest);
        QFETCH(QStringList, after);
        QFETCH(QString, remainingKey);
        QFETCH(QString, remainingValue);

        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QVERIFY(populate(folder, *engine, names(u"a.txt"), names(u"x.txt")));
        setRenames(*engine, {{u"a.txt"_s, u"b.txt"_s}});
        QCOMPARE(engine->performRename(), std::make_pair(qsizetype(1), qsizetype(0)));
        // The second batch leaves the first file out: its new name is invalid.
        engine->addFiles({folder.url(u"x.txt"_s)});
        setRenames(*engine, {{u"b.txt"_s, u"b:bad"_s}, {u"x.txt"_s, u"y.txt"_s}});
        QCOMPARE(engine->performRename(), std::make_pair(qsizetype(1), qsizetype(1)));
        QCOMPARE(engine->undoStack().size(), 2);

        QVERIFY(undoNewest ? engine->undoLastRename() : engine->undoRename(0));

        QCOMPARE(folder.entries(), after);
        QCOMPARE(engine->undoStack().size(), 1);
        const decltype(UndoOperation::renames) remaining{
            {folder.url(remainingKey), remainingValue}};
        QCOMPARE(engine->undoStack().first().renames, remaining);
        QVERIFY(engine->canUndo());
    }

    void fileRenamedInTwoBatches_data()
    {
        QTest::addColumn<bool>("firstBatchFirst");
        QTest::newRow("second batch, then first") << false;
        QTest::newRow("first batch, then second") << true;
    }

    void fileRenamedInTwoBatches()
    {
        QFETCH(bool, firstBatchFirst);

        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QVERIFY(populate(folder, *engine, names(u"a")));
        setRenames(*engine, {{u"a"_s, u"b"_s}});
        engine->performRename();
        setRenames(*engine, {{u"b"_s, u"c"_s}});
        engine->performRename();
        QCOMPARE(folder.entries(), names(u"c=a"));
        QCOMPARE(engine->undoStack().size(), 2);

        if (firstBatchFirst) {
            // The first batch recorded the file where it no longer is.
            StreamCapture out(stdout);
            const bool undone = engine->undoRename(0);
            const QString printed = QString::fromLocal8Bit(out.finish());
            QVERIFY(!undone);
            QVERIFY2(printed.startsWith(u"Failed to undo rename: "), qPrintable(printed));
            QVERIFY(printed.size() > QStringLiteral("Failed to undo rename: \n").size());
            QCOMPARE(printed.count(u'\n'), 1);
            QCOMPARE(folder.entries(), names(u"c=a"));
            QCOMPARE(engine->undoStack().size(), 1);

            QVERIFY(engine->undoLastRename());
            QCOMPARE(folder.entries(), names(u"b=a"));
            QCOMPARE(engine->files().first().originalName, u"b"_s);
        } else {
            QVERIFY(engine->undoLastRename());
            QCOMPARE(folder.entries(), names(u"b=a"));
            QVERIFY(engine->undoLastRename());
            QCOMPARE(folder.entries(), names(u"a=a"));
            QCOMPARE(engine->files().first().originalName, u"a"_s);
            QCOMPARE(engine->files().first().url, folder.url(u"a"_s));
        }
        QVERIFY(!engine->canUndo());
    }

    void renamedFileRemovedFromTheListBeforeUndo()
    {
        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QVERIFY(populate(folder, *engine, names(u"a|b")));
        setRenames(*engine, pairs(names(u"a|b"), names(u"x|y")));
        engine->performRename();
        engine->toggleSelection(engine->files().first().id);
        engine->removeSelectedFiles();

        QVERIFY(engine->undoLastRename());

        QCOMPARE(folder.entries(), names(u"a=a|b=b"));
        QCOMPARE(engine->files().size(), 1);
        QCOMPARE(engine->files().first().originalName, u"b"_s);
        QCOMPARE(engine->files().first().url, folder.url(u"b"_s));
    }

    void oldNameTakenMeanwhile_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("listedAfter");

        QTest::newRow("the only file")
            << names(u"a") << names(u"x") << false << names(u"a=newcomer|x=a") << names(u"x");
        QTest::newRow("one of two files") << names(u"a|b") << names(u"x|y") << true
                                          << names(u"a=newcomer|b=b|x=a") << names(u"x|b");
    }

    void oldNameTakenMeanwhile()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, targets);
        QFETCH(bool, result);
        QFETCH(QStringList, after);
        QFETCH(QStringList, listedAfter);

        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QVERIFY(populate(folder, *engine, listed));
        setRenames(*engine, pairs(listed, targets));
        engine->performRename();
        QVERIFY(folder.write(u"a"_s, "newcomer"));

        StreamCapture out(stdout);
        const bool undone = engine->undoLastRename();
        const QString printed = QString::fromLocal8Bit(out.finish());

        QCOMPARE(undone, result);
        QVERIFY2(printed.startsWith(u"Failed to undo rename: "), qPrintable(printed));
        QCOMPARE(printed.count(u'\n'), 1);
        QCOMPARE(folder.entries(), after);
        QVERIFY(!engine->canUndo());
        for (qsizetype i = 0; i < listedAfter.size(); ++i) {
            QCOMPARE(engine->files().at(i).originalName, listedAfter[i]);
            QCOMPARE(engine->files().at(i).url, folder.url(listedAfter[i]));
        }
    }

    void failedUndoPrintsTheMoversReason()
    {
        TestFolder folder;
        QVERIFY(folder.isValid());
        auto owned = std::make_unique<ScriptedMover>();
        ScriptedMover *mover = owned.get();
        auto engine = makeEngine(std::move(owned));
        QVERIFY(populate(folder, *engine, names(u"a")));
        setRenames(*engine, {{u"a"_s, u"x"_s}});
        engine->performRename();
        mover->rules.append(ScriptedMover::parse(u"x>a>Undo refused by the test."_s));

        StreamCapture out(stdout);
        const bool undone = engine->undoLastRename();
        const QByteArray printed = out.finish();

        QVERIFY(!undone);
        QCOMPARE(printed, QByteArray("Failed to undo rename: Undo refused by the test.\n"));
        QCOMPARE(folder.entries(), names(u"x=a"));
        // The entry is gone even though nothing moved back.
        QVERIFY(!engine->canUndo());
        QCOMPARE(engine->files().first().originalName, u"x"_s);
    }

    void undoOutOfRange_data()
    {
        QTest::addColumn<qsizetype>("index");
        QTest::newRow("negative") << qsizetype(-1);
        QTest::newRow("equal to the count") << qsizetype(1);
        QTest::newRow("far beyond") << qsizetype(1000);
    }

    void undoOutOfRange()
    {
        QFETCH(qsizetype, index);

        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QVERIFY(!engine->undoLastRename());
        QVERIFY(!engine->undoRename(0));
        QVERIFY(populate(folder, *engine, names(u"a")));
        setRenames(*engine, {{u"a"_s, u"x"_s}});
        engine->performRename();
        const QList<FileItem> files = engine->files();

        QVERIFY(!engine->undoRename(index));

        QCOMPARE(engine->undoStack().size(), 1);
        QCOMPARE(folder.entries(), names(u"x=a"));
        // Not even the preview ran: the file still shows the batch's result.
        QCOMPARE(engine->files(), files);
    }

    void historyKeepsTheTwentyNewestBatches()
    {
        TestFolder folder;
        QVERIFY(folder.isValid());
        auto engine = makeEngine();
        QVERIFY(populate(folder, *engine, names(u"a.txt")));
        RenameOperationWrapper plus;
        plus.mode = RenameMode::append;
        plus.appendText = u"+"_s;
        setStack(*engine, {plus});

        for (int batch = 1; batch <= 21; ++batch) {
            if (batch > 1)
                engine->updatePreview();
            QCOMPARE(engine->performRename(), std::make_pair(qsizetype(1), qsizetype(0)));
        }
        QCOMPARE(engine->undoStack().size(), RenameEngine::maxUndoOperations);
        QCOMPARE(folder.entries(), QStringList{u"a"_s + QString(21, u'+') + u".txt=a.txt"_s});

        for (int undo = 0; undo < 20; ++undo)
            QVERIFY(engine->undoLastRename());

        // Batch 1 fell out of the history: its rename stays.
        QVERIFY(!engine->canUndo());
        QVERIFY(!engine->undoLastRename());
        QCOMPARE(folder.entries(), names(u"a+.txt=a.txt"));
        QCOMPARE(engine->files().first().originalName, u"a+.txt"_s);
    }
};

BRISKLET_TEST(RenameExecutionTest)
#include "tst_renameexecution.moc"
