#include "testmain.h"

#include "clitest.h"

using namespace CliTest;

// New names edited by hand in a scripted editor, through the real brisklet-cli.
class CliEditTest : public QObject {
    Q_OBJECT

private:
    Home m_home;

private Q_SLOTS:
    void initTestCase()
    {
        // The user's editor, played by sed.
        QFile editor(m_home.filePath(u"editor"_qs));
        QVERIFY(editor.open(QIODevice::WriteOnly));
        editor.write("#!/bin/sh\nexec sed -i \"$EDITED\" \"$1\"\n");
        editor.close();
        QVERIFY(editor.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        qputenv("EDITOR", QFile::encodeName(editor.fileName()));
    }
    void init() { QVERIFY(m_home.next()); }
    void cleanup() { m_home.removeFiles(); }

    void edit_data()
    {
        QTest::addColumn<QByteArray>("files");  // on disk, and listed unless the arguments do
        QTest::addColumn<QString>("arguments"); // split at spaces; with -0 the files are input
        QTest::addColumn<QByteArray>("sed");    // what the editor does
        QTest::addColumn<QByteArray>("visual"); // $VISUAL
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said");
        QTest::addColumn<QByteArray>("after"); // the folder's names
        const QByteArray abc = "a.txt|b.txt|c.txt";
        const auto row = [&abc](const char *name, const char *arguments, const char *sed,
                                int status, const char *said, const QByteArray &after = {},
                                const QByteArray &files = {}, const char *visual = "") {
            QTest::newRow(name) << (files.isEmpty() ? abc : files) << QString::fromUtf8(arguments)
                                << QByteArray(sed) << QByteArray(visual) << status
                                << QByteArray(said) << (after.isEmpty() ? abc : after);
        };
        row("by hand", "--edit", "s/^b/Bee/", 0, "b.txt → Bee.txt");
        row("after the stack", "--system-workflow web-safe-names --edit", "2s/.*/two.txt/", 0,
            "b.txt → two.txt");
        row("duplicate", "--edit", "2s/b/a/", 3, "b.txt → a.txt  Duplicate filename");
        row("bad name", "--edit", "1s/.*/a\\/b/", 3, "a.txt → a/b  Contains invalid characters");
        row("a line deleted", "--edit --apply", "2d", 2,
            "the edited list has 2 lines for 3 files; nothing was renamed");
        row("the editor fails", "--edit --apply", "s/a/q/", 2,
            "the editor “false” failed with exit status 1", {}, {}, "false");
        row("a name that cannot be a line", "--edit --apply", "", 2,
            "the new name “a\\nb.txt” has a line break", "a\nb.txt|c.txt", "a\nb.txt|c.txt");
        // $VISUAL goes first, and reaches the shell with its arguments.
        row("VISUAL", "--edit --apply", "s/a/q/", 0, "Renamed", "a.txt|b.txt|see.txt", {},
            "sed -i 's/c/see/'");
        // Names read from standard input; bytes that are not UTF-8 come back as they were.
        row("applied", "-0 --edit --apply", "s/caf/kaf/;s/b/bee/", 0, "Renamed",
            "bee.txt|kaf\xe9.txt", "caf\xe9.txt|b.txt");
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
        qputenv("VISUAL", visual);
        QStringList given = arguments.split(u' ');
        QByteArray input;
        if (given.contains(u"-0"_qs))
            input = files.replace('|', '\0');
        else
            for (const QByteArray &name : names(files))
                given.append(QFile::decodeName(name));
        const Run result = m_home.run(given, input);
        QVERIFY2(result.status == status && result.said().contains(said),
                 result.said().constData());
        QCOMPARE(m_home.listing(), after);
    }
};

BRISKLET_TEST(CliEditTest)
#include "tst_cliedit.moc"
