#include "testmain.h"

#include "appcastparser.h"
#include "checkforupdatesmenuitem.h"
#include "updatechecker.h"
#include "versioncomparator.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

using Outcome = UpdateCheckResult::Outcome;
Q_DECLARE_METATYPE(Outcome)

namespace {

// An HTTP server on 127.0.0.1 answering each request with one canned response (none if empty).
class FeedServer : public QTcpServer {
public:
    explicit FeedServer(const QByteArray &response)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this, response] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, response] {
                    const QByteArray request =
                        socket->property("request").toByteArray() + socket->readAll();
                    socket->setProperty("request", request);
                    if (!request.endsWith("\r\n\r\n"))
                        return;
                    ++requests;
                    socket->write(response);
                    if (!response.isEmpty())
                        socket->disconnectFromHost();
                });
            }
        });
    }
    QUrl url() const { return QUrl(u"http://127.0.0.1:%1/feed"_qs.arg(serverPort())); }
    int requests = 0;
};

QByteArray rss(const QByteArray &items, const QByteArray &doctype = {})
{
    return doctype +
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/"
           "sparkle\"><channel><title>Brisklet</title>" +
           items + "</channel></rss>\n";
}

QByteArray item(const QByteArray &version, const QByteArray &os = "linux",
                const QByteArray &attributes = {})
{
    return "<item><sparkle:version>" + version +
           "</sparkle:version><enclosure url=\"https://brisklet.example/b\" sparkle:os=\"" + os +
           "\" " + attributes + "length=\"1\"/></item>";
}

} // namespace

class UpdateCheckerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order"); // the sign of comparing a with b
        QTest::newRow("numbers compare numerically") << u"1.9"_qs << u"1.10"_qs << -1;
        QTest::newRow("more release parts") << u"1.0"_qs << u"1.0.1"_qs << -1;
        QTest::newRow("beta before release") << u"1.0b1"_qs << u"1.0"_qs << -1;
        QTest::newRow("release before next pre-release") << u"1.0"_qs << u"1.0.1b1"_qs << -1;
        QTest::newRow("pre-release numbers numerically") << u"1.0b2"_qs << u"1.0b10"_qs << -1;
        QTest::newRow("beta before candidate") << u"1.0b9"_qs << u"1.0rc1"_qs << -1;
        QTest::newRow("dashed pre-release") << u"2.0-rc.1"_qs << u"2.0-rc.2"_qs << -1;
        QTest::newRow("bare tag before numbered tag") << u"1.0b"_qs << u"1.0b1"_qs << -1;
        QTest::newRow("numbers beyond 64 bits")
            << u"1.99999999999999999999"_qs << u"1.100000000000000000000"_qs << -1;
        QTest::newRow("trailing zero part") << u"1.0"_qs << u"1.0.0"_qs << 0;
        QTest::newRow("leading zeros") << u"01.002"_qs << u"1.2"_qs << 0;
        QTest::newRow("leading v") << u"v1.2"_qs << u"1.2"_qs << 0;
        QTest::newRow("build metadata ignored") << u"1.2+build.7"_qs << u"1.2"_qs << 0;
        QTest::newRow("letter case in tags") << u"1.0RC1"_qs << u"1.0rc1"_qs << 0;
    }

    void versionOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const auto sign = [](int value) { return (value > 0) - (value < 0); };
        QCOMPARE(sign(VersionComparator::compare(a, b)), order);
        QCOMPARE(sign(VersionComparator::compare(b, a)), -order);
        QCOMPARE(VersionComparator::isNewer(b, a), order < 0);
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("newest"); // the newest release for Linux, if any
        QTest::addColumn<QString>("error");  // how the error starts, if the feed is refused

        const QString doctype = u"The update feed contains a document type declaration"_qs;
        QTest::newRow("newest usable one for linux")
            << rss(item("1.9") + item("1.10") + item("1.10b2") + item("9.0", "windows") +
                   item("8.0", "") + item("&lt;b&gt;2.0&lt;/b&gt;") + item(QByteArray(65, '1')))
            << u"1.10"_qs << QString();
        QTest::newRow("enclosure version wins")
            << rss(item("5.0", "linux", "sparkle:version=\"2.0.1\" ")) << u"2.0.1"_qs << QString();
        QTest::newRow("no releases") << rss({}) << QString() << QString();
        QTest::newRow("truncated")
            << rss(item("1.0")).left(150) << QString() << u"The update feed could not be read"_qs;
        QTest::newRow("not rss") << QByteArray("<feed><entry/></feed>") << QString()
                                 << u"The update feed is not an RSS feed."_qs;
        QTest::newRow("oversized") << rss(QByteArray(AppcastParser::maxFeedBytes, ' ')) << QString()
                                   << u"The update feed is too large."_qs;
        QTest::newRow("too many items")
            << rss(QByteArray("<item/>").repeated(AppcastParser::maxItems + 1)) << QString()
            << u"The update feed lists too many releases."_qs;
        QTest::newRow("entity expansion")
            << rss(item("&lol2;"),
                   "<!DOCTYPE rss [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;\">]>\n")
            << QString() << doctype;
        QTest::newRow("external entity")
            << rss(item("&secret;"),
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

    void results_data()
    {
        QTest::addColumn<bool>("loopbackHttp"); // off: the plain http test address is refused
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("currentVersion");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("detail"); // the new version, or the start of the failure

        const auto feed = [](const QByteArray &version) -> QByteArray {
            const QByteArray body = rss("<item><link>https://brisklet.example/release</link>"
                                        "<enclosure url=\"https://brisklet.example/b.tar.gz\" "
                                        "sparkle:os=\"linux\" sparkle:version=\"" +
                                        version + "\" length=\"1\"/></item>");
            return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                   "\r\n\r\n" + body;
        };
        const QString tooLarge = u"The update feed is too large."_qs;
        QTest::newRow("plain http refused")
            << false << feed("9.0") << u"1.0"_qs << Outcome::failed
            << u"The update feed address must start with https://."_qs;
        QTest::newRow("newer version")
            << true << feed("1.10") << u"1.9"_qs << Outcome::updateAvailable << u"1.10"_qs;
        QTest::newRow("up to date")
            << true << feed("1.10") << u"1.10"_qs << Outcome::upToDate << QString();
        QTest::newRow("not found")
            << true << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")
            << u"1.0"_qs << Outcome::failed << u"The update server answered with status 404."_qs;
        QTest::newRow("declared too large")
            << true << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5000000\r\n\r\n<rss>")
            << u"1.0"_qs << Outcome::failed << tooLarge;
        QTest::newRow("too large without a length")
            << true << QByteArray("HTTP/1.1 200 OK\r\n\r\n") + QByteArray(2 * 1024 * 1024, ' ')
            << u"1.0"_qs << Outcome::failed << tooLarge;
        QTest::newRow("redirect to plain http elsewhere")
            << true
            << QByteArray("HTTP/1.1 302 Found\r\nLocation: http://brisklet.example/feed\r\n"
                          "Content-Length: 0\r\n\r\n")
            << u"1.0"_qs << Outcome::failed
            << u"The update feed redirected to an address that does not use https://."_qs;
    }

    void results()
    {
        QFETCH(bool, loopbackHttp);
        QFETCH(QByteArray, response);
        QFETCH(QString, currentVersion);
        QFETCH(Outcome, outcome);
        QFETCH(QString, detail);

        FeedServer server(response);
        UpdateChecker checker(server.url(), currentVersion);
        checker.setLoopbackHttpAllowedForTesting(loopbackHttp);
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        checker.checkForUpdates();
        QVERIFY(!finished.isEmpty() || finished.wait(10000));
        const auto result = finished.first().first().value<UpdateCheckResult>();
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(server.requests, loopbackHttp ? 1 : 0);
        if (outcome == Outcome::updateAvailable) {
            QCOMPARE(result.newVersion, detail);
            QCOMPARE(result.releasePage, QUrl(u"https://brisklet.example/release"_qs));
        } else if (outcome == Outcome::failed) {
            QVERIFY2(result.failureMessage.startsWith(detail), qPrintable(result.failureMessage));
        }
    }

    void oneCheckAtATimeAndTheCommandFollows()
    {
        UpdateChecker withoutFeed(QUrl(), u"1.0"_qs);
        QVERIFY(!CheckForUpdatesMenuItem::create(&withoutFeed, &withoutFeed)->isEnabled());
        FeedServer server({}); // never answers
        UpdateChecker checker(server.url(), u"1.0"_qs);
        checker.setLoopbackHttpAllowedForTesting(true);
        checker.setTransferTimeout(std::chrono::milliseconds(300));
        QMenu menu;
        QAction *action = CheckForUpdatesMenuItem::create(&checker, &menu);
        menu.addAction(action);
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        action->trigger();
        QVERIFY(!action->isEnabled());
        checker.checkForUpdates(); // ignored while the first one runs
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().value<UpdateCheckResult>().failureMessage,
                 u"The update server did not answer in time."_qs);
        QCOMPARE(server.requests, 1);
        QVERIFY(action->isEnabled());
        QCOMPARE(menu.actions(), QList<QAction *>{action}); // the same item, not a rebuilt one
    }
};

BRISKLET_TEST(UpdateCheckerTest)
#include "tst_updatechecker.moc"
