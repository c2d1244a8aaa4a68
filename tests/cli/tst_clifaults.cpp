#include "testmain.h"

#include "clitest.h"
#include "disk/posixfilemover.h"
#include "engine/stepbuilders.h"
#include "renameengine.h"
#include "workflows/settingspreferencesstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>

using namespace CliTest;

namespace {

const QByteArray lowercase = R"([{"mode":"changeCase","caseType":"lowercase"}])";

QList<QJsonObject> jsonLines(const QByteArray &out)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.trimmed().split('\n'))
        objects.append(QJsonDocument::fromJson(line).object());
    return objects;
}

// A pseudo-terminal for a process's standard streams; the test reads what it shows.
class Terminal {
public:
    Terminal() : m_main(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (m_main >= 0 && ::grantpt(m_main) == 0 && ::unlockpt(m_main) == 0)
            m_device = QString::fromLocal8Bit(::ptsname(m_main));
    }
    ~Terminal() { ::close(m_main); }

    bool attach(QProcess &process, bool input = false) const
    {
        if (m_device.isEmpty())
            return false;
        if (input)
            process.setStandardInputFile(m_device);
        process.setStandardOutputFile(m_device, QIODevice::Append);
        process.setStandardErrorFile(m_device, QIODevice::Append);
        return true;
    }
    void type(const QByteArray &keys) const
    {
        QVERIFY(::write(m_main, keys.constData(), size_t(keys.size())) == keys.size());
    }
    // What the terminal shows until the process ends.
    QByteArray shown(QProcess &process)
    {
        bool running = true;
        while (running) {
            running = process.state() != QProcess::NotRunning && !process.waitForFinished(50);
            char buffer[4096];
            ssize_t got = 0;
            while ((got = ::read(m_main, buffer, sizeof buffer)) > 0)
                m_shown.append(buffer, got);
        }
        return m_shown;
    }

private:
    int m_main;
    QString m_device;
    QByteArray m_shown;
};

} // namespace

// What brisklet-cli says of a batch, a revert and a refusal, to people and to scripts, and
// how bash completes its command line.
class CommandLineFaultsTest : public QObject {
    Q_OBJECT

private:
    Home m_home;

    QStringList withStack(const QByteArray &stack, const QStringList &arguments) const
    {
        return QStringList{u"--stack"_qs, m_home.writeStack(stack)} + arguments;
    }

    // Bash in the files' folder, with two saved workflows and brisklet-cli on its PATH.
    bool prepareBash(QProcess &bash) const
    {
        RenameEngine engine(std::make_unique<SettingsPreferencesStore>(
                                m_home.filePath(u"config/Brisklet/Brisklet.conf"_qs)),
                            std::make_unique<PosixFileMover>());
        engine.setOperation(0, caseStep(CaseType::uppercase));
        const QString bin = m_home.filePath(u"bin"_qs);
        if (!engine.saveWorkflow(u"My Flow"_qs) || !engine.saveWorkflow(u"$(touch pwned)"_qs) ||
            !QDir().mkpath(bin) ||
            !(QFile::exists(bin + u"/brisklet-cli"_qs) ||
              QFile::link(QStringLiteral(BRISKLET_CLI), bin + u"/brisklet-cli"_qs)))
            return false;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PATH"_qs, bin + u':' + environment.value(u"PATH"_qs));
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        environment.insert(u"INPUTRC"_qs, u"/dev/null"_qs);
        environment.insert(u"PS1"_qs, u"$ "_qs);
        bash.setProcessEnvironment(environment);
        bash.setWorkingDirectory(m_home.folder);
        return true;
    }

private Q_SLOTS:
    void init() { QVERIFY(m_home.next()); }
    void cleanup() { m_home.removeFiles(); }

    // A file whose name stays is neither counted as renamed nor kept in the undo file; the
    // JSON of an apply maps each file's path and name before to where it is now.
    void applyCountsRealRenames_data()
    {
        QTest::addColumn<QByteArray>("files");
        QTest::addColumn<int>("renamed");
        QTest::newRow("one name stays") << QByteArray("A|b|C") << 2;
        QTest::newRow("every name stays") << QByteArray("a|b") << 0;
    }

    void applyCountsRealRenames()
    {
        QFETCH(QByteArray, files);
        QFETCH(int, renamed);
        const QList<QByteArray> before = names(files);
        for (const QByteArray &name : before)
            QVERIFY(m_home.create(name));
        const QString undo = m_home.folder + u".json"_qs;
        const Run result = m_home.run(
            withStack(lowercase, {u"--apply"_qs, u"--json"_qs, u"--undo-file"_qs, undo}) +
            QString::fromUtf8(files).split(u'|'));
        QVERIFY2(result.status == 0, result.said().constData());
        const QList<QJsonObject> lines = jsonLines(result.out);
        QCOMPARE(lines.size(), before.size() + 1);
        for (qsizetype i = 0; i < before.size(); ++i) {
            const QString name = QString::fromUtf8(before[i]);
            QCOMPARE(lines[i].value(u"name"_qs).toString(), name);
            QCOMPARE(lines[i].value(u"newName"_qs).toString(), name.toLower());
            QCOMPARE(lines[i].value(u"path"_qs).toString(), m_home.folder + u'/' + name);
            QCOMPARE(lines[i].value(u"newPath"_qs).toString(),
                     m_home.folder + u'/' + name.toLower());
        }
        const QJsonObject summary = lines.last().value(u"summary"_qs).toObject();
        QCOMPARE(summary.value(u"renamed"_qs).toInt(), renamed);
        QFile undoFile(undo);
        if (renamed == 0) {
            QVERIFY(!undoFile.exists());
            QVERIFY(summary.value(u"undoFile"_qs).isNull());
            return;
        }
        QVERIFY(undoFile.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(undoFile.readAll())
                     .object()
                     .value(u"entries"_qs)
                     .toArray()
                     .size(),
                 renamed);
    }

    // A revert says what became of each item: taken back, already back, or not where the
    // batch left it, by name; only the last fails it.
    void revertSaysWhatItFound_data()
    {
        QTest::addColumn<QByteArray>("meanwhile"); // "revert", "remove NAME", "replace NAME"
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("reverted twice")
            << QByteArray("revert") << 0
            << QByteArray("Reverted 0 of 2 renames; 2 already had their old names.\n")
            << QByteArray() << QByteArray("A\nB.TXT|C.TXT");
        QTest::newRow("one gone")
            << QByteArray("remove a\nb.TXT") << 1
            << QByteArray("Reverted 1 of 2 renames; 1 could not be reverted.\n")
            << QByteArray("/a\\nb.TXT” is not there: not given back its old name “A\\nB.TXT”\n")
            << QByteArray("C.TXT");
        QTest::newRow("one replaced")
            << QByteArray("replace c.TXT") << 1
            << QByteArray("Reverted 1 of 2 renames; 1 could not be reverted.\n")
            << QByteArray("/c.TXT” now holds another item than the one renamed: not given "
                          "back its old name “C.TXT”\n")
            << QByteArray("A\nB.TXT|c.TXT");
    }

    void revertSaysWhatItFound()
    {
        QFETCH(QByteArray, meanwhile);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(QByteArray, after);
        QVERIFY(m_home.create("A\nB.TXT") && m_home.create("C.TXT"));
        const QString undo = m_home.folder + u".json"_qs;
        QCOMPARE(m_home
                     .run(withStack(lowercase, {u"--apply"_qs, u"--undo-file"_qs, undo, u"-0"_qs}),
                          QByteArray("A\nB.TXT\0C.TXT", 13))
                     .status,
                 0);
        const QByteArray name = meanwhile.mid(meanwhile.indexOf(' ') + 1);
        if (meanwhile == "revert") {
            QCOMPARE(m_home.run({u"--revert"_qs, undo}).status, 0);
        } else {
            // Made before the old one goes, so that it cannot get the old one's inode back.
            if (meanwhile.startsWith("replace"))
                QVERIFY(m_home.create("other") && ::rename(m_home.path("other").constData(),
                                                           m_home.path(name).constData()) == 0);
            else
                QVERIFY(::unlink(m_home.path(name).constData()) == 0);
        }
        const Run result = m_home.run({u"--revert"_qs, undo});
        QVERIFY2(result.status == status, result.said().constData());
        QCOMPARE(result.out, out);
        QVERIFY2(err.isEmpty() ? result.err.isEmpty() : result.err.endsWith(err),
                 result.err.constData());
        QCOMPARE(m_home.listing(), after);
    }

    // An apply refused for the plan's problems says so in its summary, not that it was a
    // dry run; a count of one is singular.
    void refusedApplySaysSo()
    {
        QVERIFY(m_home.create("A.TXT") && m_home.create("B.TXT") && m_home.create("b.TXT"));
        const Run result =
            m_home.run(withStack(lowercase, {u"--apply"_qs, u"A.TXT"_qs, u"B.TXT"_qs}));
        QCOMPARE(result.status, 3);
        QVERIFY2(result.out.endsWith("2 files: 1 to rename, 0 unchanged, 0 conflicts, 1 error. "
                                     "Apply refused: nothing was renamed.\n"),
                 result.out.constData());
        QCOMPARE(result.err, QByteArray("brisklet-cli: 1 file has problems; nothing was renamed "
                                        "(--skip-problems renames the others)\n"));
        const Run json = m_home.run(
            withStack(lowercase, {u"--apply"_qs, u"--json"_qs, u"A.TXT"_qs, u"B.TXT"_qs}));
        const QJsonObject summary = jsonLines(json.out).last().value(u"summary"_qs).toObject();
        QVERIFY(summary.value(u"refused"_qs).toBool() && !summary.value(u"applied"_qs).toBool());
    }

    // A name in a message is escaped: its line breaks, escape codes and bytes that are not
    // UTF-8 can be read, and none of them reaches the terminal.
    void messagesEscapeNames_data()
    {
        QTest::addColumn<QStringList>("arguments"); // NAME: the path of `name`
        QTest::addColumn<QByteArray>("name");       // in the files' folder
        QTest::addColumn<QByteArray>("said");       // FOLDER: the files' folder
        // Only standard input carries a name that is not UTF-8.
        QTest::newRow("a listed file")
            << QStringList{u"--stack"_qs, u"STACK"_qs, u"-0"_qs}
            << QByteArray("x\ny\033[2J\t\\\xff\xc2\x9b\xc3\xa9.txt")
            << QByteArray(
                   "brisklet-cli: cannot use “FOLDER/x\\ny\\033[2J\\t\\\\\\377\\302\\233é.txt”: "
                   "No such file or directory\n");
        QTest::newRow("a stack file")
            << QStringList{u"--stack"_qs, u"NAME"_qs, u"a"_qs} << QByteArray("x\ny\rz")
            << QByteArray("brisklet-cli: cannot read “FOLDER/x\\ny\\rz”: No such file or "
                          "directory\n");
        QTest::newRow("an undo file")
            << QStringList{u"--revert"_qs, u"NAME"_qs} << QByteArray("u\x7f\x01")
            << QByteArray("brisklet-cli: cannot read “FOLDER/u\\177\\001”: No such file or "
                          "directory\n");
    }

    void messagesEscapeNames()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, said);
        QVERIFY(m_home.create("a"));
        QStringList command;
        for (const QString &argument : std::as_const(arguments))
            command.append(argument == u"NAME"_qs    ? QFile::decodeName(m_home.path(name))
                           : argument == u"STACK"_qs ? m_home.writeStack(lowercase)
                                                     : argument);
        const Run result = m_home.run(command, command.contains(u"-0"_qs) ? name : QByteArray());
        QCOMPARE(result.status, 2);
        QCOMPARE(result.err, said.replace("FOLDER", QFile::encodeName(m_home.folder)));
    }

    // On a terminal the progress line of a long batch goes before the outcome is printed,
    // and NO_COLOR leaves the rows of an apply plain.
    void progressLineGoesFirst_data()
    {
        QTest::addColumn<bool>("noColor");
        QTest::newRow("coloured") << false;
        QTest::newRow("NO_COLOR") << true;
    }

    void progressLineGoesFirst()
    {
        QFETCH(bool, noColor);
        constexpr int count = 20000;
        QByteArray input;
        for (int i = 0; i < count; ++i) {
            const QByteArray name = "IMG " + QByteArray::number(i) + ".JPG";
            QVERIFY(m_home.create(name));
            input += name + '\0';
        }
        // A conflict the apply skips, for a row to print.
        QVERIFY(m_home.create("img 0.JPG"));
        input += "img 0.JPG";
        Terminal terminal;
        const QString undo = m_home.folder + u".json"_qs;
        QProcess apply;
        QVERIFY(terminal.attach(apply));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"NO_COLOR"_qs);
        if (noColor)
            environment.insert(u"NO_COLOR"_qs, u"1"_qs);
        apply.setProcessEnvironment(environment);
        apply.setWorkingDirectory(m_home.folder);
        apply.start(QStringLiteral(BRISKLET_CLI),
                    withStack(lowercase, {u"-0"_qs, u"--apply"_qs, u"--skip-problems"_qs,
                                          u"--undo-file"_qs, undo}));
        apply.write(input);
        apply.closeWriteChannel();
        // Stopped for a while once the plan is written, so that the batch takes long enough
        // for its progress to show, whatever the machine's speed.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (QFileInfo(undo).size() == 0 && std::chrono::steady_clock::now() < deadline)
            apply.waitForBytesWritten(0);
        ::kill(pid_t(apply.processId()), SIGSTOP);
        QThread::msleep(700);
        ::kill(pid_t(apply.processId()), SIGCONT);
        const QByteArray shown = terminal.shown(apply);
        QCOMPARE(apply.exitCode(), 0);

        QVERIFY2(shown.contains("Renaming "), shown.right(300).constData());
        // What follows the progress line's last redraw starts on a cleared line.
        const QByteArray outcome = shown.mid(shown.lastIndexOf("…") + 3);
        QVERIFY2(outcome.startsWith("\r\033[K"), outcome.left(100).constData());
        const bool coloured = outcome.contains("\033[33m");
        QVERIFY2(outcome.contains("conflict") && coloured != noColor, outcome.constData());
    }

    // Bash completes options, their values after "=" whether or not bash splits the word at
    // it, and saved workflows, whatever their names hold.
    void completion_data()
    {
        QTest::addColumn<QString>("words"); // the command line's words, at spaces; "" is empty
        QTest::addColumn<QString>("offered");
        QTest::newRow("options") << u"brisklet-cli -"_qs << u"-0 -h -r"_qs;
        QTest::newRow("a step option") << u"brisklet-cli --if"_qs << u"--if-missing"_qs;
        QTest::newRow("value split at =")
            << u"brisklet-cli --sort = ta"_qs << u"taken taken:desc"_qs;
        QTest::newRow("value after =") << u"brisklet-cli --color ="_qs << u"auto always never"_qs;
        QTest::newRow("value in one word")
            << u"brisklet-cli --sort=ta"_qs << u"--sort=taken --sort=taken:desc"_qs;
        QTest::newRow("next word") << u"brisklet-cli --case sn"_qs << u"snake snake_case"_qs;
        QTest::newRow("file-info field")
            << u"brisklet-cli --info date"_qs << u"dateTaken dateModified"_qs;
        QTest::newRow("trim from") << u"brisklet-cli --trim 3 --from b"_qs << u"both"_qs;
        QTest::newRow("missing info") << u"brisklet-cli --if-missing u"_qs << u"useDateModified"_qs;
        QTest::newRow("text of a two-word step") << u"brisklet-cli --replace a \"\""_qs << u""_qs;
        QTest::newRow("workflows")
            << u"brisklet-cli --workflow \"\""_qs << u"$(touch pwned)|My Flow"_qs;
        QTest::newRow("workflow typed with a backslash")
            << u"brisklet-cli --show-workflow My\\ F"_qs << u"My Flow|"_qs;
    }

    void completion()
    {
        QFETCH(QString, words);
        QFETCH(QString, offered);
        QProcess bash;
        QVERIFY(prepareBash(bash));
        // The words are set as bash sets them for a completion function.
        bash.start(u"bash"_qs, {u"--norc"_qs, u"-c"_qs,
                                u"source \"$0\"; COMP_WORDS=(" + words +
                                    u"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _brisklet_cli; "
                                    u"printf '%s\\n' \"${COMPREPLY[@]}\""_qs,
                                QStringLiteral(BRISKLET_COMPLETION)});
        QVERIFY(bash.waitForFinished(60000));
        QVERIFY2(bash.exitCode() == 0, bash.readAllStandardError().constData());
        QStringList got =
            QString::fromUtf8(bash.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QStringList expected =
            offered.split(offered.contains(u'|') ? u'|' : u' ', Qt::SkipEmptyParts);
        got.sort();
        expected.sort();
        if (words.endsWith(u'-')) // every option; a few of them stand for the rest
            QVERIFY2(std::all_of(expected.cbegin(), expected.cend(),
                                 [&got](const QString &option) { return got.contains(option); }),
                     qPrintable(got.join(u' ')));
        else
            QCOMPARE(got, expected);
        QVERIFY(!QFile::exists(m_home.folder + u"/pwned"_qs));
    }

    // Typed at an interactive bash, a workflow name with a space is completed as one
    // argument, which the command then finds.
    void completedWorkflowNameIsOneArgument()
    {
        Terminal terminal;
        QProcess bash;
        QVERIFY(prepareBash(bash) && terminal.attach(bash, true));
        bash.start(u"bash"_qs, {u"--norc"_qs, u"--noprofile"_qs, u"-i"_qs});
        QVERIFY(bash.waitForStarted());
        terminal.type("source '" BRISKLET_COMPLETION "'\n");
        QThread::msleep(300);
        terminal.type("brisklet-cli --export-workflow My\t");
        QThread::msleep(1000); // the completion asks brisklet-cli for the names
        terminal.type("\nexit\n");
        const QByteArray shown = terminal.shown(bash);
        QVERIFY2(shown.contains("--export-workflow My\\ Flow") &&
                     shown.contains(R"("caseType": "UPPERCASE")"),
                 shown.constData());
    }
};

BRISKLET_TEST(CommandLineFaultsTest)
#include "tst_clifaults.moc"
