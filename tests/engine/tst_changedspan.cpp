#include "testmain.h"

#include "names/changedspan.h"

// The part of a new name shown as changed: first to last differing character, never
// splitting what a reader sees as one character.
class ChangedSpanTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void span_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("start"); // -1: unchanged
        QTest::addColumn<int>("end");
        const auto row = [](const char *tag, const QString &before, const QString &after, int start,
                            int end) { QTest::newRow(tag) << before << after << start << end; };
        row("unchanged", u"a.txt"_qs, u"a.txt"_qs, -1, -1);
        row("prefix", u"a.txt"_qs, u"x_a.txt"_qs, 0, 2);
        row("middle", u"IMG_01.jpg"_qs, u"IMG-01.jpg"_qs, 3, 4);
        row("first and last", u"abc"_qs, u"XbY"_qs, 0, 3);
        row("whole", u"abc"_qs, u"xyz"_qs, 0, 3);
        row("repeated letter added", u"aa"_qs, u"aaa"_qs, 2, 3);
        row("only taken out", u"a-b.txt"_qs, u"ab.txt"_qs, 1, 1);
        row("emptied", u"abc"_qs, QString(), 0, 0);
        // U+1F600 and U+1F603 share their high surrogate.
        row("surrogate pair", u"a\U0001F600b"_qs, u"a\U0001F603b"_qs, 1, 3);
        row("accent added", u"cafe.txt"_qs, u"cafe\u0301.txt"_qs, 3, 5);
        row("accent taken off", u"cafe\u0301.txt"_qs, u"cafe.txt"_qs, 3, 4);
        row("accent changed", u"e\u0301x"_qs, u"e\u0300x"_qs, 0, 2);
        row("line break pair", u"a\r\nb"_qs, u"a\rb"_qs, 1, 2);
    }

    void span()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, start);
        QFETCH(int, end);
        const ChangedSpan span = ChangedSpan::between(before, after);
        QCOMPARE(span.changed, start >= 0);
        if (span.changed) {
            QCOMPARE(span.start, start);
            QCOMPARE(span.end, end);
        }
    }
};

BRISKLET_TEST(ChangedSpanTest)
#include "tst_changedspan.moc"
