// The shown alert: wide enough that a short message is not a thin column, wrapped at a
// comfortable measure when long, with the bold title, the explanation and OK.

#include "platform/Alert.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Shown {
    int boxWidth = 0;
    int explanationWidth = 0;
    int explanationLines = 0;
    QFont explanationFont;
    QString title;
    QString explanation;
    QStringList buttons;
};

// Presents the alert with the real message box and looks at it once it is up.
Shown present(const QString& message) {
    qunsetenv("TRELLIS_ALERT_LOG");
    Shown shown;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible())
                continue;
            poll.stop();
            shown.boxWidth = box->width();
            shown.title = box->text();
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
            if (label) {
                shown.explanation = label->text();
                shown.explanationWidth = label->width();
                shown.explanationFont = label->font();
                const int lineHeight = QFontMetrics(label->font()).lineSpacing();
                const QMargins margins = label->contentsMargins();
                shown.explanationLines = qRound(double(label->heightForWidth(label->width()) -
                                                       margins.top() - margins.bottom()) /
                                                lineHeight);
            }
            for (QAbstractButton* button : box->buttons())
                shown.buttons << button->text();
            box->buttons().first()->click();
        }
    });
    poll.start();
    platform::AlertRequest request;
    request.applicationName = QStringLiteral("Trellis");
    request.message = message;
    EXPECT_EQ(platform::presentAlert(request), 1);
    return shown;
}

TEST(AlertLayout, AShortMessageGetsAtLeastTheMinimumWidthOnOneLine) {
    const Shown shown = present(QStringLiteral("The tool cannot be started."));
    ASSERT_GT(shown.explanationWidth, 0);
    EXPECT_GE(shown.explanationWidth, platform::alertMinimumTextWidth(shown.explanationFont));
    EXPECT_GT(shown.boxWidth, shown.explanationWidth);
    EXPECT_EQ(shown.explanationLines, 1);
    EXPECT_EQ(shown.title, QStringLiteral("<b>Trellis</b>"));
    EXPECT_EQ(shown.explanation, QStringLiteral("The tool cannot be started."));
    EXPECT_EQ(shown.buttons.size(), 1);
}

TEST(AlertLayout, ALongMessageWrapsAtTheComfortableMeasure) {
    QString message;
    for (int i = 0; i < 12; ++i)
        message += QStringLiteral("Make sure that the manual is installed. ");
    const Shown shown = present(message.trimmed());
    ASSERT_GT(shown.explanationWidth, 0);
    EXPECT_LE(shown.explanationWidth, platform::alertMaximumTextWidth(shown.explanationFont));
    EXPECT_GE(shown.explanationWidth, platform::alertMinimumTextWidth(shown.explanationFont));
    EXPECT_GE(shown.explanationLines, 5);
}

TEST(AlertLayout, LineBreaksOfTheMessageStayAndDoNotNarrowTheBox) {
    const Shown shown = present(QStringLiteral("First line.\rSecond line."));
    EXPECT_EQ(shown.explanation, QStringLiteral("First line.\nSecond line."));
    EXPECT_GE(shown.explanationWidth, platform::alertMinimumTextWidth(shown.explanationFont));
    EXPECT_EQ(shown.explanationLines, 2);
}

} // namespace
