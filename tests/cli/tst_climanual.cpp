#include "samplemedia.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <optional>

using namespace Qt::StringLiterals;

// The EXAMPLES of the manual page are run as a reader types them, and must print what the
// page says; the guide in Markdown must show the same examples.
//
// The layout both files keep: each example is a sub-heading (".SS" in the page, "###" in the
// guide) of the examples section. Its code blocks (".EX"/".EE", or fenced) hold the session:
// a line that starts with "$ " is a command (a command whose line ends in a backslash goes on
// to the next line), the lines under it are what it prints, standard error after standard
// output. Every command runs through bash in the example's own empty home folder, with the
// brisklet-cli of this build first in PATH; the folder's path reads /home/me, and the name of
// an undo file made at the moment is not compared.
//
// Hidden from the reader, as comments (".\"" in the page, "<!-- -->" in the guide):
//   test-setup: photo NAME TAKEN          a JPEG taken at that ISO date
//   test-setup: song NAME ARTIST;TITLE    an MP3 with those tags
//   test-editor-opens / test-editor-saves the code block after it is what --edit shows in the
//                                          editor, or what the reader saves there
class TestCliManual : public QObject {
    Q_OBJECT

    struct Command {
        QString text;
        QStringList expected;
    };
    struct Example {
        QString title;
        QStringList setup;
        QStringList editorOpens;
        QStringList editorSaves;
        QList<Command> commands;
        QStringList transcript; // the session's lines, before they are split into commands
    };
    enum class Block { session, editorOpens, editorSaves };

    QList<Example> m_manual;
    QList<Example> m_guide;

    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The few groff escapes the examples use; anything else is refused, so that no escape
    // reaches a reader's shell unnoticed.
    static std::optional<QString> unescaped(const QString &line)
    {
        static const QHash<QString, QString> glyphs{
            {u"aq"_s, u"'"_s}, {u"dq"_s, u"\""_s}, {u"ga"_s, u"`"_s}, {u"ti"_s, u"~"_s},
            {u"ha"_s, u"^"_s}, {u"->"_s, u"→"_s},  {u"lq"_s, u"“"_s}, {u"rq"_s, u"”"_s}};
        QString out;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] != u'\\') {
                out += line[i];
                continue;
            }
            const QChar next = i + 1 < line.size() ? line[i + 1] : QChar();
            ++i;
            if (next == u'-')
                out += u'-';
            else if (next == u'e')
                out += u'\\';
            else if (next == u'&')
                continue;
            else if (next == u'(' && glyphs.contains(line.mid(i + 1, 2)))
                out += glyphs.value(line.mid(i + 1, 2)), i += 2;
            else
                return std::nullopt;
        }
        return out;
    }

    // The session's lines as commands and what each prints.
    static bool splitCommands(Example &example)
    {
        for (qsizetype i = 0; i < example.transcript.size(); ++i) {
            const QString &line = example.transcript[i];
            if (line.startsWith(u"$ "_s)) {
                QString text = line.mid(2);
                while (text.endsWith(u'\\') && i + 1 < example.transcript.size())
                    text += u'\n' + example.transcript[++i];
                example.commands.append({text, {}});
            } else if (example.commands.isEmpty()) {
                return false;
            } else {
                example.commands.last().expected.append(line);
            }
        }
        return !example.commands.isEmpty();
    }

    static void add(Example *example, Block block, const QString &line)
    {
        if (example)
            (block == Block::editorOpens   ? example->editorOpens
             : block == Block::editorSaves ? example->editorSaves
                                           : example->transcript)
                .append(line);
    }

    // A hidden comment's instruction to the test, if it is one.
    static void instruct(Example *example, const QString &comment, Block &next)
    {
        if (!example)
            return;
        if (comment.startsWith(u"test-setup: "_s))
            example->setup.append(comment.mid(12));
        else if (comment == u"test-editor-opens"_s)
            next = Block::editorOpens;
        else if (comment == u"test-editor-saves"_s)
            next = Block::editorSaves;
    }

    static QList<Example> fromManualPage(const QByteArray &source, QString *error)
    {
        QList<Example> examples;
        bool inSection = false;
        bool inBlock = false;
        Block block = Block::session;
        for (const QString &line : QString::fromUtf8(source).split(u'\n')) {
            Example *example = examples.isEmpty() ? nullptr : &examples.last();
            if (line.startsWith(u".SH "_s)) {
                inSection = line == u".SH EXAMPLES"_s;
            } else if (!inSection) {
                continue;
            } else if (inBlock && line == u".EE"_s) {
                inBlock = false;
                block = Block::session;
            } else if (inBlock) {
                const std::optional<QString> text = unescaped(line);
                if (!text) {
                    *error = u"an escape the test does not know: "_s + line;
                    return {};
                }
                add(example, block, *text);
            } else if (line.startsWith(u".SS "_s)) {
                examples.append({unescaped(line.mid(4)).value_or(line), {}, {}, {}, {}, {}});
            } else if (line == u".EX"_s) {
                inBlock = true;
            } else if (line.startsWith(u".\\\" "_s)) {
                instruct(example, line.mid(4), block);
            }
        }
        return examples;
    }

    static QList<Example> fromGuide(const QByteArray &source)
    {
        QList<Example> examples;
        bool inSection = false;
        bool inBlock = false;
        Block block = Block::session;
        static const QRegularExpression comment(u"^<!-- (.*) -->$"_s);
        for (const QString &line : QString::fromUtf8(source).split(u'\n')) {
            Example *example = examples.isEmpty() ? nullptr : &examples.last();
            if (!inBlock && line.startsWith(u"## "_s)) {
                inSection = line == u"## Examples"_s;
            } else if (!inSection) {
                continue;
            } else if (line.startsWith(u"```"_s)) {
                if (inBlock)
                    block = Block::session;
                inBlock = !inBlock;
            } else if (inBlock) {
                add(example, block, line);
            } else if (line.startsWith(u"### "_s)) {
                examples.append({line.mid(4), {}, {}, {}, {}, {}});
            } else if (const QRegularExpressionMatch match = comment.match(line);
                       match.hasMatch()) {
                instruct(example, match.captured(1), block);
            }
        }
        return examples;
    }

    // One example as text, for a comparison that shows where the two files differ.
    static QString shown(const Example &example)
    {
        return QStringList{example.title, example.setup.join(u'\n'),
                           example.editorOpens.join(u'\n'), example.editorSaves.join(u'\n'),
                           example.transcript.join(u'\n')}
            .join(u"\n--\n"_s);
    }

    static bool makeMedia(const QString &folder, const QString &line)
    {
        const QString kind = line.section(u' ', 0, 0);
        const QString path = folder + u'/' + line.section(u' ', 1, 1);
        const QString holds = line.section(u' ', 2);
        if (kind == u"photo"_s)
            return SampleMedia::writeJpeg(path, {QDateTime::fromString(holds, Qt::ISODate), {}});
        if (kind == u"song"_s)
            return SampleMedia::writeAudio(path, SampleMedia::AudioFormat::mp3,
                                           {holds.section(u';', 0, 0), {}, holds.section(u';', 1)});
        return false;
    }

    // What a command printed, with the parts that differ from run to run made fixed.
    static QString comparable(QString text, const QString &home)
    {
        static const QRegularExpression undoFile(u"/undo/\\d{8}-\\d{6}-\\d{3}-\\d+\\.json"_s);
        text.replace(home, u"/home/me"_s);
        text.replace(undoFile, u"/undo/(the moment).json"_s);
        return text;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        m_manual = fromManualPage(read(QStringLiteral(BRISKLET_MANUAL)), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_guide = fromGuide(read(QStringLiteral(BRISKLET_GUIDE)));
        QVERIFY2(m_manual.size() >= 10, "the manual page has fewer than ten examples");
        for (Example &example : m_manual)
            QVERIFY2(splitCommands(example), qPrintable(example.title));
    }

    // The guide shows the examples of the page: the same titles, set-ups, commands and
    // outputs, in the same order.
    void guideMatchesManualPage()
    {
        QCOMPARE(m_guide.size(), m_manual.size());
        for (qsizetype i = 0; i < m_manual.size(); ++i)
            QCOMPARE(shown(m_guide[i]), shown(m_manual[i]));
    }

    void example_data()
    {
        QTest::addColumn<qsizetype>("index");
        for (qsizetype i = 0; i < m_manual.size(); ++i)
            QTest::newRow(qPrintable(m_manual[i].title)) << i;
    }

    void example()
    {
        QFETCH(qsizetype, index);
        const Example &example = m_manual[index];
        QTemporaryDir root;
        const QString home = root.filePath(u"me"_s);
        QVERIFY(QDir().mkpath(home));
        for (const QString &line : example.setup)
            QVERIFY2(makeMedia(home, line), qPrintable(line));

        // The reader's editor: it keeps what it was shown and saves what the page says.
        const QString seen = root.filePath(u"editor-seen"_s);
        const QString editor = root.filePath(u"editor"_s);
        {
            QFile saves(root.filePath(u"editor-saves"_s));
            QVERIFY(saves.open(QIODevice::WriteOnly));
            saves.write((example.editorSaves.join(u'\n') + u'\n').toUtf8());
            QFile script(editor);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(
                u"#!/bin/sh\ncp \"$1\" '%1' && cp '%2' \"$1\"\n"_s.arg(seen, saves.fileName())
                    .toUtf8());
            QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
        }

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString cliFolder = QFileInfo(QStringLiteral(BRISKLET_CLI)).absolutePath();
        environment.insert(u"PATH"_s, cliFolder + u':' + environment.value(u"PATH"_s));
        environment.insert(u"HOME"_s, home);
        environment.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
        environment.insert(u"XDG_STATE_HOME"_s, home + u"/.local/state"_s);
        environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
        environment.insert(u"TZ"_s, u"UTC"_s);
        environment.insert(u"EDITOR"_s, editor);
        for (const QString &name : {u"VISUAL"_s, u"BASH_ENV"_s, u"NO_COLOR"_s})
            environment.remove(name);

        for (const Command &command : example.commands) {
            QProcess bash;
            bash.setProcessEnvironment(environment);
            bash.setWorkingDirectory(home);
            bash.start(u"bash"_s, {u"-c"_s, command.text});
            QVERIFY2(bash.waitForFinished(60000), qPrintable(command.text));
            const QString printed =
                QString::fromUtf8(bash.readAllStandardOutput() + bash.readAllStandardError());
            QString expected = command.expected.join(u'\n');
            if (!command.expected.isEmpty())
                expected += u'\n';
            const QString actual = comparable(printed, home);
            if (actual != comparable(expected, home))
                QFAIL(qPrintable(u"\n$ "_s + command.text + u"\nprinted:\n"_s + actual +
                                 u"the manual says:\n"_s + expected));
        }
        if (!example.editorOpens.isEmpty())
            QCOMPARE(QString::fromUtf8(read(seen)), example.editorOpens.join(u'\n') + u'\n');
    }
};

BRISKLET_TEST(TestCliManual)
#include "tst_climanual.moc"
