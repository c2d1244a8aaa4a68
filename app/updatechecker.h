#pragma once

#include "updatecheckresult.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// Asks the update feed whether a newer release exists and reports what it found. It only
// reads the feed: it never downloads or runs a release; the user is offered its page.
//
// The feed is fetched over HTTPS only (redirects included), within a time limit and at most
// AppcastParser::maxFeedBytes. canCheckForUpdates is false when no feed is configured and
// while a check runs, so the menu command can follow it.
class UpdateChecker : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    static constexpr std::chrono::milliseconds defaultTimeout{15000};
    static constexpr int maxRedirects = 5;

    UpdateChecker(const QUrl &feedUrl, const QString &currentVersion, QObject *parent = nullptr);
    ~UpdateChecker() override;

    bool canCheckForUpdates() const;
    QUrl feedUrl() const { return m_feedUrl; }
    QString currentVersion() const { return m_currentVersion; }

    void setTransferTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // For tests only: also accept plain http to 127.0.0.1, where a test runs its own server.
    void setLoopbackHttpAllowedForTesting(bool allowed) { m_loopbackHttpAllowed = allowed; }

public Q_SLOTS:
    // Starts a check when one can start now; the result arrives through checkFinished.
    void checkForUpdates();

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkFinished(const UpdateCheckResult &result);

private:
    bool isAcceptableAddress(const QUrl &url) const;
    void setChecking(bool checking);
    void abortWith(const QString &reason);
    void onReadyRead();
    void onFinished();
    UpdateCheckResult resultFromFeed() const;
    void finish(UpdateCheckResult result);

    QUrl m_feedUrl;
    QString m_currentVersion;
    std::chrono::milliseconds m_timeout = defaultTimeout;
    bool m_loopbackHttpAllowed = false;
    bool m_checking = false;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_received;
    QString m_abortReason;
};
