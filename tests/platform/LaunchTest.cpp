// Starting a package: the printer handed over once in the launch event, a running instance
// brought forward instead of a second one, and quit requests as events.
#include "platform/AppleEvents.h"
#include "platform/LaunchServices.h"
#include "platform/SingleInstance.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QTest>
#include <QUuid>
#include <csignal>
#include <gtest/gtest.h>

using namespace platform;

TEST(LaunchDescriptor, RoundTripsAnyBytesAndRejectsEverythingElse) {
    for (const AEDescriptor& sent : {AEDescriptor{"utf8"_4cc, "MX-R74400 Series \xE6\x97\xA5"},
                                     AEDescriptor{0xFFFFFFFFu, QByteArray("\x00\x01:\xFF", 4)},
                                     AEDescriptor{"utf8"_4cc, QByteArray()}})
        EXPECT_EQ(decodeLaunchDescriptor(encodeLaunchDescriptor(sent)), sent);
    for (const char* bad : {"", "75746638", "7574663:x", "7574663g:AAAA", "75746638;AAAA",
                            "75746638:A*AA", " 5746638:AAAA"})
        EXPECT_FALSE(decodeLaunchDescriptor(bad).has_value()) << bad;
}

TEST(AppleEvents, TerminationSignalsBecomeQuitEventsOnTheMainThread) {
    int quits = 0;
    installAppleEventHandler("aevt"_4cc, "quit"_4cc, [&](const AppleEvent&) { return ++quits, 0; });
    installQuitSignalHandlers();
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        const int before = quits;
        raise(signal);
        EXPECT_TRUE(QTest::qWaitFor([&] { return quits == before + 1; }, 5000)) << signal;
    }
    removeAppleEventHandler("aevt"_4cc, "quit"_4cc);
}

TEST(LaunchServices, StartsOnceHandsOverThePrinterAndBringsTheRunningOneForward) {
    testsupport::TempTree tree;
    const QString out = tree.path("helper.out");
    const testsupport::ScopedEnvironment report("LAUNCH_HELPER_OUT", QFile::encodeName(out));
    const auto lines = [&] { return testsupport::readFile(out).split('\n'); };
    const auto waitFor = [&](const QByteArray& line, int count = 1) {
        return QTest::qWaitFor([&] { return lines().count(line) == count; }, 15000);
    };
    const QString identifier = "test.launch." + QUuid::createUuid().toString(QUuid::Id128);
    const QString package = testsupport::writeBundle(
        tree, "Tool With Spaces.app",
        {{"CFBundleExecutable", "helper"}, {"CFBundleIdentifier", identifier}});
    tree.mkdir("Tool With Spaces.app/Contents/MacOS");
    ASSERT_TRUE(QFile::copy(LAUNCH_HELPER, package + "/Contents/MacOS/helper"));
    const AEDescriptor id{"utf8"_4cc, "MX-R74400 Series"};
    ASSERT_EQ(openApplication(package, id), 0);
    ASSERT_TRUE(waitFor("oapp 75746638 MX-R74400 Series"));
    EXPECT_TRUE(waitFor("inherited "));         // nothing left for the programs it starts
    ASSERT_EQ(openApplication(package, id), 0); // running: brought forward, not started again
    ASSERT_TRUE(waitFor("activated"));
    QProcess second; // started directly, it ends at once and brings the first forward too
    second.start(package + "/Contents/MacOS/helper");
    EXPECT_TRUE(second.waitForFinished(15000) && second.exitCode() == 0);
    EXPECT_TRUE(waitFor("activated", 2));
    EXPECT_EQ(lines().count("oapp 75746638 MX-R74400 Series"), 1);
    EXPECT_TRUE(lines().contains("already running"));
    // Without an executable, nothing starts.
    testsupport::writeBundle(tree, "NoExec.app", {{"CFBundleIdentifier", "x.y"}});
    testsupport::writeBundle(tree, "Missing.app", {{"CFBundleExecutable", "nothere"}});
    EXPECT_EQ(openApplication(tree.path("NoExec.app"), std::nullopt), kLSNoExecutableErr);
    EXPECT_EQ(openApplication(tree.path("Missing.app"), std::nullopt), kLSNoExecutableErr);
    EXPECT_EQ(openApplication(tree.path("Nowhere.app"), std::nullopt), kLSApplicationNotFoundErr);
    for (const QByteArray& line : lines())
        if (line.startsWith("pid "))
            ::kill(line.mid(4).toInt(), SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return SingleInstance::handOver(identifier) == SingleInstance::Handover::NotRunning;
        },
        15000));
}
