
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(Alert, ReplacedPresenterSeesTheRequestAndAnswers) {
    platform::AlertRequest seen;
    platform::setAlertPresenter([&](const platform::AlertRequest& request) {
        seen = request;
        return short(2);
    });
    platform::AlertRequest request;
    request.applicationName = "Trellis";
    request.message = "Line one\rLine two";
    request.hasCancelButton = true;
    request.cancelTitle = QString();
    EXPECT_EQ(platform::presentAlert(request), 2);
    platform::setAlertPresenter({});
    EXPECT_EQ(seen.applicationName, "Trellis");
    EXPECT_EQ(seen.message, "Line one\rLine two");
    EXPECT_TRUE(seen.hasCancelButton);
    EXPECT_FALSE(seen.okTitle.has_value());
    ASSERT_TRUE(seen.cancelTitle.has_value());
    EXPECT_TRUE(seen.cancelTitle->isEmpty());
}
