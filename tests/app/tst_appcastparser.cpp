#include "testregistry.h"

#include "appcastparser.h"

#include <QTest>

namespace {

QByteArray feed(const QByteArray &items, const QByteArray &prolog = {})
{
    return prolog +
           "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
           "<channel>\n"
           "<title>Brisklet</title>\n"
           "<link>https://brisklet.example/releases</link>\n" +
           items + "\n</channel>\n</rss>\n";
}

QByteArray linuxItem(const QByteArray &version, const QByteArray &extra = {})
{
    return "<item><title>Brisklet " + version + "</title><sparkle:version>" + version +
           "</sparkle:version><link>https://brisklet.example/" + version + "</link>" + extra +
           "<enclosure url=\"https://brisklet.example/b.tar.gz\" sparkle:os=\"linux\" "
           "length=\"1\"/>"
           "</item>\n";
}

} // namespace

class AppcastParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void picksTheNewestReleaseForLinux()
    {
        const QByteArray items =
            linuxItem("1.9") +
            linuxItem("1.10",
                      "<sparkle:shortVersionString>1.10 (Autumn)</sparkle:shortVersionString>"
                      "<sparkle:releaseNotesLink>https://brisklet.example/notes/1.10"
                      "</sparkle:releaseNotesLink>") +
            linuxItem("1.10b2") +
            // Newer, but for other platforms: no os at all, or another one.
            "<item><sparkle:version>9.0</sparkle:version>\n"
            "               <enclosure url=\"https://brisklet.example/x\" length=\"1\"/></item>\n"
            "               <item><sparkle:version>8.0</sparkle:version>\n"
            "               <enclosure url=\"https://brisklet.example/y\" sparkle:os=\"windows\" "
            "length=\"1\"/></item>";
        const AppcastParser::Result result = AppcastParser::parse(feed(items));
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.items.size(), 3);

        const std::optional<AppcastItem> newest = AppcastParser::newest(result.items);
        QVERIFY(newest);
        QCOMPARE(newest->version, u"1.10"_qs);
        QCOMPARE(newest->displayVersion, u"1.10 (Autumn)"_qs);
        QCOMPARE(newest->releaseNotesLink, QUrl(u"https://brisklet.example/notes/1.10"_qs));
        QCOMPARE(newest->releasePage, QUrl(u"https://brisklet.example/1.10"_qs));
    }

    void enclosureAttributesWinOverElements()
    {
        const QByteArray items =
            "<item>\n"
            "            <sparkle:version>1.0</sparkle:version>\n"
            "            <sparkle:shortVersionString>1.0</sparkle:shortVersionString>\n"
            "            <enclosure url=\"https://brisklet.example/mac\" sparkle:version=\"5.0\" "
            "length=\"1\"/>\n"
            "            <enclosure url=\"https://brisklet.example/linux\" sparkle:os=\"linux\"\n"
            "                       sparkle:version=\"2.0.1\" sparkle:shortVersionString=\"2.0\" "
            "length=\"1\"/>\n"
            "            "
            "<sparkle:releaseNotesLink>http://brisklet.example/insecure</"
            "sparkle:releaseNotesLink>\n"
            "            </item>";
        const AppcastParser::Result result = AppcastParser::parse(feed(items));
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.items.size(), 1);
        const AppcastItem &item = result.items.first();
        QCOMPARE(item.version, u"2.0.1"_qs);
        QCOMPARE(item.displayVersion, u"2.0"_qs);
        // Links that are not https are dropped; the channel's link stands in for the page.
        QVERIFY(item.releaseNotesLink.isEmpty());
        QCOMPARE(item.releasePage, QUrl(u"https://brisklet.example/releases"_qs));
    }

    void skipsItemsWithUnusableVersions()
    {
        const QByteArray items = linuxItem("&lt;b&gt;2.0&lt;/b&gt;") + linuxItem("") +
                                 linuxItem(QByteArray(65, '1')) + linuxItem("1.1");
        const AppcastParser::Result result = AppcastParser::parse(feed(items));
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.items.size(), 1);
        QCOMPARE(result.items.first().version, u"1.1"_qs);
    }

    void feedWithoutOurReleasesHasNoItems()
    {
        const AppcastParser::Result result = AppcastParser::parse(feed({}));
        QVERIFY2(result.ok(), qPrintable(result.error));
        QVERIFY(result.items.isEmpty());
        QVERIFY(!AppcastParser::newest(result.items));
    }

    void rejects_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("error");

        const QString unreadable = u"The update feed could not be read"_qs;
        const QString notRss = u"The update feed is not an RSS feed."_qs;
        const QString doctype =
            u"The update feed contains a document type declaration, which is not allowed."_qs;

        QTest::newRow("empty") << QByteArray() << unreadable;
        QTest::newRow("truncated") << feed(linuxItem("1.0")).left(300) << unreadable;
        QTest::newRow("unclosed element") << feed("<item><title>x</item>") << unreadable;
        QTest::newRow("garbage after the root") << feed({}) + "<rss/>" << unreadable;
        QTest::newRow("not rss") << QByteArray("<feed><entry/></feed>") << notRss;
        QTest::newRow("rss without channel") << QByteArray("<rss version=\"2.0\"/>") << notRss;
        QTest::newRow("billion laughs")
            << feed(linuxItem("&lol9;"),
                    "<!DOCTYPE rss [\n"
                    " <!ENTITY lol \"lol\">\n"
                    " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
                    " <!ENTITY lol2 "
                    "\"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n"
                    " <!ENTITY lol3 "
                    "\"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
                    " <!ENTITY lol9 "
                    "\"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">\n"
                    "]>\n")
                   .replace("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n", "")
            << doctype;
        QTest::newRow("external entity")
            << QByteArray("<?xml version=\"1.0\"?>\n"
                          "<!DOCTYPE rss [ <!ENTITY secret SYSTEM \"file:///etc/passwd\"> ]>\n"
                          "<rss><channel><item><title>&secret;</title></item></channel></rss>")
            << doctype;
        QTest::newRow("undeclared entity") << feed(linuxItem("&secret;")) << unreadable;
        QTest::newRow("oversized") << feed(QByteArray(AppcastParser::maxFeedBytes, ' '))
                                   << u"The update feed is too large."_qs;
        QByteArray many;
        for (int i = 0; i <= AppcastParser::maxItems; ++i)
            many += "<item/>";
        QTest::newRow("too many items")
            << feed(many) << u"The update feed lists too many releases."_qs;
    }

    void rejects()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, error);
        const AppcastParser::Result result = AppcastParser::parse(document);
        QVERIFY(!result.ok());
        QVERIFY(result.items.isEmpty());
        QVERIFY2(result.error.startsWith(error), qPrintable(result.error));
    }
};

BRISKLET_TEST(AppcastParserTest)
#include "tst_appcastparser.moc"
