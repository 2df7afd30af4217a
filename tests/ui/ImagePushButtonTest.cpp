// The image push button and what users see of the controls: pictures by highlight, texts
// and their places, focus.

#include "UiFixture.h"
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
    // The highlight and the picture's colour where no text is drawn.
    std::pair<int, QColor> after(long id, UInt32 mouseKind = 0, int hilite = -1) const {
        TCarbonEvent event(kEventClassMouse, mouseKind);
        if (mouseKind)
            platform::SendEventToEventTarget(event.GetEventRef(),
                                             platform::GetControlEventTarget(view(id)));
        if (hilite >= 0)
            platform::HiliteControl(view(id), ControlPartCode(hilite));
        return {platform::GetControlHilite(view(id)), render(id).pixelColor(50, 32)};
    }
};

TEST_F(ImagePushButtonTest, PictureFollowsTheHighlight) {
    using State = std::pair<int, QColor>;
    QEnterEvent enter(QPointF(20, 20), QPointF(30, 30), QPointF(30, 30));
    QApplication::sendEvent(widget(1900), &enter); // a real pointer, through the tracking region
    EXPECT_EQ(after(1900), State(2, kOver));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget(1900), &leave);
    EXPECT_EQ(after(1900), State(0, kNormal));
    EXPECT_EQ(after(1900, kEventMouseEntered), State(2, kOver));
    EXPECT_EQ(after(1900, 0, 1), State(1, kPressed));
    EXPECT_EQ(after(1900, kEventMouseExited), State(0, kNormal));
    EXPECT_EQ(after(1900, 0, kControlInactivePart), State(kControlInactivePart, kNormal));
    widget(1902)->setEnabled(false); // disabled counts as inactive
    EXPECT_EQ(after(1902, kEventMouseEntered), State(0, kNormal));
    const auto [hilite, colour] = after(1901, kEventMouseEntered); // no mouse-over picture
    EXPECT_EQ(hilite, 2);
    EXPECT_TRUE(colour != kNormal && colour != kOver && colour != kPressed);
}

TEST_F(ImagePushButtonTest, PressInsideSendsTheCommandAndHitsExcludeTheFarEdges) {
    window->Show();
    QTest::mousePress(widget(1901), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(render(1901).pixelColor(50, 32), kPressed);
    QTest::mouseRelease(widget(1901), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(log, Log{"window C101"});
    CImagePushButton button(view(1903));
    ASSERT_EQ(button.Bounds().size.width, 380);
    for (const auto& [where, part] : {std::pair{CGPoint{0, 0}, 1},
                                      {{379.5, 63.5}, 1},
                                      {{380, 10}, 0},
                                      {{10, 64}, 0},
                                      {{-1, 10}, 0}})
        EXPECT_EQ(button.HitTest(where), part) << where.x << "," << where.y;
}

TEST_F(ImagePushButtonTest, TextsInADarkInkRightOfTheMarginAndClearOfTheRightEdge) {
    // Text that breaks anywhere, as Japanese does, fills its lines to the last pixel; a
    // light picture under a dark palette still needs a dark ink.
    writeStrings("00000100=Title\n00000101=" + QByteArray(400, 'W') + "\n");
    const QColor light(235, 238, 242);
    writePicture("normal.png", light);
    open("ImageWindow");
    QPalette dark(QColor(40, 40, 40), QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
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
    for (long id : {1400L, 1100L, 1101L}) { // the ring is drawn along the top edge
        widget(id)->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&] { return widget(id)->hasFocus(); }, 2000)) << id;
        const QColor focused = widget(id)->grab().toImage().pixelColor(widget(id)->width() / 2, 1);
        widget(id)->clearFocus();
        EXPECT_NE(widget(id)->grab().toImage().pixelColor(widget(id)->width() / 2, 1), focused);
    }
}

} // namespace
