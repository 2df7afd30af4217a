// A program for the launch tests: claims its single instance, then appends to $LAUNCH_HELPER_OUT
// "inherited <hand-off left in its environment>", "oapp <prdt type> <prdt data>" for the launch
// event, "pid <its id>", and "activated" for each later start; a second instance writes
// "already running".
// It ends on a quit request, or after 30 s.
#include "platform/AppleEvents.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

namespace {
void report(const QByteArray& line) {
    QFile out(qEnvironmentVariable("LAUNCH_HELPER_OUT"));
    if (out.open(QIODevice::WriteOnly | QIODevice::Append))
        out.write(line + '\n');
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!platform::SingleInstance::claimForProgram([] { report("activated"); })) {
        report("already running");
        return 0;
    }
    platform::installAppleEventHandler("aevt"_4cc, "oapp"_4cc, [](const platform::AppleEvent& e) {
        const platform::AEDescriptor* prdt = e.parameter("prdt"_4cc);
        report(prdt ? "oapp " + QByteArray::number(prdt->type, 16) + " " + prdt->data : "oapp");
        return 0;
    });
    platform::installAppleEventHandler("aevt"_4cc, "quit"_4cc, [](const platform::AppleEvent&) {
        QCoreApplication::quit();
        return 0;
    });
    platform::scheduleOpenApplicationEvent();
    platform::installQuitSignalHandlers();
    report("inherited " + qgetenv(platform::kLaunchDescriptorVariable));
    report("pid " + QByteArray::number(QCoreApplication::applicationPid()));
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    return app.exec();
}
