#include "testmain.h"

#include "disk/posixfilemover.h"
#include "renameengine.h"
#include "workflows/settingspreferencesstore.h"

#include "engine/sshfsmount.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QByteArray lowercase = R"([{"mode":"changeCase","caseType":"lowercase"}])";

// "a|b" → {"a", "b"}, as bytes: names on disk need not be UTF-8.
QList<QByteArray> names(const QByteArray &text)
{
    return text.isEmpty() ? QList<QByteArray>{} : text.split('|');
}

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QByteArray said() const { return out + err; } // for a failure message
};

} // namespace

// The real brisklet-cli on real files, in a folder and settings of the test's own.
class CliTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QByteArray m_folder;

    QByteArray path(const QByteArray &name) const { return m_folder + '/' + name; }

    void create(const QList<QByteArray> &files)
    {
        for (const QByteArray &name : files) {
            const int descriptor =
                ::open(path(name).constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
            QVERIFY2(descriptor >= 0, name.constData());
            ::close(descriptor);
        }
    }

    // The folder's names, sorted, as "a|b".
    QByteArray listing() const
    {
        QList<QByteArray> entries;
        DIR *folder = ::opendir(m_folder.constData());
        while (const dirent *entry = ::readdir(folder)) {
            if (entry->d_name[0] != '.' || (entry->d_name[1] != 0 && entry->d_name[1] != '.'))
                entries.append(QByteArray(entry->d_name));
        }
        ::closedir(folder);
        std::sort(entries.begin(), entries.end());
        return entries.join('|');
    }

    Run run(const QStringList &arguments, const QByteArray &input = {}) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        environment.insert(u"XDG_STATE_HOME"_qs, m_home.filePath(u"state"_qs));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QFile::decodeName(m_folder));
        process.start(QStringLiteral(BRISKLET_CLI), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(120000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    // Saved the way the application saves it, in the settings the program reads.
    void saveUpperWorkflow() const
    {
        RenameEngine engine(std::make_unique<SettingsPreferencesStore>(
                                m_home.filePath(u"config/Brisklet/Brisklet.conf"_qs)),
                            std::make_unique<PosixFileMover>());
        RenameOperationWrapper upper;
        upper.mode = RenameMode::changeCase;
        upper.caseType = CaseType::uppercase;
        engine.setOperation(0, upper);
        QVERIFY(engine.saveWorkflow(u"Upper"_qs));
    }

    QString writeStack(const QByteArray &text) const
    {
        const QString file = m_home.filePath(u"stack.json"_qs);
        QFile stack(file);
        if (stack.open(QIODevice::WriteOnly | QIODevice::Truncate))
            stack.write(text);
        return file;
    }

private Q_SLOTS:
    // By bytes: QTemporaryDir cannot remove a name that is not UTF-8.
    void cleanup()
    {
        for (const QByteArray &name : listing().split('|'))
            ::unlink(path(name).constData());
    }

    void init()
    {
        static int count = 0;
        m_folder = QFile::encodeName(m_home.filePath(QStringLiteral("files%1").arg(++count)));
        QVERIFY(QDir().mkpath(QFile::decodeName(m_folder)));
    }

    void exitStatuses_data()
    {
        QTest::addColumn<QByteArray>("files");
        QTest::addColumn<QByteArray>("stack");
        QTest::addColumn<QStringList>("arguments"); // the listed files follow them
        QTest::addColumn<QByteArray>("listed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("said"); // in standard output or error

        const QByteArray abc = "A.TXT|B.TXT";
        QTest::newRow("dry run") << abc << lowercase << QStringList{} << abc << 0 << abc
                                 << QByteArray("A.TXT → a.TXT");
        QTest::newRow("apply") << abc << lowercase << QStringList{u"--apply"_qs} << abc << 0
                               << QByteArray("a.TXT|b.TXT") << QByteArray("Undo file: ");
        QTest::newRow("file URI") << abc << lowercase << QStringList{u"--apply"_qs}
                                  << QByteArray("file:A.TXT|B.TXT") << 0
                                  << QByteArray("a.TXT|b.TXT") << QByteArray("Renamed 2");
        QTest::newRow("paths cleaned first")
            << abc << lowercase << QStringList{u"--apply"_qs} << QByteArray("x/../A.TXT|.//B.TXT")
            << 0 << QByteArray("a.TXT|b.TXT") << QByteArray("Renamed 2");
        QTest::newRow("conflict refuses apply")
            << QByteArray("A.txt|B.txt|a.txt") << lowercase << QStringList{u"--apply"_qs}
            << QByteArray("A.txt|B.txt|a.txt") << 3 << QByteArray("A.txt|B.txt|a.txt")
            << QByteArray("nothing was renamed");
        QTest::newRow("skip problems")
            << QByteArray("A.txt|B.txt|a.txt") << lowercase
            << QStringList{u"--apply"_qs, u"--skip-problems"_qs} << QByteArray("A.txt|B.txt|a.txt")
            << 0 << QByteArray("A.txt|a.txt|b.txt") << QByteArray("Renamed 1, failed 0");
        // The name is free in the plan, taken on disk by a file that is not listed: the dry
        // run says so, and the batch does not start.
        const QByteArray taken = "A.TXT|B.TXT|b.TXT";
        QTest::newRow("a name taken on disk")
            << taken << lowercase << QStringList{} << abc << 3 << taken
            << QByteArray("error     B.TXT → b.TXT  An item with this name already exists");
        QTest::newRow("a name taken on disk refuses apply")
            << taken << lowercase << QStringList{u"--apply"_qs} << abc << 3 << taken
            << QByteArray("nothing was renamed");
        QTest::newRow("a name taken on disk, skipped")
            << taken << lowercase << QStringList{u"--apply"_qs, u"--skip-problems"_qs} << abc << 0
            << QByteArray("B.TXT|a.TXT|b.TXT") << QByteArray("Renamed 1, failed 0");
        // Waiting for the file that leaves the name is no problem.
        const QByteArray chain =
            R"([{"mode":"regex","regexPattern":"^A\\.","regexReplacement":"@."},
            {"mode":"regex","regexPattern":"^B\\.","regexReplacement":"C."},
            {"mode":"regex","regexPattern":"^@\\.","regexReplacement":"B."}])";
        QTest::newRow("a chain") << abc << chain << QStringList{u"--apply"_qs} << abc << 0
                                 << QByteArray("B.TXT|C.TXT") << QByteArray("Renamed 2");
        QTest::newRow("missing file")
            << abc << lowercase << QStringList{u"--apply"_qs} << QByteArray("A.TXT|C.TXT") << 2
            << abc << QByteArray("C.TXT");
        QTest::newRow("unknown option") << abc << lowercase << QStringList{u"--aply"_qs} << abc << 2
                                        << abc << QByteArray("--aply");
        QTest::newRow("damaged stack")
            << abc
            << QByteArray("[\n  {\"mode\": \"trim\"},\n  {\"mode\": \"changeCase\",\n"
                          "   \"caseType\": \"shouting\"}\n]")
            << QStringList{u"--apply"_qs} << abc << 2 << abc
            << QByteArray("line 3, step 2: field \"caseType\"");
        QTest::newRow("unknown field")
            << abc << QByteArray(R"([{"mode":"trim","trimKind":"spaces"}])")
            << QStringList{u"--apply"_qs} << abc << 2 << abc
            << QByteArray("unknown field \"trimKind\"");
        QTest::newRow("not JSON") << abc << QByteArray("[{\"mode\":\n\"trim\",]") << QStringList{}
                                  << abc << 2 << abc << QByteArray("line 2");
        // A step that would leave every name as it is stops the run, also a dry run.
        QTest::newRow("pattern does not compile")
            << abc
            << QByteArray("[{\"mode\":\"trim\"},{\"mode\":\"regex\",\"regexPattern\":\"IMG_[0\"}]")
            << QStringList{u"--apply"_qs} << abc << 2 << abc
            << QByteArray("step 2 (regex): Missing closing bracket ] at character 6; nothing was "
                          "renamed");
        QTest::newRow("template names a missing group")
            << abc
            << QByteArray(
                   "[{\"mode\":\"regex\",\"regexPattern\":\"(A)\",\"regexReplacement\":\"$9\"}]")
            << QStringList{} << abc << 2 << abc
            << QByteArray("step 1 (regex): $9 in the replacement: the pattern has no group 9");
    }

    void exitStatuses()
    {
        QFETCH(QByteArray, files);
        QFETCH(QByteArray, stack);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, listed);
        QFETCH(int, status);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, said);
        create(names(files));
        arguments << u"--stack"_qs << writeStack(stack) << u"--"_qs;
        for (const QByteArray &name : names(listed)) {
            // "file:NAME" stands for the file URI of NAME in the test's folder.
            arguments << (name.startsWith("file:")
                              ? QUrl::fromLocalFile(QFile::decodeName(path(name.mid(5)))).toString()
                              : QString::fromUtf8(name));
        }
        const Run result = run(arguments);
        QVERIFY2(result.status == status, result.said().constData());
        QCOMPARE(listing(), after);
        QVERIFY2(result.said().contains(said), result.said().constData());
    }

    void workflows_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("saved") << QStringList{u"--workflow"_qs, u"Upper"_qs, u"--apply"_qs} << 0
                               << QByteArray("ONE.txt");
        QTest::newRow("unknown saved") << QStringList{u"--workflow"_qs, u"Lower"_qs, u"--apply"_qs}
                                       << 2 << QByteArray("one.txt");
        QTest::newRow("built-in") << QStringList{u"--system-workflow"_qs, u"clean-and-number"_qs,
                                                 u"--apply"_qs}
                                  << 0 << QByteArray("001 - File.txt");
        QTest::newRow("unknown built-in")
            << QStringList{u"--system-workflow"_qs, u"tidy"_qs, u"--apply"_qs} << 2
            << QByteArray("one.txt");
        QTest::newRow("two stacks")
            << QStringList{u"--workflow"_qs, u"Upper"_qs, u"--system-workflow"_qs,
                           u"web-safe-names"_qs, u"--apply"_qs}
            << 2 << QByteArray("one.txt");
    }

    void workflows()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, after);
        saveUpperWorkflow();
        create({"one.txt"});
        const Run result = run(arguments << u"one.txt"_qs);
        QVERIFY2(result.status == status, result.said().constData());
        QCOMPARE(listing(), after);
    }

    // A saved workflow exported, then used as a stack file, gives the same names.
    void exportedWorkflowIsAStack()
    {
        create({"one.txt"});
        saveUpperWorkflow();
        const Run exported = run({u"--export-workflow"_qs, u"Upper"_qs});
        QCOMPARE(exported.status, 0);
        const Run applied =
            run({u"--stack"_qs, writeStack(exported.out), u"--apply"_qs, u"one.txt"_qs});
        QVERIFY2(applied.status == 0, applied.said().constData());
        QCOMPARE(listing(), QByteArray("ONE.txt"));
    }

    // One file named twice, or under other spellings of its path, is one row of the plan and
    // no duplicate of itself.
    void sameFileNamedTwice()
    {
        create({"A.TXT"});
        QVERIFY(QDir().mkpath(QFile::decodeName(path("sub"))));
        QVERIFY(QFile::link(QFile::decodeName(m_folder), QFile::decodeName(path("sub/up"))));
        const Run plan = run({u"--stack"_qs, writeStack(lowercase), u"A.TXT"_qs, u"./A.TXT"_qs,
                              u"sub/../A.TXT"_qs, u"sub/up/A.TXT"_qs, u"A.TXT"_qs});
        QVERIFY2(plan.status == 0, plan.said().constData());
        QVERIFY2(plan.out.contains("1 file: 1 to rename, 0 unchanged, 0 conflicts, 0 errors."),
                 plan.out.constData());
    }

    // A byte that is not UTF-8 keeps its place when a step changes the rest of the name and
    // goes only with a step that removes it. The plan shows it as U+FFFD, its JSON stays
    // valid and carries the new name's exact bytes, and the revert puts the old bytes back.
    void bytesNotUtf8_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("stack");
        QTest::addColumn<QByteArray>("after");

        const auto step = [](const char *fields) -> QByteArray {
            return "[{" + QByteArray(fields) + "}]";
        };
        QTest::newRow("lower case")
            << QByteArray("CAF\xc9.JPG") << lowercase << QByteArray("caf\xc9.JPG");
        QTest::newRow("upper case, two bytes in a row")
            << QByteArray("\xff\xfe"
                          "ab.txt")
            << step(R"("mode":"changeCase","caseType":"UPPERCASE")")
            << QByteArray("\xff\xfe"
                          "AB.txt");
        QTest::newRow("title case, the byte within a word")
            << QByteArray("caf\xe9"
                          "bar baz.txt")
            << step(R"("mode":"changeCase","caseType":"Title Case")")
            << QByteArray("Caf\xe9"
                          "bar Baz.txt");
        QTest::newRow("snake case") << QByteArray("Caf\xe9 Bar.txt")
                                    << step(R"("mode":"changeCase","caseType":"snake_case")")
                                    << QByteArray("caf\xe9_bar.txt");
        QTest::newRow("replace beside it")
            << QByteArray("caf\xe9-x.txt") << step(R"("mode":"replace","findText":"-x")")
            << QByteArray("caf\xe9.txt");
        QTest::newRow("replace what it shows")
            << QByteArray("caf\xe9.txt")
            << step("\"mode\":\"replace\",\"findText\":\"\xef\xbf\xbd\",\"replaceText\":\"e\"")
            << QByteArray("cafe.txt");
        QTest::newRow("regular expression beside it")
            << QByteArray("caf\xe9.txt")
            << step(R"("mode":"regex","regexPattern":"^(c)a","regexReplacement":"$1A")")
            << QByteArray("cAf\xe9.txt");
        QTest::newRow("regular expression removes it")
            << QByteArray("caf\xe9.txt")
            << step(R"("mode":"regex","regexPattern":"[^a-z.]","regexReplacement":"")")
            << QByteArray("caf.txt");
        QTest::newRow("trim removes it")
            << QByteArray("caf\xe9.txt")
            << step(
                   R"("mode":"trim","trimType":"characterCount","trimPosition":"trailing","trimCount":1)")
            << QByteArray("caf.txt");
        QTest::newRow("a broken character, prepend")
            << QByteArray("\xe2\x82.txt") << step(R"("mode":"prepend","prependText":"\u00e9-")")
            << QByteArray("\xc3\xa9-\xe2\x82.txt");
    }

    void bytesNotUtf8()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, stack);
        QFETCH(QByteArray, after);

        create({name});
        const QByteArray input = path(name) + '\0';
        const QString stackFile = writeStack(stack);
        const auto readable = [](const QByteArray &bytes) {
            return QString::fromUtf8(bytes).toUtf8(); // each byte that is not UTF-8 as U+FFFD
        };

        const Run plan = run({u"-0"_qs, u"--stack"_qs, stackFile}, input);
        QVERIFY2(plan.status == 0, plan.said().constData());
        QVERIFY(QByteArrayView(plan.out).isValidUtf8());
        const QByteArray shown = readable(name) + " → " + readable(after);
        QVERIFY2(plan.out.contains(shown), plan.out.constData());

        const Run json = run({u"-0"_qs, u"--stack"_qs, stackFile, u"--json"_qs}, input);
        QVERIFY2(json.status == 0, json.said().constData());
        QVERIFY(QByteArrayView(json.out).isValidUtf8());
        QJsonParseError error;
        const QJsonObject row =
            QJsonDocument::fromJson(json.out.split('\n').first(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(row.value(u"name"_qs).toString().toUtf8(), readable(name));
        QCOMPARE(row.value(u"newName"_qs).toString().toUtf8(), readable(after));
        QCOMPARE(QByteArray::fromBase64(row.value(u"newNameBase64"_qs).toString().toLatin1()),
                 QByteArrayView(after).isValidUtf8() ? QByteArray() : after);

        const QString undo = m_home.filePath(u"bytes-undo.json"_qs);
        QFile::remove(undo);
        const Run applied = run(
            {u"-0"_qs, u"--stack"_qs, stackFile, u"--apply"_qs, u"--undo-file"_qs, undo}, input);
        QVERIFY2(applied.status == 0, applied.said().constData());
        QCOMPARE(listing(), after);
        const Run reverted = run({u"--revert"_qs, undo});
        QVERIFY2(reverted.status == 0, reverted.said().constData());
        QCOMPARE(listing(), name);
    }

    // Names no shell argument can carry safely come through standard input, keep their
    // exact bytes through the rename and the revert, and print on one row each.
    void nullSeparatedOddNamesRoundTrip()
    {
        const QList<QByteArray> odd{"NEW\nLINE", "-DASH", "BAD\xff", "ESC\033[31m"};
        create(odd);
        const QByteArray input =
            path(odd[0]) + '\0' + odd[1] + '\0' + path(odd[2]) + '\0' + path(odd[3]) + '\0';
        const QString stack = writeStack(lowercase);
        const Run plan = run({u"-0"_qs, u"--stack"_qs, stack}, input);
        QVERIFY2(plan.status == 0, plan.said().constData());
        QCOMPARE(plan.out.count('\n'), 5); // four rows and the summary
        QVERIFY(!plan.out.contains('\033'));

        const QString undo = m_home.filePath(u"odd-undo.json"_qs);
        const Run applied =
            run({u"-0"_qs, u"--stack"_qs, stack, u"--apply"_qs, u"--undo-file"_qs, undo}, input);
        QVERIFY2(applied.status == 0, applied.said().constData());
        QCOMPARE(listing(), QByteArray("-dash|bad\xff|esc\033[31m|new\nline"));

        const Run reverted = run({u"--revert"_qs, undo});
        QVERIFY2(reverted.status == 0, reverted.said().constData());
        QList<QByteArray> sorted = odd;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(listing(), sorted.join('|'));
    }

    // Without --undo-file the undo file goes to the state folder and its path is printed; a
    // revert leaves an item replaced since the batch where it is, and says so.
    void jsonApplyThenRevertLeavesReplacedItems()
    {
        create({"A", "B"});
        const Run result = run(
            {u"--stack"_qs, writeStack(lowercase), u"--apply"_qs, u"--json"_qs, u"A"_qs, u"B"_qs});
        QVERIFY2(result.status == 0, result.said().constData());
        const QList<QByteArray> lines = result.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(QJsonDocument::fromJson(lines.first()).object().value(u"status"_qs),
                 u"success"_qs);
        const QJsonObject summary =
            QJsonDocument::fromJson(lines.last()).object().value(u"summary"_qs).toObject();
        QCOMPARE(summary.value(u"renamed"_qs).toInt(), 2);
        const QString undo = summary.value(u"undoFile"_qs).toString();
        QVERIFY2(undo.startsWith(m_home.filePath(u"state/brisklet/undo/"_qs)), qPrintable(undo));

        // Made before the old one goes, so that it cannot get the old one's inode back.
        create({"other"});
        QVERIFY(::rename(path("other").constData(), path("b").constData()) == 0);
        QCOMPARE(run({u"--revert"_qs, undo}).status, 1);
        QCOMPARE(listing(), QByteArray("A|b"));
        QCOMPARE(run({u"--revert"_qs, m_home.filePath(u"stack.json"_qs)}).status, 2);
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
        const QString served = QFile::decodeName(path("served"));
        const QString mountPoint = QFile::decodeName(path("mnt"));
        QVERIFY(QDir().mkpath(served) && QDir().mkpath(mountPoint));
        constexpr int count = 3000;
        QByteArray input;
        for (int i = 0; i < count; ++i) {
            const QString name = u"IMG_%1.JPG"_qs.arg(i, 4, 10, QLatin1Char('0'));
            QFile file(served + u'/' + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            input += QFile::encodeName(mountPoint + u'/' + name) + '\0';
        }
        SshfsMount sshfs;
        if (const QString why = sshfs.mount(served, mountPoint); !why.isEmpty())
            QSKIP(qPrintable(u"Cannot mount through sshfs: "_qs + why));

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        environment.insert(u"XDG_STATE_HOME"_qs, m_home.filePath(u"state"_qs));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(BRISKLET_CLI),
                      {u"-0"_qs, u"--stack"_qs, writeStack(lowercase), u"--apply"_qs});
        process.write(input);
        process.closeWriteChannel();
        // sshfs dies as soon as the first file has its new name on the server.
        const QString first = served + u"/img_0000.JPG"_qs;
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(first) && !process.waitForFinished(1) && waited.elapsed() < 60000) {
        }
        if (unmounted)
            sshfs.dropConnection();
        else
            sshfs.killClient();
        QVERIFY(process.waitForFinished(120000));

        const QByteArray out = process.readAllStandardOutput();
        const QByteArray said = out + process.readAllStandardError();
        QVERIFY2(process.exitCode() == 1, said.constData());
        QVERIFY2(out.contains("The drive or network folder holding this file is no longer "
                              "connected."),
                 said.constData());
        QVERIFY2(!out.contains("no longer exists"), said.constData());
        QVERIFY(sshfs.unmount());
        for (const QByteArray &line : out.split('\n')) {
            if (line.contains(" files: "))
                qInfo("%s", line.constData());
        }
    }

    void largeBatch()
    {
        constexpr int count = 5000;
        QByteArray input;
        for (int i = 0; i < count; ++i) {
            const QByteArray name = "IMG " + QByteArray::number(i) + ".JPG";
            create({name});
            input += name + '\0';
        }
        const QByteArray stack =
            R"([{"mode":"sequence","sequenceBaseName":"photo","sequencePadding":4}])";
        const Run result = run({u"-0"_qs, u"--stack"_qs, writeStack(stack), u"--apply"_qs}, input);
        QVERIFY2(result.status == 0 && result.out.contains("Renamed 5000, failed 0"),
                 result.said().constData());
        QVERIFY(QFile::exists(QFile::decodeName(path("photo - 0001.JPG"))));
        QVERIFY(QFile::exists(QFile::decodeName(path("photo - 5000.JPG"))));
    }
};

BRISKLET_TEST(CliTest)
#include "tst_cli.moc"
