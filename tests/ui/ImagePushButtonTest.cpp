// The image push button and what users see of the controls: pictures by highlight, texts
// and their places, focus, text boxes.

#include "UiFixture.h"
#include "platform/Drawing.h"
#include "ui/CImagePushButton.h"
#include "ui/TCarbonEvent.h"

#include <QApplication>
#include <QEnterEvent>
#include <QStyleOption>
#include <QTest>

namespace {

class ImagePushButtonTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
        open("ImageWindow");
    }
    QImage render(long id) const { return widget(id)->grab().toImage(); }
    QColor picture(long id) const { return render(id).pixelColor(50, 32); } // clear of texts
    short hilite(long id) const { return platform::GetControlHilite(view(id)); }
    void mouse(long id, UInt32 kind) const {
        TCarbonEvent event(kEventClassMouse, kind);
        EXPECT_EQ(platform::SendEventToEventTarget(event.GetEventRef(),
                                                   platform::GetControlEventTarget(view(id))),
                  noErr);
    }
};

TEST_F(ImagePushButtonTest, PictureFollowsTheHighlight) {
    QEnterEvent enter(QPointF(20, 20), QPointF(30, 30), QPointF(30, 30));
    QEvent leave(QEvent::Leave);
    const struct Row {
        const char* name;
        long id;
        std::function<void()> act;
        short hilite;
        QColor colour; // invalid: none of the three pictures
    } rows[] = {
        {"normal", 1900, [] {}, 0, kNormal},
        {"pointer enters", 1900, [&] { QApplication::sendEvent(widget(1900), &enter); }, 2, kOver},
        {"pointer leaves", 1900, [&] { QApplication::sendEvent(widget(1900), &leave); }, 0,
         kNormal},
        {"mouse over", 1900, [&] { mouse(1900, kEventMouseEntered); }, 2, kOver},
        {"pressed", 1900, [&] { platform::HiliteControl(view(1900), 1); }, 1, kPressed},
        {"mouse gone", 1900, [&] { mouse(1900, kEventMouseExited); }, 0, kNormal},
        {"inactive", 1900, [&] { platform::HiliteControl(view(1900), kControlInactivePart); },
         kControlInactivePart, kNormal},
        {"no mouse-over picture", 1901, [&] { mouse(1901, kEventMouseEntered); }, 2, QColor()},
        {"disabled", 1902,
         [&] {
             widget(1902)->setEnabled(false);
             mouse(1902, kEventMouseEntered);
         },
         0, kNormal}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.act();
        EXPECT_EQ(hilite(row.id), row.hilite);
        const QColor shown = picture(row.id);
        EXPECT_TRUE(row.colour.isValid() ? shown == row.colour
                                         : shown != kNormal && shown != kOver && shown != kPressed);
    }
}

TEST_F(ImagePushButtonTest, PressInsideSendsTheCommandAndHitsExcludeTheFarEdges) {
    window->Show();
    QTest::mousePress(widget(1901), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(picture(1901), kPressed);
    QTest::mouseRelease(widget(1901), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(log, (std::vector<QString>{"window C101"}));
    CImagePushButton button(view(1903));
    ASSERT_EQ(button.Bounds().size.width, 380);
    for (const auto& [where, part] : {std::pair{CGPoint{0, 0}, 1},
                                      {{379.5, 63.5}, 1},
                                      {{380, 10}, 0},
                                      {{10, 64}, 0},
                                      {{-1, 10}, 0}})
        EXPECT_EQ(button.HitTest(where), part) << where.x << "," << where.y;
}

TEST_F(ImagePushButtonTest, PicturesLoadLazilyAndRetryAfterAFailure) {
    open("ImageWindow"); // a fresh window: nothing loaded yet
    QFile::remove(app->resourcesPath() + "/normal.png");
    EXPECT_NE(picture(1900), kNormal);
    writePicture(QStringLiteral("normal.png"), kNormal);
    EXPECT_EQ(picture(1900), kNormal);
    writePicture(QStringLiteral("normal.png"), kOver);
    EXPECT_EQ(picture(1900), kNormal); // kept once loaded
}

TEST_F(ImagePushButtonTest, TextsStandInADarkInkRightOfTheMarginAndClearOfTheRightEdge) {
    // Text that breaks anywhere, as Japanese does, fills its lines to the last pixel; a
    // light picture under a dark palette still needs a dark ink.
    writeStrings("00000100=Title\n00000101=" + QByteArray(400, 'W') + "\n");
    const QColor light(235, 238, 242);
    writePicture(QStringLiteral("normal.png"), light);
    open("ImageWindow");
    QPalette dark = widget(1900)->palette();
    for (auto role : {QPalette::WindowText, QPalette::ButtonText})
        dark.setColor(role, QColor(230, 230, 230));
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    widget(1900)->setPalette(dark);
    const QImage image = render(1900), bare = render(1902);
    int rightmost = -1, darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            EXPECT_EQ(bare.pixelColor(x, y), light) << "no texts, only the picture";
            if (image.pixelColor(x, y) == light)
                continue;
            EXPECT_TRUE(x >= 100 && y >= 5) << x << "," << y;
            rightmost = std::max(rightmost, x);
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
        }
    EXPECT_LE(rightmost, image.width() - 1 - 12) << "the text needs a right margin";
    EXPECT_GE(rightmost, image.width() - 1 - 40) << "lines still use the width";
    EXPECT_LT(darkest, 80);
}

TEST_F(ImagePushButtonTest, WhatUsersSeeTheFocusFromTheStartWithoutATab) {
    open("TestWindow");
    window->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::widgetForTesting(window->GetWindowRef())));
    // Styles draw their focus indicator only with this state, which Qt sets at the first Tab.
    for (long id : {1400L, 1100L, 1101L}) {
        widget(id)->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&] { return widget(id)->hasFocus(); }, 2000)) << id;
        QStyleOption option;
        option.initFrom(widget(id));
        EXPECT_TRUE(option.state & QStyle::State_KeyboardFocusChange) << id;
        const QPoint edge(widget(id)->width() / 2, 1);
        const QColor focused = widget(id)->grab().toImage().pixelColor(edge);
        widget(id)->clearFocus();
        EXPECT_NE(widget(id)->grab().toImage().pixelColor(edge), focused) << id;
    }
}

TEST(TextBoxLayout, LongTextStopsAtTheTenthLineWithAnEllipsis) {
    HIThemeTextInfo info;
    info.truncationPosition = kHIThemeTextTruncationEnd;
    info.truncationMaxLines = 10;
    info.fontID = kThemeSmallSystemFont;
    const HIRect tall{{0, 0}, {200, 2000}};
    const QStringList lines =
        platform::HIThemeLayoutTextBox(QString("word ").repeated(400).trimmed(), tall, info);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026)));
    EXPECT_EQ(platform::HIThemeLayoutTextBox("One\rTwo", tall, info), (QStringList{"One", "Two"}));
}

} // namespace
