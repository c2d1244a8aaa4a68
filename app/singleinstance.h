#pragma once

#include "launchrequest.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// Keeps Brisklet to one process per user. The first launch takes a lock file and listens on a
// local socket (user-only access) in the runtime directory; a later launch finds the lock
// taken, hands its request to that socket and exits. The lock alone decides who serves, so
// two launches at the same moment cannot both serve; the one that lost keeps trying to reach
// the winner until its socket is up, within a bounded wait.
//
// On the socket, each request is one frame: a 32-bit big-endian payload length, then a
// QDataStream (Qt 6.4 format) payload of magic number, format version, action and the list
// of file URLs. The serving process answers a single acknowledgement byte once it has read a
// whole, valid request.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        primary,   // this process serves; requests of later launches arrive as signals
        forwarded, // the running instance has the request; this process should exit
        failed,    // neither was possible (see errorString); run on alone rather than lose it
    };

    static constexpr std::chrono::milliseconds defaultWait{5000};
    static constexpr qint64 maxPayloadBytes = 64 * 1024 * 1024;

    // An empty runtimeDirectory means defaultRuntimeDirectory().
    explicit SingleInstance(const QString &runtimeDirectory = {}, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Becomes the serving instance, or hands request to the one that serves. A primary
    // instance handles its own request itself; only later launches arrive through
    // requestReceived.
    Role start(const LaunchRequest &request, std::chrono::milliseconds wait = defaultWait);

    QString errorString() const { return m_errorString; }
    QString lockFilePath() const;
    QString socketPath() const;

    // $XDG_RUNTIME_DIR, else Qt's runtime location.
    static QString defaultRuntimeDirectory();

    static QByteArray encode(const LaunchRequest &request); // one whole frame
    static std::optional<LaunchRequest> decode(const QByteArray &payload);

Q_SIGNALS:
    void requestReceived(const LaunchRequest &request);

private:
    enum class LockOutcome { acquired, heldElsewhere, error };
    enum class Delivery { delivered, noServer, refused };

    LockOutcome tryToServe();
    Delivery deliver(const QByteArray &frame, std::chrono::milliseconds wait);
    void acceptConnections();
    void serve(QLocalSocket *socket);

    QString m_directory;
    QString m_errorString;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
