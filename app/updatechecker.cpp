#include "updatechecker.h"

#include "appcastparser.h"
#include "versioncomparator.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

UpdateCheckResult failure(const QString &currentVersion, const QString &message)
{
    UpdateCheckResult result;
    result.outcome = UpdateCheckResult::Outcome::failed;
    result.currentVersion = currentVersion;
    result.failureMessage = message;
    return result;
}

QString tooLarge()
{
    return QCoreApplication::translate("UpdateChecker", "The update feed is too large.");
}

} // namespace

UpdateChecker::UpdateChecker(const QUrl &feedUrl, const QString &currentVersion, QObject *parent)
    : QObject(parent), m_feedUrl(feedUrl), m_currentVersion(currentVersion)
{
    qRegisterMetaType<UpdateCheckResult>();
}

UpdateChecker::~UpdateChecker()
{
    // Nobody is left to hear about a check still running.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

bool UpdateChecker::canCheckForUpdates() const
{
    return m_feedUrl.isValid() && !m_feedUrl.isEmpty() && !m_checking;
}

void UpdateChecker::checkForUpdates()
{
    if (!canCheckForUpdates())
        return;
    if (!isAcceptableAddress(m_feedUrl)) {
        finish(failure(m_currentVersion,
                       QCoreApplication::translate(
                           "UpdateChecker", "The update feed address must start with https://.")));
        return;
    }

    setChecking(true);
    m_received.clear();
    m_abortReason.clear();
    if (!m_network)
        m_network = new QNetworkAccessManager(this);

    QNetworkRequest request(m_feedUrl);
    request.setTransferTimeout(int(m_timeout.count()));
    // Every hop of a redirect is checked here, so none can lead to plain http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Brisklet/%1").arg(m_currentVersion));

    QNetworkReply *reply = m_network->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl &target) {
        if (isAcceptableAddress(target))
            Q_EMIT reply->redirectAllowed();
        else
            abortWith(QCoreApplication::translate(
                "UpdateChecker",
                "The update feed redirected to an address that does not use https://."));
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > AppcastParser::maxFeedBytes)
            abortWith(tooLarge());
    });
    connect(reply, &QNetworkReply::readyRead, this, &UpdateChecker::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &UpdateChecker::onFinished);
}

bool UpdateChecker::isAcceptableAddress(const QUrl &url) const
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == u"https")
        return true;
    return m_loopbackHttpAllowed && url.scheme() == u"http" && url.host() == u"127.0.0.1";
}

void UpdateChecker::setChecking(bool checking)
{
    const bool could = canCheckForUpdates();
    m_checking = checking;
    if (could != canCheckForUpdates())
        Q_EMIT canCheckForUpdatesChanged(canCheckForUpdates());
}

void UpdateChecker::abortWith(const QString &reason)
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    m_abortReason = reason;
    m_reply->abort(); // finishes the reply, which reports the reason
}

void UpdateChecker::onReadyRead()
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    // Never hold more than one byte beyond the limit, whatever the server sends.
    m_received += m_reply->read(AppcastParser::maxFeedBytes + 1 - m_received.size());
    if (m_received.size() > AppcastParser::maxFeedBytes)
        abortWith(tooLarge());
}

void UpdateChecker::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    if (m_abortReason.isEmpty() && reply->error() == QNetworkReply::NoError)
        onReadyRead(); // whatever arrived together with the end
    m_reply = nullptr;
    reply->deleteLater();

    if (!m_abortReason.isEmpty()) {
        finish(failure(m_currentVersion, m_abortReason));
        return;
    }
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        // Only the transfer timeout cancels a reply without a reason of ours.
        finish(failure(m_currentVersion,
                       QCoreApplication::translate("UpdateChecker",
                                                   "The update server did not answer in time.")));
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        finish(failure(m_currentVersion,
                       QCoreApplication::translate("UpdateChecker",
                                                   "The update server answered with status %1.")
                           .arg(status)));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        finish(failure(m_currentVersion,
                       QCoreApplication::translate("UpdateChecker",
                                                   "The update server could not be reached: %1.")
                           .arg(reply->errorString())));
        return;
    }
    if (status != 200) {
        finish(failure(m_currentVersion,
                       QCoreApplication::translate("UpdateChecker",
                                                   "The update server answered with status %1.")
                           .arg(status)));
        return;
    }
    finish(resultFromFeed());
}

UpdateCheckResult UpdateChecker::resultFromFeed() const
{
    const AppcastParser::Result parsed = AppcastParser::parse(m_received);
    if (!parsed.ok())
        return failure(m_currentVersion, parsed.error);

    UpdateCheckResult result;
    result.currentVersion = m_currentVersion;
    const std::optional<AppcastItem> newest = AppcastParser::newest(parsed.items);
    // A feed without a release for this platform has nothing newer to offer.
    if (!newest || !VersionComparator::isNewer(newest->version, m_currentVersion)) {
        result.outcome = UpdateCheckResult::Outcome::upToDate;
        return result;
    }
    result.outcome = UpdateCheckResult::Outcome::updateAvailable;
    result.newVersion = newest->displayVersion;
    result.releaseNotesLink = newest->releaseNotesLink;
    result.releasePage = newest->releasePage;
    return result;
}

void UpdateChecker::finish(UpdateCheckResult result)
{
    setChecking(false);
    Q_EMIT checkFinished(result);
}
