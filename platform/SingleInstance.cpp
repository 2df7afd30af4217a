#include "SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace platform {

namespace {
constexpr int kAnswerTimeoutMs = 1500;
const QByteArray kActivateRequest = "activate\n";
const QByteArray kActivateAnswer = "ok\n";
} // namespace

QString SingleInstance::serverName(const QString& identity) {
    const QByteArray hash =
        QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("trellis-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
}

bool SingleInstance::activateRunning(const QString& identity) {
    QLocalSocket socket;
    socket.connectToServer(serverName(identity));
    if (!socket.waitForConnected(kAnswerTimeoutMs))
        return false;
    socket.write(kActivateRequest);
    if (!socket.waitForBytesWritten(kAnswerTimeoutMs))
        return false;
    while (socket.bytesAvailable() < kActivateAnswer.size()) {
        if (!socket.waitForReadyRead(kAnswerTimeoutMs))
            return false;
    }
    return socket.readAll().startsWith(kActivateAnswer);
}

bool SingleInstance::claim(const QString& identity, std::function<void()> onActivate) {
    if (activateRunning(identity))
        return false;
    auto* server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = serverName(identity);
    if (!server->listen(name)) {
        // Nobody answered above, so the socket is left over from a process that died.
        QLocalServer::removeServer(name);
        if (!server->listen(name)) {
            delete server;
            return !activateRunning(identity);
        }
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onActivate] {
        while (QLocalSocket* client = server->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client,
                             &QLocalSocket::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [client, onActivate] {
                if (!client->canReadLine())
                    return;
                const QByteArray request = client->readLine();
                if (request == kActivateRequest) {
                    client->write(kActivateAnswer);
                    client->flush();
                    if (onActivate)
                        onActivate();
                }
                client->disconnectFromServer();
            });
        }
    });
    return true;
}

} // namespace platform
