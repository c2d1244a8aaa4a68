#include "testmain.h"

#include "clitest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace CliTest;

namespace {

// A printed stack's lines but those of the steps' ids, which are new on every run.
QList<QByteArray> withoutIds(const QByteArray &json)
{
    QList<QByteArray> lines = json.split('\n');
    lines.removeIf([](const QByteArray &line) { return line.contains("\"id\":"); });
    return lines;
}

} // namespace

// Steps given as options to the real brisklet-cli, and the stack files it refuses.
class CommandLineStepsTest : public QObject {
    Q_OBJECT

private:
    Home m_home;

private Q_SLOTS:
    void init() { QVERIFY(m_home.next()); }
    void cleanup() { m_home.removeFiles(); }

    // Each row: the options, split at "|", and the fields each step must have (the others
    // keep the values of a new step, which the round trip through --stack checks as a whole).
    void printStack_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("fields");
        const auto row = [](const char *name, const char *options, const char *fields) {
            QTest::newRow(name) << QString::fromUtf8(options) << QByteArray(fields);
        };
        row("replace", "--replace|IMG_|photo |--match-case|--last",
            R"([{"mode":"replace","findText":"IMG_","replaceText":"photo ","caseSensitive":true,
                "replaceOccurrence":"last"}])");
        row("the last modifier wins", "--replace=a|b|--first|--all",
            R"([{"findText":"a","replaceText":"b","caseSensitive":false,
                "replaceOccurrence":"all"}])");
        row("regex", "--regex|^(\\d+)|n$1",
            R"js([{"mode":"regex","regexPattern":"^(\\d+)","regexReplacement":"n$1"}])js");
        row("trims", "--trim|spaces|--from|end|--trim=3|--from=both|--trim|chars:_-|--from|start",
            R"([{"mode":"trim","trimType":"spaces","trimPosition":"trailing"},
                {"trimType":"characterCount","trimCount":3,"trimPosition":"both"},
                {"trimType":"customCharacters","customCharacters":"_-","trimPosition":"leading"}])");
        row("prepend and append", "--prepend|x_|--append|_y|--after-extension",
            R"([{"mode":"prepend","prependText":"x_"},
                {"mode":"append","appendText":"_y","beforeExtension":false}])");
        row("case words", "--case=title|--case|snake_case|--case=upper",
            R"([{"mode":"changeCase","caseType":"Title Case"},{"caseType":"snake_case"},
                {"caseType":"UPPERCASE"}])");
        row("numbers", "--number|--number=-5:3|--base|Trip|--before|--number=7|--keep-name|--after",
            R"([{"mode":"sequence","sequenceStart":1,"sequencePadding":2,
                 "sequenceBaseName":"File","sequenceLocation":"after","useOriginalName":false},
                {"sequenceStart":-5,"sequencePadding":3,"sequenceBaseName":"Trip",
                 "sequenceLocation":"before"},
                {"sequenceStart":7,"useOriginalName":true,"sequenceLocation":"after"}])");
        row("file info",
            "--info|cameraModel|--after|--separator| - |--if-missing|useDateModified|"
            "--info|dateTaken|--instead|--date-format|yyyyMMdd 'at' HH",
            R"([{"mode":"fileInfo","infoField":"cameraModel","infoPlacement":"after",
                 "infoSeparator":" - ","infoWhenMissing":"useDateModified"},
                {"infoField":"dateTaken","infoPlacement":"instead",
                 "infoDateFormat":"yyyyMMdd 'at' HH","infoWhenMissing":"flagRow"}])");
        row("mixed with a built-in workflow",
            "--prepend|x|--system-workflow|web-safe-names|--append|y",
            R"([{"mode":"prepend"},{"mode":"changeCase"},{"mode":"replace","findText":" "},
                {"mode":"append"}])");
    }

    void printStack()
    {
        QFETCH(QString, options);
        QFETCH(QByteArray, fields);
        const Run printed = m_home.run(options.split(u'|') << u"--print-stack"_qs);
        QVERIFY2(printed.status == 0, printed.said().constData());
        const QJsonArray steps = QJsonDocument::fromJson(printed.out).array();
        const QJsonArray expected = QJsonDocument::fromJson(fields).array();
        QCOMPARE(steps.size(), expected.size());
        for (qsizetype s = 0; s < steps.size(); ++s) {
            const QJsonObject want = expected[s].toObject();
            for (auto it = want.begin(); it != want.end(); ++it)
                QVERIFY2(steps[s].toObject().value(it.key()) == it.value(),
                         qPrintable(u"step %1, %2"_qs.arg(s + 1).arg(it.key())));
        }
        // The printed stack, read back as a stack file, is the same stack.
        const Run again =
            m_home.run({u"--stack"_qs, m_home.writeStack(printed.out), u"--print-stack"_qs});
        QCOMPARE(withoutIds(again.out), withoutIds(printed.out));
    }

    // Usage errors, and the stack files refused and kept.
    void checked_data()
    {
        QTest::addColumn<QString>("arguments"); // split at spaces
        QTest::addColumn<QByteArray>("stack");  // written to the file STACK
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said");
        const auto row = [](const char *arguments, const QByteArray &stack, const char *said,
                            int status = 2) {
            QTest::newRow(arguments)
                << QString::fromUtf8(arguments) << stack << status << QByteArray(said);
        };
        row("--case big", {}, "--case takes lower, upper, title, camel or snake, not “big”");
        row("--trim -2", {}, "--trim takes spaces, a number of characters or chars:SET, not “-2”");
        row("--trim chars:", {}, "not “chars:”");
        row("--number=1:100000", {}, "--number takes START[:PAD] with PAD from 1 to 255, not");
        row("--number=1:0", {}, "with PAD from 1 to 255, not “1:0”");
        row("--number=1:2:3", {}, "not “1:2:3”");
        // An optional value goes after "=": the word after the option would be a file.
        row("--number 5:3 file", {}, "--number takes its value after “=”: --number=5:3");
        row("--case lower --color always file", {}, "--color takes its value after “=”");
        row("--first", {}, "--first goes with --replace");
        row("--replace a b --after", {}, "--after goes with --number or --info");
        row("--stack STACK --from end", "[]", "--from goes with --trim");
        row("--replace a b --first=yes", {}, "option --first takes no value");
        row("--replace a", {}, "--replace needs FIND and WITH");
        row("--info colour", {}, "--info takes dateTaken, dateModified, cameraModel, imageSize");
        row("--info year --date-format yyyy-jj", {},
            "--date-format “yyyy-jj”: “j” is not part of a date.");
        row("--info year --if-missing skip", {}, "--if-missing takes flagRow or useDateModified");
        row("--case lower --print-stack file", {}, "--print-stack takes no files");
        row("file", {}, "choose the steps");
        row("--stack STACK file", "", "stack.json: the file is empty; a stack is a JSON array");
        row("--revert STACK", "[]", "stack.json: not a Brisklet undo file");
        row("--stack STACK --print-stack", " \n\t\n", "the file is empty");
        row("--stack STACK --apply file", R"([{"mode":"prepend"},
            {"mode":"trim","trimType":"characterCount","trimCount":-1}])",
            "stack.json: line 2, step 2: trimCount must be 0 or more");
        row("--stack STACK --json file", R"([{"mode":"sequence","sequencePadding":256}])",
            "line 1, step 1: sequencePadding must be from 0 to 255");
        // No step at all, a value the step does not read, the widest padding.
        row("--print-stack --stack STACK", "[]", "[\n]", 0);
        row("--stack=STACK --print-stack", R"([{"trimCount":-3}])", "\"trimCount\": -3", 0);
        row("--print-stack --stack=STACK", R"([{"mode":"sequence","sequencePadding":255}])",
            "\"sequencePadding\": 255", 0);
    }

    void checked()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, stack);
        QFETCH(int, status);
        QFETCH(QByteArray, said);
        arguments.replace(u"STACK"_qs, m_home.writeStack(stack));
        const Run result = m_home.run(arguments.split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(result.status, status);
        QVERIFY2((status == 0 ? result.out : result.err).contains(said), result.said().constData());
    }
};

BRISKLET_TEST(CommandLineStepsTest)
#include "tst_clisteps.moc"
