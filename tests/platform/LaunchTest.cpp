#include "platform/AppleEvents.h"
#include "platform/Bundle.h"
#include "platform/LaunchServices.h"
#include "platform/SingleInstance.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>
#include <csignal>
#include <gtest/gtest.h>

using namespace platform;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool waitForLine(const QString& path, const QByteArray& line, int timeoutMs = 15000) {
    return QTest::qWaitFor([&] { return readAll(path).split('\n').contains(line); }, timeoutMs);
}

// X.app whose executable is the launch helper, with an identifier of its own.
QString makeHelperPackage(const testsupport::TempTree& tree, const QString& name) {
    const QString identifier =
        QStringLiteral("test.launch.") + QUuid::createUuid().toString(QUuid::Id128);
    tree.write(name + "/Contents/Info.plist",
               testsupport::xmlPropertyList(QVariantMap{{"CFBundleExecutable", "helper"},
                                                        {"CFBundleIdentifier", identifier}}));
    tree.mkdir(name + "/Contents/MacOS");
    QFile::copy(QStringLiteral(LAUNCH_HELPER), tree.path(name + "/Contents/MacOS/helper"));
    return tree.path(name);
}

} // namespace

TEST(LaunchDescriptor, RoundTripsAnyBytesAndRejectsEverythingElse) {
    const AEDescriptor utf8{"utf8"_4cc, QByteArray("MX-R74400 Series \xE6\x97\xA5")};
    EXPECT_EQ(decodeLaunchDescriptor(encodeLaunchDescriptor(utf8)), utf8);
    const AEDescriptor binary{0xFFFFFFFFu, QByteArray("\x00\x01:\xFF", 4)};
    EXPECT_EQ(decodeLaunchDescriptor(encodeLaunchDescriptor(binary)), binary);
    const AEDescriptor empty{"utf8"_4cc, QByteArray()};
    EXPECT_EQ(decodeLaunchDescriptor(encodeLaunchDescriptor(empty)), empty);

    for (const QByteArray& bad : {QByteArray(), QByteArray("75746638"), QByteArray("7574663:x"),
                                  QByteArray("7574663g:AAAA"), QByteArray("75746638;AAAA"),
                                  QByteArray("75746638:A*AA"), QByteArray(" 5746638:AAAA")})
        EXPECT_FALSE(decodeLaunchDescriptor(bad).has_value()) << bad.constData();
}

TEST(AppleEvents, DispatchReachesTheInstalledHandlerOnly) {
    const FourCharCode cls = "test"_4cc;
    const FourCharCode id = "disp"_4cc;
    EXPECT_EQ(dispatchAppleEvent({cls, id, {}}), errAEEventNotHandled);
    installAppleEventHandler(cls, id, [](const AppleEvent&) { return 7; });
    EXPECT_EQ(dispatchAppleEvent({cls, id, {}}), 7);
    removeAppleEventHandler(cls, id);
    EXPECT_EQ(dispatchAppleEvent({cls, id, {}}), errAEEventNotHandled);
}

TEST(AppleEvents, OpenApplicationEventCarriesTheHandOffOnceAndOnlyWhenValid) {
    std::vector<std::optional<AEDescriptor>> received;
    installAppleEventHandler("aevt"_4cc, "oapp"_4cc, [&](const AppleEvent& e) {
        const AEDescriptor* prdt = e.parameter("prdt"_4cc);
        received.push_back(prdt ? std::optional<AEDescriptor>(*prdt) : std::nullopt);
        return 0;
    });
    const AEDescriptor sent{"utf8"_4cc, "MX-R54400 Series"};
    qputenv(kLaunchDescriptorVariable, encodeLaunchDescriptor(sent));
    scheduleOpenApplicationEvent();
    EXPECT_FALSE(qEnvironmentVariableIsSet(kLaunchDescriptorVariable));
    qputenv(kLaunchDescriptorVariable, "garbage");
    scheduleOpenApplicationEvent();
    scheduleOpenApplicationEvent();
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 3; }, 5000));
    removeAppleEventHandler("aevt"_4cc, "oapp"_4cc);
    EXPECT_EQ(received[0], sent);
    EXPECT_FALSE(received[1].has_value());
    EXPECT_FALSE(received[2].has_value());
}

TEST(AppleEvents, TerminationSignalsBecomeQuitEventsOnTheMainThread) {
    int quits = 0;
    installAppleEventHandler("aevt"_4cc, "quit"_4cc, [&](const AppleEvent&) {
        ++quits;
        return 0;
    });
    installQuitSignalHandlers();
    raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return quits == 1; }, 5000));
    raise(SIGHUP);
    ASSERT_TRUE(QTest::qWaitFor([&] { return quits == 2; }, 5000));
    removeAppleEventHandler("aevt"_4cc, "quit"_4cc);
}

TEST(LaunchServices, StartsOnceHandsOverTheDescriptorAndActivatesTheRunningInstance) {
    testsupport::TempTree tree;
    const QString out = tree.path("helper.out");
    qputenv("LAUNCH_HELPER_OUT", out.toUtf8());
    const QString package = makeHelperPackage(tree, "Tool With Spaces.app");
    const AEDescriptor id{"utf8"_4cc, "MX-R74400 Series"};

    ASSERT_EQ(openApplication(package, id), 0);
    ASSERT_TRUE(waitForLine(out, "oapp 75746638 MX-R74400 Series"));
    // The helper sees no hand-off left in its environment for programs it starts.
    EXPECT_TRUE(readAll(out).split('\n').contains("inherited "));

    // Already running: brought forward, not started again.
    ASSERT_EQ(openApplication(package, id), 0);
    ASSERT_TRUE(waitForLine(out, "activated"));
    EXPECT_EQ(readAll(out).count("oapp"), 1);

    ASSERT_EQ(SingleInstance::handOver(
                  Bundle::create(package) ? Bundle::create(package)->identifier() : QString()),
              SingleInstance::Handover::HandedOver);
    QProcess::execute("pkill", {"-TERM", "-f", package + "/Contents/MacOS/helper"});
    ASSERT_TRUE(waitForLine(out, "quit"));
    qunsetenv("LAUNCH_HELPER_OUT");
}

TEST(LaunchServices, PackagesWithoutAnExecutableStartNothing) {
    testsupport::TempTree tree;
    tree.write("NoExec.app/Contents/Info.plist",
               testsupport::xmlPropertyList(QVariantMap{{"CFBundleIdentifier", "x.y"}}));
    tree.write("Missing.app/Contents/Info.plist",
               testsupport::xmlPropertyList(QVariantMap{{"CFBundleExecutable", "nothere"}}));
    EXPECT_EQ(openApplication(tree.path("NoExec.app"), std::nullopt), kLSNoExecutableErr);
    EXPECT_EQ(openApplication(tree.path("Missing.app"), std::nullopt), kLSNoExecutableErr);
    EXPECT_EQ(openApplication(tree.path("Nowhere.app"), std::nullopt), kLSApplicationNotFoundErr);
}

TEST(SingleInstance, SecondStartOfTheSameProgramEndsAndActivatesTheFirst) {
    testsupport::TempTree tree;
    const QString out = tree.path("instance.out");
    qputenv("LAUNCH_HELPER_OUT", out.toUtf8());
    const QString identity =
        QStringLiteral("test.instance.") + QUuid::createUuid().toString(QUuid::Id128);
    QProcess first;
    first.start(QStringLiteral(LAUNCH_HELPER), {identity});
    ASSERT_TRUE(waitForLine(out, "oapp"));
    QProcess second;
    second.start(QStringLiteral(LAUNCH_HELPER), {identity});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitForLine(out, "already running"));
    EXPECT_TRUE(waitForLine(out, "activated"));
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(15000));
    EXPECT_EQ(SingleInstance::handOver(identity), SingleInstance::Handover::NotRunning);
    qunsetenv("LAUNCH_HELPER_OUT");
}

TEST(ChildTask, ReportsTheEndAndRunsOneAtATime) {
    ChildTask task;
    QSignalSpy finished(&task, &ChildTask::finished);
    ASSERT_TRUE(task.start("/bin/sh", {"-c", "sleep 0.3"}));
    EXPECT_TRUE(task.isRunning());
    EXPECT_FALSE(task.start("/bin/sh", {"-c", "true"}));
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(task.isRunning());
    ASSERT_TRUE(task.start("/bin/sh", {"-c", "true"}));
    EXPECT_TRUE(finished.wait(10000));
    EXPECT_FALSE(task.start("/nonexistent/program", {}));
}
