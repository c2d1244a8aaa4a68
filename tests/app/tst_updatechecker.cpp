#include "testregistry.h"

#include "feedserver.h"
#include "updatechecker.h"
#include "updatefeedlocation.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Outcome = UpdateCheckResult::Outcome;

namespace {

QByteArray feedWith(const QByteArray &version)
{
    return "<?xml version=\"1.0\"?>\n"
           "<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
           "<channel><title>Brisklet</title><item>\n"
           "<link>https://brisklet.example/release</link>\n"
           "<sparkle:releaseNotesLink>https://brisklet.example/notes</sparkle:releaseNotesLink>\n"
           "<enclosure url=\"https://brisklet.example/b.tar.gz\" sparkle:os=\"linux\" "
           "sparkle:version=\"" +
           version +
           "\" length=\"1\"/>\n"
           "</item></channel></rss>";
}

UpdateCheckResult runCheck(UpdateChecker &checker)
{
    QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
    checker.checkForUpdates();
    if (finished.isEmpty() && !finished.wait(10000))
        return {};
    return finished.first().first().value<UpdateCheckResult>();
}

} // namespace

Q_DECLARE_METATYPE(Outcome)

class UpdateCheckerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noFeedNoCheck()
    {
        UpdateChecker checker(QUrl(), u"1.0"_qs);
        QVERIFY(!checker.canCheckForUpdates());
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        checker.checkForUpdates();
        QTest::qWait(50);
        QVERIFY(finished.isEmpty());
    }

    void plainHttpIsRefused()
    {
        FeedServer server;
        server.respond(u"/feed"_qs, FeedServer::ok(feedWith("9.0")));
        UpdateChecker checker(server.url(u"/feed"_qs), u"1.0"_qs);
        QVERIFY(checker.canCheckForUpdates());
        const UpdateCheckResult result = runCheck(checker);
        QCOMPARE(result.outcome, Outcome::failed);
        QCOMPARE(result.failureMessage, u"The update feed address must start with https://."_qs);
        QCOMPARE(server.requestCount(), 0);
    }

    void results_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("currentVersion");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("detail"); // new version, or the start of the failure

        QTest::newRow("same version")
            << FeedServer::ok(feedWith("1.10")) << u"1.10"_qs << Outcome::upToDate << QString();
        QTest::newRow("running a newer build")
            << FeedServer::ok(feedWith("1.9")) << u"1.10"_qs << Outcome::upToDate << QString();
        QTest::newRow("pre-release of what runs")
            << FeedServer::ok(feedWith("1.0b2")) << u"1.0"_qs << Outcome::upToDate << QString();
        QTest::newRow("newer version") << FeedServer::ok(feedWith("1.10")) << u"1.9"_qs
                                       << Outcome::updateAvailable << u"1.10"_qs;
        QTest::newRow("not found") << FeedServer::status(404) << u"1.0"_qs << Outcome::failed
                                   << u"The update server answered with status 404."_qs;
        QTest::newRow("not a feed") << FeedServer::ok("<html><body>hi</body></html>") << u"1.0"_qs
                                    << Outcome::failed << u"The update feed is not an RSS feed."_qs;
        QTest::newRow("declared too large")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5000000\r\n\r\n<rss>") << u"1.0"_qs
            << Outcome::failed << u"The update feed is too large."_qs;
        QTest::newRow("too large without a length")
            << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n") +
                   QByteArray(2 * 1024 * 1024, ' ')
            << u"1.0"_qs << Outcome::failed << u"The update feed is too large."_qs;
        QTest::newRow("redirect to plain http elsewhere")
            << FeedServer::status(302, "Location: http://brisklet.example/feed\r\n") << u"1.0"_qs
            << Outcome::failed
            << u"The update feed redirected to an address that does not use https://."_qs;
    }

    void results()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, currentVersion);
        QFETCH(Outcome, outcome);
        QFETCH(QString, detail);

        FeedServer server;
        server.respond(u"/feed"_qs, response);
        UpdateChecker checker(server.url(u"/feed"_qs), currentVersion);
        checker.setLoopbackHttpAllowedForTesting(true);
        const UpdateCheckResult result = runCheck(checker);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.currentVersion, currentVersion);
        if (outcome == Outcome::updateAvailable) {
            QCOMPARE(result.newVersion, detail);
            QCOMPARE(result.releasePage, QUrl(u"https://brisklet.example/release"_qs));
            QCOMPARE(result.releaseNotesLink, QUrl(u"https://brisklet.example/notes"_qs));
        } else if (outcome == Outcome::failed) {
            QVERIFY2(result.failureMessage.startsWith(detail), qPrintable(result.failureMessage));
        }
    }

    void redirectWithinLoopbackIsFollowed()
    {
        FeedServer server;
        server.respond(
            u"/old"_qs,
            FeedServer::status(301, "Location: " + server.url(u"/new"_qs).toEncoded() + "\r\n"));
        server.respond(u"/new"_qs, FeedServer::ok(feedWith("2.0")));
        UpdateChecker checker(server.url(u"/old"_qs), u"1.0"_qs);
        checker.setLoopbackHttpAllowedForTesting(true);
        QCOMPARE(runCheck(checker).outcome, Outcome::updateAvailable);
    }

    void busyWhileChecking()
    {
        FeedServer server;
        server.hang(u"/feed"_qs);
        UpdateChecker checker(server.url(u"/feed"_qs), u"1.0"_qs);
        checker.setLoopbackHttpAllowedForTesting(true);
        checker.setTransferTimeout(std::chrono::milliseconds(300));
        QSignalSpy changes(&checker, &UpdateChecker::canCheckForUpdatesChanged);
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);

        checker.checkForUpdates();
        QVERIFY(!checker.canCheckForUpdates());
        checker.checkForUpdates(); // ignored while the first one runs
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(server.requestCount(), 1);
        const auto result = finished.first().first().value<UpdateCheckResult>();
        QCOMPARE(result.outcome, Outcome::failed);
        QCOMPARE(result.failureMessage, u"The update server did not answer in time."_qs);
        QVERIFY(checker.canCheckForUpdates());
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes.at(0).first().toBool(), false);
        QCOMPARE(changes.at(1).first().toBool(), true);
    }

    void feedLocation_data()
    {
        QTest::addColumn<QVariant>("configured");
        QTest::addColumn<QString>("builtIn");
        QTest::addColumn<QUrl>("expected");
        const QString builtIn = u"https://brisklet.example/appcast.xml"_qs;
        QTest::newRow("built in") << QVariant() << builtIn << QUrl(builtIn);
        QTest::newRow("none built in") << QVariant() << QString() << QUrl();
        QTest::newRow("settings override")
            << QVariant(u"https://mirror.example/feed.xml"_qs) << builtIn
            << QUrl(u"https://mirror.example/feed.xml"_qs);
        QTest::newRow("settings turn it off") << QVariant(QString()) << builtIn << QUrl();
    }

    void feedLocation()
    {
        QFETCH(QVariant, configured);
        QFETCH(QString, builtIn);
        QFETCH(QUrl, expected);
        QTemporaryDir directory;
        QSettings settings(directory.filePath(u"Brisklet.conf"_qs), QSettings::NativeFormat);
        if (configured.isValid())
            settings.setValue(UpdateFeedLocation::settingsKey(), configured);
        QCOMPARE(UpdateFeedLocation::resolve(settings, builtIn), expected);
    }
};

BRISKLET_TEST(UpdateCheckerTest)
#include "tst_updatechecker.moc"
