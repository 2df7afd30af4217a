// Starting a package or a child task, and the launch descriptor that carries the printer.
#include "platform/AppleEvents.h"
#include "platform/LaunchServices.h"
#include "support/TestSupport.h"

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

TEST(LaunchServices, StartsNothingWithoutAnExecutableAndOneChildTaskAtATime) {
    testsupport::TempTree tree;
    testsupport::writeBundle(tree, "NoExec.app", {{"CFBundleIdentifier", "x.y"}});
    testsupport::writeBundle(tree, "Missing.app", {{"CFBundleExecutable", "nothere"}});
    EXPECT_EQ(openApplication(tree.path("NoExec.app"), std::nullopt), kLSNoExecutableErr);
    EXPECT_EQ(openApplication(tree.path("Missing.app"), std::nullopt), kLSNoExecutableErr);
    EXPECT_EQ(openApplication(tree.path("Nowhere.app"), std::nullopt), kLSApplicationNotFoundErr);
    ChildTask task;
    ASSERT_TRUE(task.start("/bin/sh", {"-c", "sleep 2"}));
    EXPECT_FALSE(task.start("/bin/sh", {"-c", "true"}) || ChildTask().start("/nowhere", {}));
}
