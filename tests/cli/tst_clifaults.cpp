#include "testmain.h"

#include "clitest.h"
#include "disk/posixfilemover.h"
#include "engine/stepbuilders.h"
#include "renameengine.h"
#include "workflows/settingspreferencesstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>

using namespace CliTest;

// What brisklet-cli says of a batch, a revert and a refusal, and how bash completes it.
class CommandLineFaultsTest : public QObject {
    Q_OBJECT

private:
    Home m_home;

    QStringList lowercase(const QStringList &arguments) const
    {
        return QStringList{u"--stack"_qs,
                           m_home.writeStack(R"([{"mode":"changeCase","caseType":"lowercase"}])")} +
               arguments;
    }

private Q_SLOTS:
    void init() { QVERIFY(m_home.next()); }
    void cleanup() { m_home.removeFiles(); }

    // An apply counts and keeps in its undo file only the names that change, and its JSON
    // maps each file's path and name before to where it is now; without --undo-file the undo
    // file goes to the state folder, and its path is in the summary. A revert then says what
    // became of each item: taken back, already back, or not where the batch left it (named,
    // escaped as ls -b does); only the last fails it.
    void applyThenRevert_data()
    {
        QTest::addColumn<QByteArray>("meanwhile"); // "revert", or what happens to the odd file
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said"); // standard output, then standard error
        QTest::addColumn<QByteArray>("after");
        const QByteArray one = "Reverted 1 of 2 renames; 1 could not be reverted.\n"
                               "brisklet-cli: “FOLDER/o\\n\\033[1m\\377”";
        const QByteArray back = ": not given back its old name “O\\n\\033[1m\\377”\n";
        QTest::newRow("reverted twice")
            << QByteArray("revert") << 0
            << QByteArray("Reverted 0 of 2 renames; 2 already had their old names.\n")
            << QByteArray("A|O\n\033[1m\xff|b");
        QTest::newRow("one gone") << QByteArray("remove") << 1 << one + " is not there" + back
                                  << QByteArray("A|b");
        QTest::newRow("one replaced") << QByteArray("replace") << 1
                                      << one + " now holds another item than the one renamed" + back
                                      << QByteArray("A|b|o\n\033[1m\xff");
    }

    void applyThenRevert()
    {
        QFETCH(QByteArray, meanwhile);
        QFETCH(int, status);
        QFETCH(QByteArray, said);
        QFETCH(QByteArray, after);
        const QByteArray odd = "O\n\033[1m\xff";
        QVERIFY(m_home.create("A") && m_home.create("b") && m_home.create(odd) &&
                m_home.create("other"));
        const Run apply = m_home.run(lowercase({u"--apply"_qs, u"--json"_qs, u"-0"_qs}),
                                     QByteArray("A\0b\0", 4) + odd);
        const QList<QByteArray> lines = apply.out.trimmed().split('\n');
        QVERIFY2(apply.status == 0 && lines.size() == 4, apply.said().constData());
        const QString undo =
            QJsonDocument::fromJson(lines[3])[u"summary"_qs][u"undoFile"_qs].toString();
        QVERIFY2(undo.startsWith(m_home.stateHome + u"/brisklet/undo/"_qs), qPrintable(undo));
        const QString folder = m_home.folder + u'/';
        const QJsonDocument first = QJsonDocument::fromJson(lines[0]);
        QCOMPARE(
            (QStringList{first[u"name"_qs].toString(), first[u"path"_qs].toString(),
                         first[u"newName"_qs].toString(), first[u"newPath"_qs].toString(),
                         first[u"status"_qs].toString()}),
            (QStringList{u"A"_qs, folder + u"A"_qs, u"a"_qs, folder + u"a"_qs, u"success"_qs}));
        QCOMPARE(QJsonDocument::fromJson(lines[3])[u"summary"_qs][u"renamed"_qs].toInt(), 2);
        QFile undoFile(undo);
        QVERIFY(undoFile.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(undoFile.readAll())[u"entries"_qs].toArray().size(), 2);

        const QByteArray renamed = m_home.path("o\n\033[1m\xff");
        if (meanwhile == "revert")
            QCOMPARE(m_home.run({u"--revert"_qs, undo}).status, 0);
        // Made before the old one goes, so that it cannot get the old one's inode back.
        else if (meanwhile == "replace")
            QCOMPARE(::rename(m_home.path("other").constData(), renamed.constData()), 0);
        else
            QCOMPARE(::unlink(renamed.constData()), 0);
        ::unlink(m_home.path("other").constData());
        const Run result = m_home.run({u"--revert"_qs, undo});
        QCOMPARE(result.status, status);
        QCOMPARE(result.out + result.err, said.replace("FOLDER", QFile::encodeName(m_home.folder)));
        QCOMPARE(m_home.listing(), after);
    }

    // An apply refused for the plan's problems says so, not that it was a dry run; a count
    // of one is singular.
    void refusedApplySaysSo()
    {
        QVERIFY(m_home.create("A.TXT") && m_home.create("B.TXT") && m_home.create("b.TXT"));
        const Run result = m_home.run(lowercase({u"--apply"_qs, u"A.TXT"_qs, u"B.TXT"_qs}));
        QCOMPARE(result.status, 3);
        QVERIFY2(result.out.endsWith("2 files: 1 to rename, 0 unchanged, 0 conflicts, 1 error. "
                                     "Apply refused: nothing was renamed.\n"),
                 result.out.constData());
        QCOMPARE(result.err, QByteArray("brisklet-cli: 1 file has problems; nothing was renamed "
                                        "(--skip-problems renames the others)\n"));
    }

    // On a terminal the progress line of a long batch goes before the outcome is printed.
    void progressLineGoesFirst()
    {
        QByteArray input = "img 0.JPG"; // a conflict the apply skips, for a row to print
        QVERIFY(m_home.create(input));
        for (int i = 0; i < 20000; ++i) {
            const QByteArray name = "IMG " + QByteArray::number(i) + ".JPG";
            QVERIFY(m_home.create(name));
            input += '\0' + name;
        }
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
        const QString undo = m_home.folder + u".json"_qs;
        QProcess apply;
        apply.setStandardOutputFile(QString::fromLocal8Bit(::ptsname(terminal)));
        apply.setStandardErrorFile(QString::fromLocal8Bit(::ptsname(terminal)));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"NO_COLOR"_qs);
        apply.setProcessEnvironment(environment);
        apply.setWorkingDirectory(m_home.folder);
        apply.start(
            QStringLiteral(BRISKLET_CLI),
            lowercase({u"-0"_qs, u"--apply"_qs, u"--skip-problems"_qs, u"--undo-file"_qs, undo}));
        apply.write(input);
        apply.closeWriteChannel();
        // Stopped for a while once the plan is written, so that the batch takes long enough
        // for its progress to show, whatever the machine's speed.
        while (QFileInfo(undo).size() == 0 && apply.state() != QProcess::NotRunning)
            apply.waitForBytesWritten(1);
        ::kill(pid_t(apply.processId()), SIGSTOP);
        QThread::msleep(700);
        ::kill(pid_t(apply.processId()), SIGCONT);
        QByteArray shown;
        for (bool running = true; running;) {
            running = !apply.waitForFinished(50);
            char buffer[4096];
            for (ssize_t got = 0; (got = ::read(terminal, buffer, sizeof buffer)) > 0;)
                shown.append(buffer, got);
        }
        ::close(terminal);
        QCOMPARE(apply.exitCode(), 0);
        // What follows the progress line's last redraw starts on a cleared line.
        const QByteArray outcome = shown.mid(shown.lastIndexOf("…") + 3);
        QVERIFY2(shown.contains("Renaming ") && outcome.startsWith("\r\033[K"), shown.constData());
        QVERIFY2(outcome.contains("conflict") && outcome.contains("\033[33m"), outcome.constData());
    }

    // Bash completes options, their values after "=" whether or not bash splits the word
    // there, and saved workflows quoted as one word, whatever their names hold.
    void completion_data()
    {
        QTest::addColumn<QString>("words");   // as bash splits the command line
        QTest::addColumn<QString>("offered"); // at spaces, or at "|" where there is one
        QTest::newRow("options") << u"-"_qs << u"-0 -h -r --if-missing --print-stack"_qs;
        QTest::newRow("value split at =") << u"--sort = ta"_qs << u"taken taken:desc"_qs;
        QTest::newRow("value after =") << u"--color ="_qs << u"always auto never"_qs;
        QTest::newRow("value in one word")
            << u"--sort=ta"_qs << u"--sort=taken --sort=taken:desc"_qs;
        QTest::newRow("a step's value") << u"--case sn"_qs << u"snake snake_case"_qs;
        QTest::newRow("a modifier's value") << u"--trim 3 --from b"_qs << u"both"_qs;
        QTest::newRow("text of a two-word step") << u"--replace a ''"_qs << QString();
        QTest::newRow("workflows") << u"--workflow ''"_qs << u"My\\ Flow|\\$\\(touch\\ pwned\\)"_qs;
        QTest::newRow("typed with a backslash") << u"--show-workflow My\\ F"_qs << u"My\\ Flow|"_qs;
    }

    void completion()
    {
        QFETCH(QString, words);
        QFETCH(QString, offered);
        RenameEngine engine(std::make_unique<SettingsPreferencesStore>(
                                m_home.filePath(u"config/Brisklet/Brisklet.conf"_qs)),
                            std::make_unique<PosixFileMover>());
        engine.setOperation(0, caseStep(CaseType::uppercase));
        const QString bin = m_home.filePath(u"bin"_qs);
        QVERIFY(engine.saveWorkflow(u"My Flow"_qs) && engine.saveWorkflow(u"$(touch pwned)"_qs));
        QVERIFY(QDir().mkpath(bin) &&
                (QFile::exists(bin + u"/brisklet-cli"_qs) ||
                 QFile::link(QStringLiteral(BRISKLET_CLI), bin + u"/brisklet-cli"_qs)));
        QProcess bash;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PATH"_qs, bin + u':' + environment.value(u"PATH"_qs));
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        bash.setProcessEnvironment(environment);
        bash.setWorkingDirectory(m_home.folder);
        // The words are set as bash sets them for a completion function.
        bash.start(u"bash"_qs, {u"--norc"_qs, u"-c"_qs,
                                u"source \"$0\"; COMP_WORDS=(brisklet-cli " + words +
                                    u"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _brisklet_cli; "
                                    u"printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort"_qs,
                                QStringLiteral(BRISKLET_COMPLETION)});
        QVERIFY(bash.waitForFinished(60000));
        const QStringList got =
            QString::fromUtf8(bash.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        const QStringList expected =
            offered.split(offered.contains(u'|') ? u'|' : u' ', Qt::SkipEmptyParts);
        if (words == u"-"_qs) // every option; a few stand for the rest
            for (const QString &option : expected)
                QVERIFY2(got.contains(option), qPrintable(got.join(u' ')));
        else
            QCOMPARE(got, expected);
        QVERIFY(!QFile::exists(m_home.folder + u"/pwned"_qs));
    }
};

BRISKLET_TEST(CommandLineFaultsTest)
#include "tst_clifaults.moc"
