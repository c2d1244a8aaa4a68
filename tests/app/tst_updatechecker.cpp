#include "testmain.h"

#include "checkforupdatesmenuitem.h"
#include "updatechecker.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using Outcome = UpdateCheckResult::Outcome;
Q_DECLARE_METATYPE(Outcome)

namespace {

// A tiny HTTP server on 127.0.0.1: answers each request with one canned response, or never
// when that is empty.
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
                    if (!socket->property("request").toByteArray().endsWith("\r\n\r\n"))
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

} // namespace

class UpdateCheckerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void results_data()
    {
        QTest::addColumn<bool>("loopbackHttp"); // off: the plain http test address is refused
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("currentVersion");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("detail"); // the new version, or the start of the failure

        const auto feed = [](const QByteArray &version) -> QByteArray {
            const QByteArray body =
                "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/"
                "sparkle\"><channel><title>Brisklet</title><item><link>https://brisklet.example/"
                "release</link><enclosure url=\"https://brisklet.example/b.tar.gz\" "
                "sparkle:os=\"linux\" sparkle:version=\"" +
                version + "\" length=\"1\"/></item></channel></rss>";
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
        QVERIFY(action->isEnabled());
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        action->trigger();
        QVERIFY(!checker.canCheckForUpdates());
        QVERIFY(!action->isEnabled());
        checker.checkForUpdates(); // ignored while the first one runs
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().value<UpdateCheckResult>().failureMessage,
                 u"The update server did not answer in time."_qs);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(server.requests, 1);
        QVERIFY(checker.canCheckForUpdates());
        QVERIFY(action->isEnabled());
        QCOMPARE(menu.actions(), QList<QAction *>{action}); // the same item, not a rebuilt one
    }
};

BRISKLET_TEST(UpdateCheckerTest)
#include "tst_updatechecker.moc"
