// A program for the launch tests: claims its single instance, reports the launch event,
// activation requests and quit requests by appending lines to $LAUNCH_HELPER_OUT.
#include "platform/AppleEvents.h"
#include "platform/Bundle.h"
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
    const auto bundle = platform::Bundle::mainBundle();
    const QString identity = app.arguments().value(1, bundle ? bundle->identifier() : QString());
    if (!platform::SingleInstance::claim(identity, [] { report("activated"); })) {
        report("already running");
        return 0;
    }
    platform::installAppleEventHandler(
        "aevt"_4cc, "oapp"_4cc, [](const platform::AppleEvent& event) {
            const platform::AEDescriptor* prdt = event.parameter("prdt"_4cc);
            report(prdt ? "oapp " + QByteArray::number(prdt->type, 16) + " " + prdt->data
                        : QByteArray("oapp"));
            return 0;
        });
    platform::installAppleEventHandler("aevt"_4cc, "quit"_4cc, [](const platform::AppleEvent&) {
        report("quit");
        QCoreApplication::quit();
        return 0;
    });
    platform::scheduleOpenApplicationEvent();
    platform::installQuitSignalHandlers();
    report("inherited " + qgetenv(platform::kLaunchDescriptorVariable));
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    return app.exec();
}
