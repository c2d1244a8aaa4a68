#include "testmain.h"

#include "appcastparser.h"

#include <QTest>

namespace {

QByteArray feed(const QByteArray &items, const QByteArray &doctype = {})
{
    return doctype +
           "<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Brisklet</title>" +
           items + "</channel></rss>\n";
}

QByteArray item(const QByteArray &version, const QByteArray &os = "linux")
{
    return "<item><sparkle:version>" + version +
           "</sparkle:version><enclosure url=\"https://brisklet.example/b\" sparkle:os=\"" + os +
           "\" length=\"1\"/></item>";
}

} // namespace

class AppcastParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("newest"); // the newest release for Linux, if any
        QTest::addColumn<QString>("error");  // how the error starts, if the feed is refused

        const QString unreadable = u"The update feed could not be read"_qs;
        const QString doctype = u"The update feed contains a document type declaration"_qs;
        QTest::newRow("newest usable one for linux")
            << feed(item("1.9") + item("1.10") + item("1.10b2") + item("9.0", "windows") +
                    item("8.0", "") + item("&lt;b&gt;2.0&lt;/b&gt;") + item(QByteArray(65, '1')))
            << u"1.10"_qs << QString();
        QTest::newRow("enclosure version wins")
            << feed("<item><sparkle:version>5.0</sparkle:version><enclosure url=\"https://"
                    "brisklet.example/b\" sparkle:os=\"linux\" sparkle:version=\"2.0.1\" "
                    "length=\"1\"/></item>")
            << u"2.0.1"_qs << QString();
        QTest::newRow("no releases") << feed({}) << QString() << QString();
        QTest::newRow("truncated") << feed(item("1.0")).left(150) << QString() << unreadable;
        QTest::newRow("not rss") << QByteArray("<feed><entry/></feed>") << QString()
                                 << u"The update feed is not an RSS feed."_qs;
        QTest::newRow("oversized") << feed(QByteArray(AppcastParser::maxFeedBytes, ' '))
                                   << QString() << u"The update feed is too large."_qs;
        QTest::newRow("too many items")
            << feed(QByteArray("<item/>").repeated(AppcastParser::maxItems + 1)) << QString()
            << u"The update feed lists too many releases."_qs;
        QTest::newRow("entity expansion")
            << feed(item("&lol2;"), "<!DOCTYPE rss [<!ENTITY lol \"lol\"><!ENTITY lol1 "
                                    "\"&lol;&lol;&lol;&lol;\"><!ENTITY lol2 "
                                    "\"&lol1;&lol1;&lol1;&lol1;\">]>\n")
            << QString() << doctype;
        QTest::newRow("external entity")
            << feed(item("&secret;"),
                    "<!DOCTYPE rss [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>\n")
            << QString() << doctype;
    }

    void parse()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, newest);
        QFETCH(QString, error);
        const AppcastParser::Result result = AppcastParser::parse(document);
        QVERIFY2(result.error.startsWith(error) && result.ok() == error.isEmpty(),
                 qPrintable(result.error));
        const std::optional<AppcastItem> found = AppcastParser::newest(result.items);
        QCOMPARE(found ? found->version : QString(), newest);
    }
};

BRISKLET_TEST(AppcastParserTest)
#include "tst_appcastparser.moc"
