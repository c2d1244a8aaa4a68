#include "testmain.h"

#include "stepbuilders.h"

#include "names/regexproblem.h"
#include "names/transformname.h"

#include <QScopeGuard>

using Stack = QList<RenameOperationWrapper>;

Q_DECLARE_METATYPE(RenameOperationWrapper)

class TransformNameTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void steps_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Stack>("stack");
        QTest::addColumn<qsizetype>("position");
        QTest::addColumn<QString>("expected");

        auto row = [](const char *tag, const QString &name, const Stack &stack,
                      const QString &expected, qsizetype position = 0) {
            QTest::newRow(tag) << name << stack << position << expected;
        };
        using enum ReplaceOccurrence;
        using enum TrimType;
        using enum TrimPosition;
        using enum CaseType;
        using enum SequenceLocation;

        row("empty find text", u"a.txt"_qs, {replaceStep({}, u"x"_qs)}, u"a.txt"_qs);

        row("non-overlapping", u"aaaa"_qs, {replaceStep(u"aa"_qs, u"b"_qs)}, u"bb"_qs);
        row("last starts furthest right", u"aaa"_qs, {replaceStep(u"aa"_qs, u"b"_qs, last)},
            u"ab"_qs);
        row("never splits a character", u"Cafe\u0301"_qs, {replaceStep(u"e"_qs, u"x"_qs)},
            u"Cafe\u0301"_qs);
        row("sharp s matches ss caselessly", u"STRASSE.txt"_qs,
            {replaceStep(u"stra\u00dfe"_qs, u"Road"_qs)}, u"Road.txt"_qs);
        row("emoji with modifier whole", u"hi\U0001F44D\U0001F3FD"_qs,
            {replaceStep(u"\U0001F44D"_qs, u"ok"_qs)}, u"hi\U0001F44D\U0001F3FD"_qs);

        row("regex groups", u"IMG_1234.jpg"_qs, {regexStep(u"IMG_(\\d+)"_qs, u"Photo-$1"_qs)},
            u"Photo-1234.jpg"_qs);
        row("regex is case-sensitive", u"ABC"_qs, {regexStep(u"abc"_qs, u"x"_qs)}, u"ABC"_qs);
        row("regex bad template", u"abc"_qs, {regexStep(u"b"_qs, u"$9"_qs)}, u"abc"_qs);

        row("spaces leading", u"  a b .txt"_qs, {trimStep(spaces, leading)}, u"a b .txt"_qs);
        row("spaces trailing", u"  a b .txt"_qs, {trimStep(spaces, trailing)}, u"  a b.txt"_qs);
        row("tab and ideographic space by both", u"\t\u3000name\u00a0"_qs, {trimStep(spaces, both)},
            u"name"_qs);
        // A space carrying a mark goes whole at either end, as with a custom " ".
        row("space with combining mark leading", u" \u0301 \u0301x.txt"_qs,
            {trimStep(spaces, leading)}, u"x.txt"_qs);
        row("space with combining mark trailing", u"x \u0301.txt"_qs, {trimStep(spaces, trailing)},
            u"x.txt"_qs);
        row("tab is not a leading space", u"\t \u0301x"_qs, {trimStep(spaces, leading)},
            u"\t \u0301x"_qs);
        row("custom both", u"__draft--.md"_qs, {trimStep(customCharacters, both, u"_-"_qs)},
            u"draft.md"_qs);
        row("custom empty means space", u"  x .md"_qs, {trimStep(customCharacters, both, {})},
            u"x.md"_qs);
        row("custom removes whole character", u"e\u0301e\u0301x"_qs,
            {trimStep(customCharacters, leading, u"e"_qs)}, u"x"_qs);
        row("count leading", u"IMG_0001.png"_qs, {trimStep(characterCount, leading, {}, 3)},
            u"_0001.png"_qs);
        row("count trailing", u"IMG_0001.png"_qs, {trimStep(characterCount, trailing, {}, 3)},
            u"IMG_0.png"_qs);
        row("count beyond name", u"IMG_0001.png"_qs, {trimStep(characterCount, both, {}, 10)},
            u".png"_qs);
        row("negative count acts as zero", u"abc.png"_qs,
            {trimStep(characterCount, leading, {}, -5)}, u"abc.png"_qs);
        row("count is in characters", u"e\u0301\U0001F44D\U0001F3FDz"_qs,
            {trimStep(characterCount, leading, {}, 2)}, u"z"_qs);

        row("append to trailing dot", u"draft."_qs, {appendStep(u"_x"_qs)}, u"draft_x"_qs);
        row("empty append keeps trailing dot", u"draft."_qs, {appendStep({})}, u"draft."_qs);

        row("title hyphen", u"hello-world"_qs, {caseStep(titleCase)}, u"Hello-World"_qs);
        row("title full stop inside word", u"a.b.c.txt"_qs, {caseStep(titleCase)}, u"A.b.c.txt"_qs);
        row("title combining mark", u"e\u0301COLE"_qs, {caseStep(titleCase)}, u"E\u0301cole"_qs);
        // U+0345 is a cased letter too; its title case is U+0399.
        row("title ypogegrammeni", u"\u0345a b\u0345 \u0345"_qs, {caseStep(titleCase)},
            u"\u0399a B\u0345 \u0399"_qs);
        row("camel leading separator", u"_my file.txt"_qs, {caseStep(camelCase)}, u"MyFile.txt"_qs);
        row("camel keeps empty parts", u"a  b.txt"_qs, {caseStep(camelCase)}, u"aB.txt"_qs);
        row("snake drops empty parts", u"__A  B__.txt"_qs, {caseStep(snakeCase)}, u"a_b.txt"_qs);
        row("snake of separators only", u"--.txt"_qs, {caseStep(snakeCase)}, u".txt"_qs);
        row("snake emoji separates", u"a\U0001F44D\U0001F3FDb"_qs, {caseStep(snakeCase)},
            u"a_b"_qs);

        row("sequence position", u"b.png"_qs, {sequenceStep()}, u"File - 02.png"_qs, 1);
        row("sequence original before", u"Beach.jpg"_qs, {sequenceStep(1, 3, before, true)},
            u"005 - Beach.jpg"_qs, 4);
        row("sequence wider than padding", u"x"_qs, {sequenceStep(123, 2)}, u"File - 123"_qs);
        row("sequence huge padding", u"x"_qs, {sequenceStep(7, 2000000000)},
            u"File - "_qs + QString(254, u'0') + u'7');
        row("sequence 64-bit start", u"x"_qs, {sequenceStep(5000000000, 2)},
            u"File - 5000000000"_qs);

        row("camel then original sequence", u"my file.txt"_qs,
            {caseStep(camelCase), sequenceStep(1, 2, after, true)}, u"myFile - 01.txt"_qs);
        row("slash from earlier step limits split", u"a.b"_qs,
            {replaceStep(u"."_qs, u"/."_qs, all), appendStep(u"_x"_qs)}, u"a/.b_x"_qs);
    }

    void steps()
    {
        QFETCH(QString, name);
        QFETCH(Stack, stack);
        QFETCH(qsizetype, position);
        QFETCH(QString, expected);
        QCOMPARE(transformName(name, stack, position), expected);
    }

    // What keeps a pattern from compiling, in words, at the character ICU stopped at.
    void patternProblems_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("problem");

        QTest::newRow("works") << u"IMG_(\\d+)"_qs << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("bracket") << u"IMG_[0"_qs << u"Missing closing bracket ] at character 6"_qs;
        QTest::newRow("open parenthesis") << u"IMG_(\\d+"_qs << u"Missing closing parenthesis )"_qs;
        // Places are counted in characters, not UTF-16 code units; CR LF is two.
        QTest::newRow("after an emoji")
            << u"\U0001F600["_qs << u"Missing closing bracket ] at character 2"_qs;
        QTest::newRow("after CR LF")
            << u"ab\r\nx)"_qs << u"Closing parenthesis ) without an opening one at character 6"_qs;
    }

    void patternProblems()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, problem);
        QCOMPARE(RegexProblem::inPattern(pattern), problem);
        // A pattern said to be broken changes no name; one said to work does.
        QCOMPARE(transformName(u"IMG_0a)b"_qs, {regexStep(pattern, u"<$0>"_qs)}, 0) ==
                     u"IMG_0a)b"_qs,
                 !problem.isEmpty() || pattern.isEmpty());
    }

    // A template ICU refuses is named before any name meets it: whatever a row expects, the
    // check agrees with what ICU does on a name the pattern matches.
    void replacementProblems_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("problem");

        const QString two = u"(a)(b)"_qs;
        const QString named = u"(?<year>a)(?<y0>b)"_qs;
        const QString lone =
            u"A $ in the replacement needs a group number or {name}; \\$ writes a dollar sign"_qs;
        const QString badName =
            u"The group name after ${ in the replacement is not valid or not closed by }"_qs;
        const QString noGroup = u"$%1 in the replacement: the pattern has no group %1"_qs;
        QTest::newRow("groups") << two << u"$2$1$0"_qs << QString();
        QTest::newRow("no such group") << two << u"x$9"_qs << noGroup.arg(9);
        QTest::newRow("digits as far as a group goes") << two << u"$12"_qs << QString();
        QTest::newRow("another script's digit") << two << u"$\u0662"_qs << QString();
        QTest::newRow("another script's digit too far")
            << two << u"$\u0663"_qs << u"$\u0663 in the replacement: the pattern has no group 3"_qs;
        QTest::newRow("escaped dollar") << two << u"\\$9"_qs << QString();
        QTest::newRow("escaped backslash") << two << u"\\\\$9"_qs << noGroup.arg(9);
        QTest::newRow("escaped emoji") << two << u"\\\U0001F600$3"_qs << noGroup.arg(3);
        QTest::newRow("dollar at the end") << two << u"x$"_qs << lone;
        QTest::newRow("named group") << named << u"${year}"_qs << QString();
        QTest::newRow("unknown name")
            << named << u"${month}"_qs
            << u"${month} in the replacement: the pattern has no group named “month”"_qs;
        QTest::newRow("empty name")
            << named << u"${}"_qs
            << u"${} in the replacement: the pattern has no group named “”"_qs;
        QTest::newRow("unclosed name") << named << u"${year"_qs << badName;
        // ICU reads no 0 in a name here, although the pattern takes it.
        QTest::newRow("name with 0") << named << u"${y0}"_qs << badName;
        QTest::newRow("broken pattern") << u"(a"_qs << u"$9"_qs << QString();
        QTest::newRow("empty pattern") << QString() << u"$9"_qs << QString();
    }

    void replacementProblems()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(QString, problem);
        QCOMPARE(RegexProblem::inReplacement(pattern, replacement), problem);
        if (RegexProblem::inPattern(pattern).isEmpty() && !pattern.isEmpty())
            QCOMPARE(transformName(u"ab"_qs, {regexStep(pattern, u"<"_qs + replacement)}, 0) ==
                         u"ab"_qs,
                     !problem.isEmpty());
    }

    void caseMappingIgnoresUserLocale()
    {
        QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
        QCOMPARE(transformName(u"istanbul"_qs, {caseStep(CaseType::uppercase)}, 0), u"ISTANBUL"_qs);
        QCOMPARE(transformName(u"ISTANBUL"_qs, {caseStep(CaseType::lowercase)}, 0), u"istanbul"_qs);
    }
};

BRISKLET_TEST(TransformNameTest)
#include "tst_transformname.moc"
