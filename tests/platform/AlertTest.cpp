#include "platform/Alert.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
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

TEST(Alert, RecordingModeAppendsOneLinePerAlertAndAnswersOk) {
    testsupport::TempTree tree;
    const QString log = tree.path("alerts.jsonl");
    qputenv("TRELLIS_ALERT_LOG", log.toUtf8());
    platform::AlertRequest first;
    first.applicationName = "Trellis";
    first.message = "First";
    platform::AlertRequest second = first;
    second.message = "Second";
    second.hasCancelButton = true;
    second.okTitle = "Go";
    EXPECT_EQ(platform::presentAlert(first), 1);
    EXPECT_EQ(platform::presentAlert(second), 1);
    qunsetenv("TRELLIS_ALERT_LOG");

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    const QJsonObject a = QJsonDocument::fromJson(lines[0]).object();
    const QJsonObject b = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(a["message"].toString(), "First");
    EXPECT_EQ(a["buttons"].toInt(), 1);
    EXPECT_FALSE(a.contains("ok"));
    EXPECT_EQ(b["message"].toString(), "Second");
    EXPECT_EQ(b["buttons"].toInt(), 2);
    EXPECT_EQ(b["ok"].toString(), "Go");
}
