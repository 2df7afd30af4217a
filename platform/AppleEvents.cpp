#include "AppleEvents.h"

#include "Alert.h"

#include <QCoreApplication>
#include <QHash>
#include <QSocketNotifier>
#include <QTimer>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// By class and ID.
QHash<std::pair<FourCharCode, FourCharCode>, AppleEventHandler>& handlers() {
    static QHash<std::pair<FourCharCode, FourCharCode>, AppleEventHandler> table;
    return table;
}

int quitPipe[2] = {-1, -1};
bool quitRequested = false;

void onQuitSignal(int) {
    const int saved = errno;
    const char byte = 'q';
    [[maybe_unused]] const ssize_t written = write(quitPipe[1], &byte, 1);
    errno = saved;
}

// The handler's result, or errAEEventNotHandled when none is installed.
int dispatchAppleEvent(const AppleEvent& event) {
    const auto it = handlers().constFind({event.eventClass, event.eventID});
    if (it == handlers().constEnd() || !*it)
        return errAEEventNotHandled;
    // A copy: the handler may replace itself.
    const AppleEventHandler handler = *it;
    return handler(event);
}

} // namespace

void installAppleEventHandler(FourCharCode eventClass, FourCharCode eventID,
                              AppleEventHandler handler) {
    handlers().insert({eventClass, eventID}, std::move(handler));
}

void removeAppleEventHandler(FourCharCode eventClass, FourCharCode eventID) {
    handlers().remove({eventClass, eventID});
}

void postAppleEvent(const AppleEvent& event) {
    QTimer::singleShot(0, QCoreApplication::instance(), [event] { dispatchAppleEvent(event); });
}

QByteArray encodeLaunchDescriptor(const AEDescriptor& descriptor) {
    return QByteArray::number(descriptor.type, 16).rightJustified(8, '0') + ':' +
           descriptor.data.toBase64();
}

std::optional<AEDescriptor> decodeLaunchDescriptor(const QByteArray& text) {
    if (text.size() < 9 || text.at(8) != ':')
        return std::nullopt;
    const QByteArray typeText = text.left(8);
    for (char c : typeText) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    const uint type = typeText.toUInt(nullptr, 16); // eight hexadecimal digits always fit
    const auto decoded = QByteArray::fromBase64Encoding(
        text.mid(9), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return AEDescriptor{type, *decoded};
}

void scheduleOpenApplicationEvent() {
    AppleEvent event{"aevt"_4cc, "oapp"_4cc, {}};
    if (qEnvironmentVariableIsSet(kLaunchDescriptorVariable)) {
        if (const auto descriptor = decodeLaunchDescriptor(qgetenv(kLaunchDescriptorVariable)))
            event.parameters.insert("prdt"_4cc, *descriptor);
        qunsetenv(kLaunchDescriptorVariable);
    }
    postAppleEvent(event);
}

bool isQuitRequested() {
    return quitRequested;
}

void initializeProcess() {
    // A reader that went away (a closed stderr pipe, a socket) must give an error, not end
    // the program.
    signal(SIGPIPE, SIG_IGN);
}

void installQuitSignalHandlers() {
    if (quitPipe[0] >= 0)
        return;
    if (pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char bytes[64];
        while (read(quitPipe[0], bytes, sizeof bytes) > 0) {
        }
        quitRequested = true;
        const AppleEvent quit{"aevt"_4cc, "quit"_4cc, {}};
        // An alert would hold the request up until somebody dismissed it: close it and
        // take the request again once its loop has ended.
        if (closeShownAlert())
            postAppleEvent(quit);
        else
            dispatchAppleEvent(quit);
    });
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace platform
