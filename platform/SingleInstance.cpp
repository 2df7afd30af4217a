#include "SingleInstance.h"

#include "Bundle.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

const QByteArray kActivateRequest = "activate\n";
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
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
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

// Reads one request from a connected start; answers and activates when it is whole, and
// drops the connection on anything else.
void handle(int client, const std::function<void()>& onActivate) {
    auto* notifier =
        new QSocketNotifier(qintptr(client), QSocketNotifier::Read, QCoreApplication::instance());
    auto received = std::make_shared<QByteArray>();
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [=] {
        char buffer[16];
        const ssize_t got = recv(client, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got > 0)
            received->append(buffer, qsizetype(got));
        const qsizetype end = received->indexOf('\n');
        if (got > 0 && end < 0 && received->size() <= kActivateRequest.size())
            return; // more to come
        notifier->setEnabled(false);
        notifier->deleteLater();
        const bool activate = end >= 0 && received->left(end + 1) == kActivateRequest;
        close(client);
        if (activate && onActivate)
            onActivate();
    });
}

// Takes later starts' connections once the event loop runs; those made before wait in the
// socket's queue.
void serve(int listening, std::function<void()> onActivate) {
    auto* notifier = new QSocketNotifier(qintptr(listening), QSocketNotifier::Read,
                                         QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [listening, onActivate] {
        for (int client;
             (client = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;) {
            if (peerIsUs(client))
                handle(client, onActivate);
            else
                close(client);
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

// Takes the claim's lock (its descriptor in *held, left alone without one) or hands the request
// over to its holder, retrying while the holder is not reachable yet.
SingleInstance::Handover reach(const Paths& paths, int* held) {
    const QDeadlineTimer deadline(kReachWaitMs);
    for (;;) {
        const int lock = openLock(paths.lock);
        if (lock < 0)
            return SingleInstance::Handover::NotRunning;
        if (flock(lock, LOCK_EX | LOCK_NB) == 0) {
            *held = lock;
            return SingleInstance::Handover::NotRunning;
        }
        close(lock);
        if (sendRequest(paths.socket))
            return SingleInstance::Handover::HandedOver;
        if (deadline.hasExpired())
            return SingleInstance::Handover::Failed;
        QThread::msleep(kRetryMs);
    }
}

} // namespace

SingleInstance::Handover SingleInstance::handOver(const QString& identity) {
    const auto paths = claimPaths(identity);
    int held = -1;
    const Handover result = paths ? reach(*paths, &held) : Handover::NotRunning;
    if (held >= 0)
        close(held);
    return result;
}

bool SingleInstance::claim(const QString& identity, std::function<void()> onActivate) {
    const auto paths = claimPaths(identity);
    if (!paths) {
        std::fprintf(stderr, "no private folder for the one-instance claim; running alone\n");
        return true;
    }
    int held = -1;
    const Handover result = reach(*paths, &held);
    // A holder that does not listen is still the one instance.
    if (result == Handover::Failed)
        std::fprintf(stderr, "the running instance does not answer\n");
    if (result != Handover::NotRunning)
        return false;
    if (held < 0) {
        std::fprintf(stderr, "the one-instance lock cannot be opened; running alone\n");
        return true;
    }
    // Held until the process ends; the descriptor is not inherited by programs started
    // from here.
    const int listening = listenAt(paths->socket);
    if (listening >= 0)
        serve(listening, std::move(onActivate));
    return true;
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
