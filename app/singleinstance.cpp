#include "singleinstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace {

constexpr quint32 magic = 0x42524b4c; // "BRKL"
constexpr quint16 formatVersion = 1;
constexpr char acknowledgement = 0x06;
constexpr int lengthBytes = 4;
constexpr unsigned long retryPauseMs = 25;
// A connection that does not deliver a whole request in this time is dropped.
constexpr auto connectionTimeout = std::chrono::seconds(10);

int remainingMs(const QDeadlineTimer &deadline)
{
    return int(std::max<qint64>(deadline.remainingTime(), 0));
}

} // namespace

SingleInstance::SingleInstance(const QString &runtimeDirectory, QObject *parent)
    : QObject(parent),
      m_directory(runtimeDirectory.isEmpty() ? defaultRuntimeDirectory() : runtimeDirectory)
{
    qRegisterMetaType<LaunchRequest>();
}

SingleInstance::~SingleInstance()
{
    // The server goes first, so the lock is still held while its socket file is removed.
    delete m_server;
    m_server = nullptr;
}

QString SingleInstance::defaultRuntimeDirectory()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QFileInfo(xdg).isDir())
        return xdg;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::lockFilePath() const
{
    return QDir(m_directory).filePath(QStringLiteral("brisklet-instance.lock"));
}

QString SingleInstance::socketPath() const
{
    return QDir(m_directory).filePath(QStringLiteral("brisklet-instance.socket"));
}

QByteArray SingleInstance::encode(const LaunchRequest &request)
{
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_4);
        out << magic << formatVersion << quint8(request.action) << request.files;
    }
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << quint32(payload.size());
    frame.append(payload);
    return frame;
}

std::optional<LaunchRequest> SingleInstance::decode(const QByteArray &payload)
{
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 readMagic = 0;
    quint16 readVersion = 0;
    quint8 action = 0;
    LaunchRequest request;
    in >> readMagic >> readVersion >> action >> request.files;
    if (in.status() != QDataStream::Ok || !in.atEnd() || readMagic != magic ||
        readVersion != formatVersion || action > quint8(LaunchRequest::Action::addFiles))
        return std::nullopt;
    request.action = LaunchRequest::Action(action);
    return request;
}

SingleInstance::Role SingleInstance::start(const LaunchRequest &request,
                                           std::chrono::milliseconds wait)
{
    if (m_server)
        return Role::primary;
    if (!QDir().mkpath(m_directory)) {
        m_errorString = QStringLiteral("Cannot create the runtime directory %1.").arg(m_directory);
        return Role::failed;
    }

    const QByteArray frame = encode(request);
    const QDeadlineTimer deadline(wait);
    for (;;) {
        // Asking for the lock on every round also covers an instance that quit or crashed
        // while this launch was waiting for it.
        switch (tryToServe()) {
        case LockOutcome::acquired:
            return Role::primary;
        case LockOutcome::error:
            return Role::failed;
        case LockOutcome::heldElsewhere:
            break;
        }
        switch (deliver(frame, std::chrono::milliseconds(remainingMs(deadline)))) {
        case Delivery::delivered:
            return Role::forwarded;
        case Delivery::noServer:
        case Delivery::refused:
            break;
        }
        if (deadline.hasExpired()) {
            m_errorString =
                QStringLiteral("The running instance of Brisklet did not answer in time.");
            return Role::failed;
        }
        QThread::msleep(retryPauseMs);
    }
}

SingleInstance::LockOutcome SingleInstance::tryToServe()
{
    if (!m_lock) {
        m_lock = std::make_unique<QLockFile>(lockFilePath());
        // A running instance holds the lock for as long as it runs, hours or days: only a
        // holder that no longer exists makes it stale, never its age.
        m_lock->setStaleLockTime(0);
    }
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return LockOutcome::heldElsewhere;
        m_errorString = QStringLiteral("Cannot create the lock file %1.").arg(lockFilePath());
        return LockOutcome::error;
    }

    // Holding the lock, any socket file left here belongs to an instance that is gone.
    QLocalServer::removeServer(socketPath());
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath())) {
        m_errorString =
            QStringLiteral("Cannot listen on %1: %2").arg(socketPath(), server->errorString());
        delete server;
        m_lock->unlock();
        return LockOutcome::error;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return LockOutcome::acquired;
}

SingleInstance::Delivery SingleInstance::deliver(const QByteArray &frame,
                                                 std::chrono::milliseconds wait)
{
    const QDeadlineTimer deadline(std::max(wait, std::chrono::milliseconds(100)));
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(std::min(remainingMs(deadline), 1000)))
        return Delivery::noServer;

    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        // Unwritten bytes die with this process, so a request not fully written is not
        // delivered.
        if (!socket.waitForBytesWritten(remainingMs(deadline)))
            return Delivery::refused;
    }
    char answer = 0;
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(remainingMs(deadline))) {
            // Closed without an answer: that instance is quitting or did not accept the
            // request; try again. Still connected: the request sits in its queue and a busy
            // instance reads it soon, so sending it again would only add it twice.
            return socket.state() == QLocalSocket::ConnectedState ? Delivery::delivered
                                                                  : Delivery::refused;
        }
    }
    socket.read(&answer, 1);
    return answer == acknowledgement ? Delivery::delivered : Delivery::refused;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection())
        serve(socket);
}

void SingleInstance::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(connectionTimeout, socket, [socket] { socket->abort(); });

    auto buffer = std::make_shared<QByteArray>();
    auto readRequest = [this, socket, buffer] {
        buffer->append(socket->readAll());
        if (buffer->size() < lengthBytes)
            return;
        QDataStream lengthStream(*buffer);
        lengthStream.setVersion(QDataStream::Qt_6_4);
        quint32 length = 0;
        lengthStream >> length;
        if (length > maxPayloadBytes) {
            socket->abort();
            return;
        }
        if (buffer->size() < lengthBytes + qsizetype(length))
            return;
        const std::optional<LaunchRequest> request =
            decode(buffer->mid(lengthBytes, qsizetype(length)));
        buffer->clear();
        if (!request) {
            socket->abort();
            return;
        }
        // Answer first: the launch that sent it can exit while this one does the work.
        socket->write(&acknowledgement, 1);
        socket->flush();
        socket->disconnectFromServer();
        Q_EMIT requestReceived(*request);
    };
    connect(socket, &QLocalSocket::readyRead, this, readRequest);
    if (socket->bytesAvailable() > 0)
        readRequest();
}
