#include "testmain.h"

#include "clitest.h"
#include "disk/posixfilemover.h"
#include "engine/stepbuilders.h"
#include "engine/testmount.h"
#include "renameengine.h"
#include "samplemedia.h"
#include "workflows/settingspreferencesstore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <sys/stat.h>

using namespace CliTest;

namespace {

const QByteArray lowercase = R"([{"mode":"changeCase","caseType":"lowercase"}])";

} // namespace

// The real brisklet-cli on real files.
class CommandLineTest : public QObject {
    Q_OBJECT

private:
    Home m_home;

    // "name", or "name=what it holds": a photo its date taken, if any; a recording
    // "artist;title"; "fifo" a FIFO.
    bool make(const QByteArray &file) const
    {
        if (!file.contains('='))
            return m_home.create(file);
        const QString name = QString::fromUtf8(file.left(file.indexOf('=')));
        const QString holds = QString::fromUtf8(file.mid(file.indexOf('=') + 1));
        const QString path = QFile::decodeName(m_home.path(name.toUtf8()));
        using SampleMedia::AudioFormat;
        if (holds == u"fifo"_qs)
            return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
        if (name.endsWith(u".jpg"_qs))
            return SampleMedia::writeJpeg(
                path, {holds.isEmpty() ? std::nullopt
                                       : std::optional(QDateTime::fromString(holds, Qt::ISODate)),
                       {}});
        return SampleMedia::writeAudio(
            path, name.endsWith(u".mp3"_qs) ? AudioFormat::mp3 : AudioFormat::flac,
            {holds.section(u';', 0, 0), {}, holds.section(u';', 1)});
    }

private Q_SLOTS:
    void init() { QVERIFY(m_home.next()); }
    void cleanup() { m_home.removeFiles(); }

    void exitStatuses_data()
    {
        QTest::addColumn<QByteArray>("files");
        QTest::addColumn<QByteArray>("stack");
        QTest::addColumn<QString>("arguments"); // split at spaces; the listed files follow
        QTest::addColumn<QByteArray>("listed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("said"); // in standard output or error
        const auto row = [](const char *name, const QByteArray &files, const QByteArray &stack,
                            const char *arguments, const QByteArray &listed, int status,
                            const QByteArray &after, const char *said) {
            QTest::newRow(name) << files << stack << QString::fromUtf8(arguments) << listed
                                << status << after << QByteArray(said);
        };

        const QByteArray abc = "A.TXT|B.TXT";
        const QByteArray lower = "a.TXT|b.TXT";
        row("dry run", abc, lowercase, "", abc, 0, abc, "A.TXT → a.TXT");
        row("apply", abc, lowercase, "--apply", abc, 0, lower, "Undo file: ");
        row("file URI", abc, lowercase, "--apply", "file:A.TXT|B.TXT", 0, lower, "Renamed 2");
        row("paths cleaned first", abc, lowercase, "--apply", "x/../A.TXT|.//B.TXT", 0, lower,
            "Renamed 2");
        // One file under several spellings of its path is one row of the plan.
        row("one file named thrice", abc, lowercase, "", "A.TXT|./A.TXT|x/../A.TXT", 0, abc,
            "1 file: 1 to rename, 0 unchanged, 0 conflicts, 0 errors.");
        const QByteArray clash = "A.txt|B.txt|a.txt";
        row("conflict refuses apply", clash, lowercase, "--apply", clash, 3, clash,
            "nothing was renamed");
        row("skip problems", clash, lowercase, "--apply --skip-problems", clash, 0,
            "A.txt|a.txt|b.txt", "Renamed 1, failed 0");
        // The name is free in the plan, taken on disk by a file that is not listed: the dry
        // run says so, and the batch does not start.
        const QByteArray taken = "A.TXT|B.TXT|b.TXT";
        row("a name taken on disk", taken, lowercase, "", abc, 3, taken,
            "error     B.TXT → b.TXT  An item with this name already exists");
        row("a name taken on disk refuses apply", taken, lowercase, "--apply", abc, 3, taken,
            "nothing was renamed");
        row("a name taken on disk, skipped", taken, lowercase, "--apply --skip-problems", abc, 0,
            "B.TXT|a.TXT|b.TXT", "Renamed 1, failed 0");
        // Waiting for the file that leaves the name is no problem.
        row("a chain", abc,
            R"([{"mode":"regex","regexPattern":"^A\\.","regexReplacement":"@."},
            {"mode":"regex","regexPattern":"^B\\.","regexReplacement":"C."},
            {"mode":"regex","regexPattern":"^@\\.","regexReplacement":"B."}])",
            "--apply", abc, 0, "B.TXT|C.TXT", "Renamed 2");
        // Numbering follows the order asked for, not the order given.
        const QByteArray number = R"([{"mode":"sequence","useOriginalName":true,
            "sequenceLocation":"before","sequencePadding":1}])";
        row("sorted by name", "b.TXT|A.TXT|c10.TXT|c9.TXT", number, "--apply --sort name",
            "c10.TXT|b.TXT|A.TXT|c9.TXT", 0, "1 - A.TXT|2 - b.TXT|3 - c9.TXT|4 - c10.TXT",
            "Renamed 4");
        row("sorted by name, descending", "b.TXT|A.TXT", number, "--apply --sort=name:desc",
            "A.TXT|b.TXT", 0, "1 - b.TXT|2 - A.TXT", "Renamed 2");
        row("unknown sort key", abc, number, "--apply --sort date", abc, 2, abc,
            "--sort takes name, modified");
        row("missing file", abc, lowercase, "--apply", "A.TXT|C.TXT", 2, abc, "C.TXT");
        row("unknown option", abc, lowercase, "--aply", abc, 2, abc, "--aply");
        row("a file named like an option", "-A.TXT", lowercase, "-A.TXT", "", 2, "-A.TXT",
            "unknown option -A.TXT; to list a file of that name, put -- before the files");
        row("unknown colour", abc, lowercase, "--color=sometimes", abc, 2, abc,
            "--color takes auto, always or never");
        row("damaged stack", abc,
            "[\n  {\"mode\": \"trim\"},\n  {\"mode\": \"changeCase\",\n"
            "   \"caseType\": \"shouting\"}\n]",
            "--apply", abc, 2, abc, "line 3, step 2: field \"caseType\"");
        row("unknown field", abc, R"([{"mode":"trim","trimKind":"spaces"}])", "--apply", abc, 2,
            abc, "unknown field \"trimKind\"");
        row("not JSON", abc, "[{\"mode\":\n\"trim\",]", "", abc, 2, abc, "line 2");
        // Read with the system's own reason, as every other file the command line reads.
        row("a folder as stack", abc, "[]", "--stack .", abc, 2, abc,
            "brisklet-cli: cannot read “.”: is a directory\n");
        // A step that would leave every name as it is stops the run, also a dry run.
        row("pattern does not compile", abc,
            "[{\"mode\":\"trim\"},{\"mode\":\"regex\",\"regexPattern\":\"IMG_[0\"}]", "--apply",
            abc, 2, abc,
            "step 2 (regex): Missing closing bracket ] at character 6; nothing was renamed");
        row("template names a missing group", abc,
            "[{\"mode\":\"regex\",\"regexPattern\":\"(A)\",\"regexReplacement\":\"$9\"}]", "", abc,
            2, abc, "step 1 (regex): $9 in the replacement: the pattern has no group 9");

        // Steps and the order that read what the files hold: real photos and recordings made
        // here, and a FIFO listed by mistake, which is never opened, so nothing waits on it.
        // Dates taken after the files' own dates modified: an undated file ordered among the
        // others by its date modified would come first.
        const QByteArray photos = "z.jpg=2031-01-02T08:00|a.jpg=2032-06-30T12:00|"
                                  "m.jpg=2030-12-31T23:59|b.jpg=";
        row("numbered by date taken", photos,
            R"([{"mode":"sequence","useOriginalName":true,"sequenceLocation":"before",
            "sequencePadding":1},{"mode":"fileInfo","infoField":"dateTaken","infoPlacement":"after"}])",
            "--apply --skip-problems --sort taken", photos, 0,
            "1 - m 2030-12-31.jpg|2 - z 2031-01-02.jpg|3 - a 2032-06-30.jpg|b.jpg", "Renamed 3");
        const QByteArray songs = "one.mp3=Ann;Morning|two.mp3=AC/DC;Thunder|three.flac=Bea;";
        row("artist - title", songs,
            R"([{"mode":"fileInfo","infoField":"artist","infoPlacement":"instead"},
            {"mode":"fileInfo","infoField":"title","infoPlacement":"after","infoSeparator":" - "}])",
            "--apply --skip-problems", songs, 0, "AC-DC - Thunder.mp3|Ann - Morning.mp3|three.flac",
            "Renamed 2");
        row("a FIFO", "pipe=fifo|a.jpg=2030-01-01T00:00",
            R"([{"mode":"fileInfo","infoField":"dateTaken"}])", "--sort taken",
            "pipe=fifo|a.jpg=2030-01-01T00:00", 3, "a.jpg|pipe",
            "error     pipe  → pipe  This is not a regular file.");
    }

    void exitStatuses()
    {
        QFETCH(QByteArray, files);
        QFETCH(QByteArray, stack);
        QFETCH(QString, arguments);
        QFETCH(QByteArray, listed);
        QFETCH(int, status);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, said);
        for (const QByteArray &file : names(files))
            QVERIFY(make(file));
        QStringList command = arguments.split(u' ', Qt::SkipEmptyParts);
        command << u"--stack"_qs << m_home.writeStack(stack) << u"--"_qs;
        for (const QByteArray &file : names(listed)) {
            // "file:NAME" stands for the file URI of NAME in the test's folder.
            const QByteArray name = file.split('=').constFirst();
            command << (name.startsWith("file:")
                            ? QUrl::fromLocalFile(QFile::decodeName(m_home.path(name.mid(5))))
                                  .toString()
                            : QString::fromUtf8(name));
        }
        const Run result = m_home.run(command);
        QVERIFY2(result.status == status, result.said().constData());
        QCOMPARE(m_home.listing(), after);
        QVERIFY2(result.said().contains(said), result.said().constData());
    }

    void workflows_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("saved") << u"--workflow Upper"_qs << 0 << QByteArray("ONE.txt");
        QTest::newRow("unknown saved") << u"--workflow Lower"_qs << 2 << QByteArray("one.txt");
        QTest::newRow("built-in") << u"--system-workflow clean-and-number"_qs << 0
                                  << QByteArray("001 - File.txt");
        QTest::newRow("unknown built-in")
            << u"--system-workflow tidy"_qs << 2 << QByteArray("one.txt");
        // Steps of several sources, in the order given.
        QTest::newRow("built-in, then saved")
            << u"--system-workflow clean-and-number --workflow Upper"_qs << 0
            << QByteArray("001 - FILE.txt");
        // A saved workflow exported, then used as a stack file, gives the same names.
        QTest::newRow("exported") << u"--stack EXPORTED"_qs << 0 << QByteArray("ONE.txt");
        // Named by the file's own date modified, read before the plan is made.
        QTest::newRow("file info")
            << u"--workflow Dated"_qs << 0 << QByteArray("one 2024-01-01.txt");
    }

    void workflows()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, after);
        // Saved the way the application saves it, in the settings the program reads.
        RenameEngine engine(std::make_unique<SettingsPreferencesStore>(
                                m_home.filePath(u"config/Brisklet/Brisklet.conf"_qs)),
                            std::make_unique<PosixFileMover>());
        engine.setOperation(0, caseStep(CaseType::uppercase));
        QVERIFY(engine.saveWorkflow(u"Upper"_qs) && m_home.create("one.txt"));
        engine.setOperation(0, infoStep(FileInfoField::dateModified, InfoPlacement::after));
        QVERIFY(engine.saveWorkflow(u"Dated"_qs));
        const timespec noon[2] = {{1704110400, 0}, {1704110400, 0}}; // 2024-01-01 12:00 UTC
        QVERIFY(::utimensat(AT_FDCWD, m_home.path("one.txt").constData(), noon, 0) == 0);
        const Run exported = m_home.run({u"--export-workflow"_qs, u"Upper"_qs});
        QCOMPARE(exported.status, 0);
        arguments.replace(u"EXPORTED"_qs, m_home.writeStack(exported.out));
        const Run result = m_home.run(arguments.split(u' ') << u"--apply"_qs << u"one.txt"_qs);
        QVERIFY2(result.status == status, result.said().constData());
        QCOMPARE(m_home.listing(), after);
    }

    // The table is coloured on a terminal, where NO_COLOR is not set, or when asked; the
    // changed part of each new name in bold cyan.
    void colour_data()
    {
        QTest::addColumn<QString>("colour"); // the option, if any
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QByteArray>("noColor"); // NO_COLOR, if set
        QTest::addColumn<bool>("coloured");
        const QByteArray unset;
        QTest::newRow("auto in a pipe") << QString() << false << unset << false;
        QTest::newRow("auto on a terminal") << QString() << true << unset << true;
        QTest::newRow("NO_COLOR on a terminal") << QString() << true << QByteArray("1") << false;
        QTest::newRow("empty NO_COLOR") << u"--color=auto"_qs << true << QByteArray("") << true;
        QTest::newRow("never") << u"--color=never"_qs << true << unset << false;
        QTest::newRow("bare --color") << u"--color"_qs << false << unset << true;
        QTest::newRow("always over NO_COLOR")
            << u"--color=always"_qs << false << QByteArray("1") << true;
    }

    void colour()
    {
        QFETCH(QString, colour);
        QFETCH(bool, terminal);
        QFETCH(QByteArray, noColor);
        QFETCH(bool, coloured);
        QVERIFY(m_home.create("IMG 01.jpg"));
        QStringList arguments{u"--stack"_qs,
                              m_home.writeStack(R"([{"findText":"IMG ","replaceText":"Photo_"}])"),
                              u"IMG 01.jpg"_qs};
        if (!colour.isEmpty())
            arguments.prepend(colour);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"NO_COLOR"_qs);
        if (!noColor.isNull())
            environment.insert(u"NO_COLOR"_qs, QString::fromUtf8(noColor));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_home.folder);
        if (terminal) {
            // script(1) gives the command a pseudo-terminal of its own.
            QStringList quoted;
            for (const QString &argument : QStringList{QStringLiteral(BRISKLET_CLI)} + arguments)
                quoted.append(u'\'' + argument + u'\'');
            process.start(u"script"_qs, {u"-qec"_qs, quoted.join(u' '), u"/dev/null"_qs});
        } else {
            process.start(QStringLiteral(BRISKLET_CLI), arguments);
        }
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray firstLine = process.readAllStandardOutput().split('\n').first();
        QCOMPARE(firstLine.endsWith('\r') ? firstLine.chopped(1) : firstLine,
                 coloured ? QByteArray("pending   IMG 01.jpg\033[2m → \033[0m"
                                       "\033[1;36mPhoto_\033[0m01.jpg")
                          : QByteArray("pending   IMG 01.jpg → Photo_01.jpg"));
    }

    // Names no shell argument carries safely come through standard input, keep their exact
    // bytes through the rename and the revert, and print on one row each. A byte that is not
    // UTF-8 keeps its place when a step changes the rest of the name and goes only with a step
    // that removes it; the plan shows it as U+FFFD, and the JSON, valid UTF-8, carries the new
    // name's exact bytes.
    void oddNames_data()
    {
        QTest::addColumn<QByteArray>("files"); // in the order given
        QTest::addColumn<QByteArray>("stack");
        QTest::addColumn<QByteArray>("renamed"); // in the same order
        QTest::addColumn<QString>("shown");      // in the plan
        const auto row = [](const char *name, const QByteArray &files, const char *step,
                            const QByteArray &renamed, const QString &shown) {
            QTest::newRow(name) << files << "[{" + QByteArray(step) + "}]" << renamed << shown;
        };

        row("lower case", "CAF\xc9.JPG", R"("mode":"changeCase","caseType":"lowercase")",
            "caf\xc9.JPG", u"CAF\uFFFD.JPG → caf\uFFFD.JPG"_qs);
        row("upper case, two bytes in a row",
            "\xff\xfe"
            "ab.txt",
            R"("mode":"changeCase","caseType":"UPPERCASE")",
            "\xff\xfe"
            "AB.txt",
            u"\uFFFD\uFFFDab.txt → \uFFFD\uFFFDAB.txt"_qs);
        row("title case, the byte within a word",
            "caf\xe9"
            "bar baz.txt",
            R"("mode":"changeCase","caseType":"Title Case")",
            "Caf\xe9"
            "bar Baz.txt",
            u"→ Caf\uFFFDbar Baz.txt"_qs);
        row("snake case", "Caf\xe9 Bar.txt", R"("mode":"changeCase","caseType":"snake_case")",
            "caf\xe9_bar.txt", u"→ caf\uFFFD_bar.txt"_qs);
        row("replace beside it", "caf\xe9-x.txt", R"("mode":"replace","findText":"-x")",
            "caf\xe9.txt", u"→ caf\uFFFD.txt"_qs);
        row("replace what it shows", "caf\xe9.txt",
            "\"mode\":\"replace\",\"findText\":\"\xef\xbf\xbd\",\"replaceText\":\"e\"", "cafe.txt",
            u"caf\uFFFD.txt → cafe.txt"_qs);
        row("regular expression beside it", "caf\xe9.txt",
            R"("mode":"regex","regexPattern":"^(c)a","regexReplacement":"$1A")", "cAf\xe9.txt",
            u"→ cAf\uFFFD.txt"_qs);
        row("regular expression removes it", "caf\xe9.txt",
            R"("mode":"regex","regexPattern":"[^a-z.]","regexReplacement":"")", "caf.txt",
            u"caf\uFFFD.txt → caf.txt"_qs);
        row("trim removes it", "caf\xe9.txt",
            R"("mode":"trim","trimType":"characterCount","trimPosition":"trailing","trimCount":1)",
            "caf.txt", u"→ caf.txt"_qs);
        row("a broken character, prepend", "\xe2\x82.txt",
            R"("mode":"prepend","prependText":"\u00e9-")", "\xc3\xa9-\xe2\x82.txt",
            u"→ é-\uFFFD\uFFFD.txt"_qs);
        row("control characters and a dash", "NEW\nLINE|-DASH|BAD\xff|ESC\033[31m",
            R"("mode":"changeCase","caseType":"lowercase")", "new\nline|-dash|bad\xff|esc\033[31m",
            u"ESC\\x1b[31m → esc\\x1b[31m"_qs);
    }

    void oddNames()
    {
        QFETCH(QByteArray, files);
        QFETCH(QByteArray, stack);
        QFETCH(QByteArray, renamed);
        QFETCH(QString, shown);
        QList<QByteArray> before = names(files);
        QList<QByteArray> after = names(renamed);
        QByteArray input;
        for (const QByteArray &name : before) {
            QVERIFY(m_home.create(name));
            input += name + '\0';
        }
        const QStringList arguments{u"-0"_qs, u"--stack"_qs, m_home.writeStack(stack)};

        const Run plan = m_home.run(arguments, input);
        QVERIFY2(plan.status == 0, plan.said().constData());
        QVERIFY(QByteArrayView(plan.out).isValidUtf8() && !plan.out.contains('\033'));
        QCOMPARE(plan.out.count('\n'), before.size() + 1); // a row each and the summary
        QVERIFY2(QString::fromUtf8(plan.out).contains(shown), plan.out.constData());
        // Only valid UTF-8 parses; each byte that is not UTF-8 reads as U+FFFD.
        const QList<QByteArray> json =
            m_home.run(arguments + QStringList{u"--json"_qs}, input).out.split('\n');
        for (qsizetype i = 0; i < before.size(); ++i) {
            const QJsonObject row = QJsonDocument::fromJson(json.value(i)).object();
            QCOMPARE(row.value(u"name"_qs).toString(), QString::fromUtf8(before[i]));
            QCOMPARE(row.value(u"newName"_qs).toString(), QString::fromUtf8(after[i]));
            QCOMPARE(QByteArray::fromBase64(row.value(u"newNameBase64"_qs).toString().toLatin1()),
                     QByteArrayView(after[i]).isValidUtf8() ? QByteArray() : after[i]);
        }

        const QString undo = m_home.folder + u".json"_qs;
        QCOMPARE(m_home.run(arguments + QStringList{u"--apply"_qs, u"--undo-file"_qs, undo}, input)
                     .status,
                 0);
        std::sort(after.begin(), after.end());
        QCOMPARE(m_home.listing(), after.join('|'));
        QCOMPARE(m_home.run({u"--revert"_qs, undo}).status, 0);
        std::sort(before.begin(), before.end());
        QCOMPARE(m_home.listing(), before.join('|'));
    }

    // A network mount that goes away in the middle of a batch: the rows left say so, not
    // that their files no longer exist.
    void mountGoneInTheMiddle_data()
    {
        QTest::addColumn<bool>("unmounted");
        QTest::newRow("sshfs killed, the mount stays") << false;
        // What a lost network does: sshfs unmounts itself, the mount point is left empty.
        QTest::newRow("connection lost, sshfs unmounted") << true;
    }

    void mountGoneInTheMiddle()
    {
        QFETCH(bool, unmounted);
        const QString served = m_home.folder + u"/served"_qs;
        const QString mountPoint = m_home.folder + u"/mnt"_qs;
        QVERIFY(QDir().mkpath(served) && QDir().mkpath(mountPoint));
        QByteArray input;
        for (int i = 0; i < 3000; ++i) {
            const QString name = u"IMG_%1.JPG"_qs.arg(i, 4, 10, QLatin1Char('0'));
            QVERIFY(QFile(served + u'/' + name).open(QIODevice::WriteOnly));
            input += QFile::encodeName(mountPoint + u'/' + name) + '\0';
        }
        SshfsMount sshfs;
        if (const QString why = sshfs.mount(served, mountPoint); !why.isEmpty())
            QSKIP(qPrintable(why));

        QProcess process;
        m_home.start(process,
                     {u"-0"_qs, u"--stack"_qs, m_home.writeStack(lowercase), u"--apply"_qs});
        process.write(input);
        process.closeWriteChannel();
        // sshfs goes as soon as the first file has its new name on the server.
        for (int waited = 0; waited < 60000 && !QFile::exists(served + u"/img_0000.JPG"_qs) &&
                             !process.waitForFinished(1);
             ++waited) {
        }
        if (unmounted)
            sshfs.dropConnection();
        else
            sshfs.killClient();
        QVERIFY(process.waitForFinished(120000));

        const QByteArray out = process.readAllStandardOutput();
        QVERIFY2(process.exitCode() == 1, out.constData());
        QVERIFY2(out.contains("is no longer connected.") && !out.contains("no longer exists"),
                 out.constData());
        QVERIFY(sshfs.unmount());
    }
};

BRISKLET_TEST(CommandLineTest)
#include "tst_cli.moc"
