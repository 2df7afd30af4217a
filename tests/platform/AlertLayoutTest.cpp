// The shown alert: wide enough that a short message is not a thin column, wrapped at a
// comfortable measure when long, with the bold title, the explanation and one OK.
#include "platform/Alert.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(AlertLayout, TheExplanationIsNeitherAThinColumnNorWiderThanAComfortableMeasure) {
    qunsetenv("TRELLIS_ALERT_LOG");
    const struct Row {
        const char* name;
        QString message, shown;
        int minLines, maxLines;
    } rows[] = {
        {"short: one line", "The tool cannot be started.", "The tool cannot be started.", 1, 1},
        {"long: wrapped",
         QString("Make sure that the manual is installed. ").repeated(12).trimmed(),
         {},
         5,
         99},
        {"line breaks stay", "First line.\rSecond line.", "First line.\nSecond line.", 2, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTimer poll; // looks at the real message box once it is up, then closes it
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (!box || !box->isVisible())
                    continue;
                poll.stop();
                auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel");
                ASSERT_NE(label, nullptr);
                const int width = label->width();
                const int lines =
                    qRound(double(label->heightForWidth(width) - label->contentsMargins().top() -
                                  label->contentsMargins().bottom()) /
                           QFontMetrics(label->font()).lineSpacing());
                EXPECT_EQ(box->text(), "<b>Trellis</b>");
                EXPECT_TRUE(row.shown.isEmpty() || label->text() == row.shown)
                    << label->text().toStdString();
                EXPECT_GE(width, platform::alertMinimumTextWidth(label->font()));
                EXPECT_LE(width, platform::alertMaximumTextWidth(label->font()));
                EXPECT_GT(box->width(), width);
                EXPECT_TRUE(lines >= row.minLines && lines <= row.maxLines) << lines;
                EXPECT_EQ(box->buttons().size(), 1);
                box->buttons().first()->click();
            }
        });
        poll.start(10);
        platform::AlertRequest request;
        request.applicationName = "Trellis";
        request.message = row.message;
        EXPECT_EQ(platform::presentAlert(request), 1);
    }
}
