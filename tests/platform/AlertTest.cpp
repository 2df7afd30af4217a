// The alert as users see it: the program's name in bold over the message and one OK button; a
// short message on one line at least the comfortable width, a long one wrapped within it.
#include "platform/Alert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

TEST(AlertLayout, ShortMessagesStayOnOneLineAndLongOnesWrapWithinTheMeasure) {
    qunsetenv("TRELLIS_ALERT_LOG");
    const std::tuple<const char*, QString, int, int> rows[] = {
        // name, message, fewest and most lines
        {"short", "The tool cannot be started.", 1, 1},
        {"long", QString("Make sure that the manual is installed. ").repeated(12).trimmed(), 5, 8}};
    for (const auto& [name, message, fewest, most] : rows) {
        SCOPED_TRACE(name);
        QTimer poll;
        QObject::connect(
            &poll, &QTimer::timeout, [&, message = message, fewest = fewest, most = most] {
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    auto* box = qobject_cast<QMessageBox*>(widget);
                    if (!box || !box->isVisible())
                        continue;
                    poll.stop();
                    const auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel");
                    ASSERT_TRUE(label);
                    const QMargins margins = label->contentsMargins();
                    const int width = label->width(),
                              lines = qRound(double(label->heightForWidth(width) - margins.top() -
                                                    margins.bottom()) /
                                             QFontMetrics(label->font()).lineSpacing());
                    EXPECT_EQ(box->text(), "<b>Trellis</b>");
                    EXPECT_EQ(label->text(), message);
                    EXPECT_EQ(box->buttons().size(), 1);
                    EXPECT_GE(width, platform::alertMinimumTextWidth(label->font()));
                    EXPECT_LE(width, platform::alertMaximumTextWidth(label->font()));
                    EXPECT_TRUE(lines >= fewest && lines <= most) << lines;
                    box->buttons().first()->click();
                }
            });
        poll.start(10);
        platform::AlertRequest request;
        request.applicationName = "Trellis";
        request.message = message;
        EXPECT_EQ(platform::presentAlert(request), 1);
    }
}
