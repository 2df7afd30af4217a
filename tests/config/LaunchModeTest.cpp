#include "config/LaunchMode.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(LaunchMode, ReadOnceFromTheFile) {
    const std::pair<const char*, short> cases[] = {
        {nullptr, 0},   {"[Any]\nOpe=U", 1}, {"Ope=P\n", 2},        {"Ope=UI\n", 0},
        {"Ope=u\n", 0}, {"Ope=U \n", 0},     {"Ope=P\nOpe=U\n", 2}, {"", 0},
    };
    for (const auto& [text, mode] : cases) {
        SCOPED_TRACE(text ? text : "no file");
        testsupport::FakeApplication app;
        if (text)
            app.writeSetting("Setting_Launch.ini", text, "\r");
        CLaunchMode* first = CLaunchMode::GetInstance();
        app.writeSetting("Setting_Launch.ini", "Ope=U\n");
        EXPECT_EQ(CLaunchMode::GetInstance(), first);
        EXPECT_EQ(CLaunchMode::GetMode(), mode);
        EXPECT_EQ(CLaunchMode::IsUIMode(), mode == 1);
        CLaunchMode::DestroyInstance();
    }
}

} // namespace
