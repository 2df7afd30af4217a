#include "localize/Alert.h"

#include "localize/Localize.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <QVariantList>
#include <gtest/gtest.h>

namespace {

std::vector<unsigned char> pascal(const QByteArray& bytes) {
    std::vector<unsigned char> result{static_cast<unsigned char>(bytes.size())};
    result.insert(result.end(), bytes.begin(), bytes.end());
    return result;
}

class AlertTest : public ::testing::Test {
protected:
    void SetUp() override {
        CLocalize::DestroyInstance();
        platform::setAlertPresenter([this](const platform::AlertRequest& request) {
            seen.push_back(request);
            return answer;
        });
    }
    void TearDown() override {
        platform::setAlertPresenter({});
        CLocalize::DestroyInstance();
    }

    std::vector<platform::AlertRequest> seen;
    short answer = 1;
};

TEST_F(AlertTest, FixedMessageWithOkOnly) {
    testsupport::FakeApplication app("Trellis");
    const QByteArray text = "The necessary file cannot be found. Install the program again.";
    EXPECT_EQ(CAlert::DoAlert(0, 1, "00010000", pascal(text).data(), nullptr, nullptr), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].applicationName, "Trellis");
    EXPECT_EQ(seen[0].message, QString(text));
    EXPECT_FALSE(seen[0].hasCancelButton);
    EXPECT_FALSE(seen[0].okTitle || seen[0].cancelTitle);
}

TEST_F(AlertTest, LocalizedMessagesAndButtons) {
    testsupport::FakeApplication app("Trellis");
    app.writeSetting("Localize.ini",
                     "00010000=Localized message\n00010001=" + QByteArray(300, 'm') +
                         "\n00000012=Proceed\n00000013=Stop\n00000014=\n",
                     "\r");
    app.writeSetting("L_Const.ini", "");
    answer = 2;
    EXPECT_EQ(CAlert::DoAlert(0, 0, "00010000", nullptr, "00000012", "00000013"), 2);
    CAlert::DoAlert(0, 2, "00019999", nullptr, "00019999", "00000014"); // missing, empty
    CAlert::DoAlert(0, 1, "00010001", nullptr, nullptr, nullptr);       // 300 bytes
    CAlert::DoAlert(0, 1, nullptr, pascal(QString("Grüße, 日本").toUtf8()).data(), nullptr,
                    nullptr);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].message, "Localized message");
    EXPECT_TRUE(seen[0].hasCancelButton);
    EXPECT_EQ(seen[0].okTitle, QString("Proceed"));
    EXPECT_EQ(seen[0].cancelTitle, QString("Stop"));
    EXPECT_EQ(seen[1].message, "");
    EXPECT_TRUE(seen[1].hasCancelButton);
    EXPECT_EQ(seen[1].okTitle, QString("")); // empty, not the platform's title
    EXPECT_EQ(seen[1].cancelTitle, QString(""));
    EXPECT_EQ(seen[2].message, "");
    EXPECT_FALSE(seen[2].hasCancelButton);
    EXPECT_EQ(seen[3].message, QString("Grüße, 日本"));
}

TEST_F(AlertTest, ApplicationName) {
    {
        // 150 two-byte characters: byte 255 falls inside a character.
        testsupport::FakeApplication app("Trellis", {{"CFBundleName", QString(150, u'é')}});
        CAlert::DoAlert(0, 1, "00010000", nullptr, nullptr, nullptr); // no string files
    }
    {
        testsupport::FakeApplication app("Trellis", {{"CFBundleName", QVariantList{1}}});
        CAlert::DoAlert(0, 1, nullptr, pascal("x").data(), nullptr, nullptr);
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].applicationName, QString(127, u'é'));
    EXPECT_EQ(seen[0].message, "");
    EXPECT_EQ(seen[1].applicationName, "");
    EXPECT_EQ(seen[1].message, "x");
}

} // namespace
