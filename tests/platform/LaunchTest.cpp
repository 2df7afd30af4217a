// Starting a package: the printer handed over in the launch event, a running instance brought
// forward instead of a second one, and quit requests as events.
#include "platform/AppleEvents.h"
#include "platform/LaunchServices.h"
#include "platform/SingleInstance.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUuid>
#include <csignal>
#include <gtest/gtest.h>

using namespace platform;

TEST(LaunchDescriptor, RoundTripsAnyBytesAndRejectsEverythingElse) {
    for (const AEDescriptor& sent : {AEDescriptor{"utf8"_4cc, "MX-R74400 Series \xE6\x97\xA5"},
                                     AEDescriptor{0xFFFFFFFFu, QByteArray("\0\1:\xFF", 4)}})
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
        raise(signal);
        EXPECT_TRUE(QTest::qWaitFor([&] { return quits == 1; }, 5000)) << signal;
        quits = 0;
    }
}

TEST(LaunchServices, StartsOnceHandsOverThePrinterAndBringsTheRunningOneForward) {
    testsupport::TempTree tree;
    const testsupport::ScopedEnvironment log("TRELLIS_DEMO_TOOL_LOG",
                                             QFile::encodeName(tree.path("log")));
    const QString id = "test.launch." + QUuid::createUuid().toString(QUuid::Id128);
    const QString package =
        testsupport::writeBundle(tree, "Tool 'With' Spaces.app",
                                 {{"CFBundleExecutable", "tool"}, {"CFBundleIdentifier", id}});
    ASSERT_TRUE(
        QFile::copy(DEMO_TOOL, tree.mkdir("Tool 'With' Spaces.app/Contents/MacOS") + "/tool"));
    const auto starts = [&] { return testsupport::readFile(tree.path("log")); };
    for (int open = 0; open < 2; ++open) { // the second brings the first forward
        ASSERT_EQ(openApplication(package, AEDescriptor{"utf8"_4cc, "MX-R74400 Series"}), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return starts().count('\n') == 1; }, 30000));
    }
    const QJsonObject start = QJsonDocument::fromJson(starts()).object();
    EXPECT_EQ(start["printer"].toString(), "MX-R74400 Series");
    EXPECT_EQ(start["via"].toString(), "prdt"); // in the launch event
    ::kill(start["pid"].toInt(), SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return SingleInstance::handOver(id) == SingleInstance::Handover::NotRunning; },
        15000));
    ChildTask task; // one at a time
    ASSERT_TRUE(task.start("/bin/sh", {"-c", "sleep 2"}));
    EXPECT_FALSE(task.start("/bin/sh", {"-c", "true"}) || ChildTask().start("/nowhere", {}));
    // Without an executable, nothing starts.
    testsupport::writeBundle(tree, "NoExec.app", {{"CFBundleIdentifier", "x.y"}});
    testsupport::writeBundle(tree, "Missing.app", {{"CFBundleExecutable", "nothere"}});
    EXPECT_EQ(openApplication(tree.path("NoExec.app"), std::nullopt), kLSNoExecutableErr);
    EXPECT_EQ(openApplication(tree.path("Missing.app"), std::nullopt), kLSNoExecutableErr);
    EXPECT_EQ(openApplication(tree.path("Nowhere.app"), std::nullopt), kLSApplicationNotFoundErr);
}
