#include "SingleInstance.h"

#include "Bundle.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

const QByteArray kActivateRequest = "activate\n";
const QByteArray kActivateAnswer = "ok\n";
// How long a start waits for a holder of the claim that is not listening yet (it listens
// right after taking the lock) or whose queue is full.
constexpr int kReachWaitMs = 2000;
constexpr unsigned long kRetryMs = 20;

bool isPrivateFolder(const QByteArray& path) {
    struct stat info {};
    return lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

bool fitsSocketPath(const QByteArray& folder) {
    // "<folder>/trellis-<16 hex>.sock" and its terminating NUL in sun_path.
    return folder.size() + 31 < qsizetype(sizeof(sockaddr_un::sun_path));
}

QByteArray privateFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime) && fitsSocketPath(runtime))
        return runtime;
    const QByteArray folder =
        QFile::encodeName(QDir::tempPath()) + "/trellis-" + QByteArray::number(getuid());
    if (!fitsSocketPath(folder))
        return {};
    if (mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat info {};
    // A folder of ours that others may enter is closed; one of anybody else is not used.
    if (lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
        (info.st_mode & 077) != 0)
        chmod(folder.constData(), 0700);
    return isPrivateFolder(folder) ? folder : QByteArray();
}

QByteArray baseName(const QString& identity) {
    return "trellis-" +
           QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
}

bool peerIsUs(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
           size == sizeof credentials && credentials.uid == getuid();
}

sockaddr_un socketAddress(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return address;
}

// The lock file, opened without following links or blocking; -1 when it is not a plain
// file of ours.
int openLock(const QByteArray& path) {
    const int fd =
        open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
        close(fd);
        return -1;
    }
    return fd;
}

// Connects without blocking and leaves the request in the socket; the holder reads it
// when its event loop runs.
bool sendRequest(const QByteArray& socketPath) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const sockaddr_un address = socketAddress(socketPath);
    bool sent = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                peerIsUs(fd) &&
                send(fd, kActivateRequest.constData(), size_t(kActivateRequest.size()),
                     MSG_NOSIGNAL) == kActivateRequest.size();
    close(fd);
    return sent;
}

// A listening socket at the path, replacing whatever a dead holder left there.
int listenAt(const QByteArray& socketPath) {
    unlink(socketPath.constData());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const sockaddr_un address = socketAddress(socketPath);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void serve(int listening, std::function<void()> onActivate) {
    auto* server = new QLocalServer(QCoreApplication::instance());
    if (!server->listen(qintptr(listening))) {
        close(listening);
        delete server;
        return;
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onActivate] {
        while (QLocalSocket* client = server->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client,
                             &QLocalSocket::deleteLater);
            if (!peerIsUs(int(client->socketDescriptor()))) {
                client->abort();
                client->deleteLater();
                continue;
            }
            auto handle = [client, onActivate] {
                if (!client->canReadLine()) {
                    if (client->bytesAvailable() > kActivateRequest.size())
                        client->abort();
                    return;
                }
                const QByteArray request = client->readLine(kActivateRequest.size() + 1);
                if (request == kActivateRequest) {
                    client->write(kActivateAnswer);
                    client->flush();
                    if (onActivate)
                        onActivate();
                }
                client->disconnectFromServer();
            };
            QObject::connect(client, &QLocalSocket::readyRead, client, handle);
            // A request sent before the event loop ran is already waiting.
            if (client->bytesAvailable() > 0)
                handle();
        }
    });
}

struct Paths {
    QByteArray lock;
    QByteArray socket;
};

std::optional<Paths> claimPaths(const QString& identity) {
    const QByteArray folder = privateFolder();
    if (folder.isEmpty())
        return std::nullopt;
    const QByteArray base = folder + '/' + baseName(identity);
    return Paths{base + ".lock", base + ".sock"};
}

} // namespace

QString SingleInstance::serverName(const QString& identity) {
    const auto paths = claimPaths(identity);
    return paths ? QFile::decodeName(paths->socket) : QString();
}

SingleInstance::Handover SingleInstance::handOver(const QString& identity) {
    const auto paths = claimPaths(identity);
    if (!paths)
        return Handover::NotRunning;
    const QDeadlineTimer deadline(kReachWaitMs);
    for (;;) {
        const int lock = openLock(paths->lock);
        if (lock < 0)
            return Handover::NotRunning;
        const bool free = flock(lock, LOCK_EX | LOCK_NB) == 0;
        close(lock);
        if (free)
            return Handover::NotRunning;
        if (sendRequest(paths->socket))
            return Handover::HandedOver;
        if (deadline.hasExpired())
            return Handover::Failed;
        QThread::msleep(kRetryMs);
    }
}

bool SingleInstance::activateRunning(const QString& identity) {
    return handOver(identity) == Handover::HandedOver;
}

bool SingleInstance::claim(const QString& identity, std::function<void()> onActivate) {
    const auto paths = claimPaths(identity);
    if (!paths) {
        std::fprintf(stderr, "no private folder for the one-instance claim; running alone\n");
        return true;
    }
    const QDeadlineTimer deadline(kReachWaitMs);
    for (;;) {
        const int lock = openLock(paths->lock);
        if (lock < 0) {
            std::fprintf(stderr, "the one-instance lock cannot be opened; running alone\n");
            return true;
        }
        if (flock(lock, LOCK_EX | LOCK_NB) == 0) {
            // Held until the process ends; the descriptor is not inherited by programs
            // started from here.
            const int listening = listenAt(paths->socket);
            if (listening >= 0)
                serve(listening, std::move(onActivate));
            return true;
        }
        close(lock);
        if (sendRequest(paths->socket))
            return false;
        if (deadline.hasExpired()) {
            // A holder that does not listen is still the one instance.
            std::fprintf(stderr, "the running instance does not answer\n");
            return false;
        }
        QThread::msleep(kRetryMs);
    }
}

bool SingleInstance::claimForProgram(std::function<void()> onActivate) {
    QString identity;
    if (const auto bundle = Bundle::mainBundle())
        identity = bundle->identifier();
    if (identity.isEmpty())
        identity = QCoreApplication::applicationFilePath();
    return claim(identity, std::move(onActivate));
}

} // namespace platform
