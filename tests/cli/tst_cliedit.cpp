#include "testmain.h"

#include "clitest.h"
#include "disk/posixfilemover.h"
#include "engine/stepbuilders.h"
#include "memorypreferencesstore.h"
#include "renameengine.h"

using namespace CliTest;

// New names edited by hand in a scripted editor, through the real brisklet-cli.
class CliEditTest : public QObject {
    Q_OBJECT

private:
    Home m_home;

private Q_SLOTS:
    void initTestCase()
    {
        // The editor the tests stand in for the user: it edits the file with sed.
        QFile editor(m_home.filePath(u"editor"_qs));
        QVERIFY(editor.open(QIODevice::WriteOnly));
        editor.write("#!/bin/sh\nexec sed -i \"$EDITED\" \"$1\"\n");
        editor.close();
        QVERIFY(editor.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        qputenv("EDITOR", QFile::encodeName(editor.fileName()));
        qunsetenv("VISUAL");
    }
    void init() { QVERIFY(m_home.next()); }
    void cleanup()
    {
        m_home.removeFiles();
        qunsetenv("VISUAL");
    }

    void edit_data()
    {
        QTest::addColumn<QByteArray>("files");  // on disk; all of them listed
        QTest::addColumn<QString>("arguments"); // split at spaces; "-0" reads the files
        QTest::addColumn<QByteArray>("sed");    // what the editor does
        QTest::addColumn<QByteArray>("visual"); // $VISUAL, when set
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said");  // in standard output or error
        QTest::addColumn<QByteArray>("after"); // the folder's names afterwards

        const QByteArray abc = "a.txt|b.txt|c.txt";
        QTest::newRow("by hand") << abc << u"--edit"_qs << QByteArray("s/^b/Bee/") << QByteArray()
                                 << 0 << QByteArray("b.txt → Bee.txt") << abc;
        QTest::newRow("after the stack") << abc << u"--system-workflow clean-and-number --edit"_qs
                                         << QByteArray("2s/.*/two.txt/") << QByteArray() << 0
                                         << QByteArray("b.txt → two.txt") << abc;
        QTest::newRow("duplicate") << abc << u"--edit"_qs << QByteArray("2s/b/a/") << QByteArray()
                                   << 3 << QByteArray("b.txt → a.txt  Duplicate filename") << abc;
        QTest::newRow("bad name") << abc << u"--edit"_qs << QByteArray("1s/.*/a\\/b/")
                                  << QByteArray() << 3
                                  << QByteArray("a.txt → a/b  Contains invalid characters") << abc;
        QTest::newRow("taken on disk")
            << abc << u"--edit --apply a.txt"_qs << QByteArray("s/a/c/") << QByteArray() << 3
            << QByteArray("An item with this name already exists") << abc;
        QTest::newRow("a line deleted")
            << abc << u"--edit --apply"_qs << QByteArray("2d") << QByteArray() << 2
            << QByteArray("the edited list has 2 lines for 3 files; nothing was renamed") << abc;
        QTest::newRow("a line added")
            << abc << u"--edit --apply"_qs << QByteArray("$a d.txt") << QByteArray() << 2
            << QByteArray("the edited list has 4 lines for 3 files") << abc;
        QTest::newRow("the editor fails")
            << abc << u"--edit --apply"_qs << QByteArray("s/a/q/") << QByteArray("false") << 2
            << QByteArray("the editor “false” failed with exit status 1") << abc;
        QTest::newRow("a name that cannot be a line")
            << QByteArray("a\nb.txt|c.txt") << u"--edit --apply"_qs << QByteArray() << QByteArray()
            << 2 << QByteArray("has a line break") << QByteArray("a\nb.txt|c.txt");
        // $VISUAL wins, and is given to the shell with its arguments.
        QTest::newRow("VISUAL with arguments")
            << abc << u"--edit --apply"_qs << QByteArray("s/a/q/")
            << QByteArray("sed -i 's/c/see/'") << 0 << QByteArray("Renamed")
            << QByteArray("a.txt|b.txt|see.txt");
        // Names on standard input; the bytes of a name that is not UTF-8 come back as they were.
        QTest::newRow("applied, names on standard input")
            << QByteArray("caf\xe9.txt|b.txt") << u"-0 --edit --apply"_qs
            << QByteArray("s/caf/kaf/;s/b/bee/") << QByteArray() << 0 << QByteArray("Renamed")
            << QByteArray("bee.txt|kaf\xe9.txt");
    }

    void edit()
    {
        QFETCH(QByteArray, files);
        QFETCH(QString, arguments);
        QFETCH(QByteArray, sed);
        QFETCH(QByteArray, visual);
        QFETCH(int, status);
        QFETCH(QByteArray, said);
        QFETCH(QByteArray, after);

        for (const QByteArray &name : names(files))
            QVERIFY(m_home.create(name));
        qputenv("EDITED", sed);
        if (!visual.isEmpty())
            qputenv("VISUAL", visual);
        QStringList given = arguments.split(u' ');
        QByteArray input;
        if (given.contains(u"-0"_qs))
            input = files.replace('|', '\0') + '\0';
        else if (!given.last().endsWith(u".txt"_qs))
            for (const QByteArray &name : names(files))
                given.append(QFile::decodeName(name));
        const Run result = m_home.run(given, input);
        QVERIFY2(result.status == status && result.said().contains(said),
                 result.said().constData());
        QCOMPARE(m_home.listing(), after);
    }

    // Names given by hand hold until the stack changes; then each row has the stack's name
    // again, also where the step changed gave the same result as before.
    void editedNamesGiveWayToTheStack()
    {
        QVERIFY(m_home.create("a.txt") && m_home.create("b.txt"));
        RenameEngine engine(std::make_unique<MemoryPreferencesStore>(),
                            std::make_unique<PosixFileMover>());
        engine.addLocalFiles({m_home.path("a.txt"), m_home.path("b.txt")});
        engine.setOperation(0, appendStep(u"-1"_qs));
        engine.addOperation();
        engine.setOperation(1, replaceStep(u"zzz"_qs, u"q"_qs));
        engine.updatePreview();
        QVERIFY(!engine.setEditedNames({u"one"_qs}));
        QVERIFY(engine.setEditedNames({u"x.txt"_qs, u"x.txt"_qs}));
        QCOMPARE(engine.conflictCount(), 2);
        engine.setOperation(1, replaceStep(u"yyy"_qs, u"q"_qs));
        engine.updatePreview();
        QCOMPARE(engine.conflictCount(), 0);
        QCOMPARE(engine.files().at(1).newName, u"b-1.txt"_qs);
    }
};

BRISKLET_TEST(CliEditTest)
#include "tst_cliedit.moc"
