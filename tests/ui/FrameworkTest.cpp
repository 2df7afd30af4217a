// The window, view and event framework (command routing, window life) and the image push
// button (pictures by highlight, texts and their places, focus).
// The button tests come first: a real click leaves Qt a pointer position that a synthetic
// leave event of a later test would not undo in the same process.

#include "UiFixture.h"
#include "ui/CControl.h"
#include "ui/CImagePushButton.h"
#include "ui/TApplication.h"
#include "ui/TCarbonEvent.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
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
class RecordingApplication : public TApplication {
public:
    explicit RecordingApplication(Log* log) : TApplication("MenuBar", "main"), log(log) {}
    bool HandleCommand(const HICommandExtended& command) override {
        log->push_back("application " + platform::fourCharCodeToString(command.commandID));
        return true;
    }
    Log* log;
};

using FrameworkTest = UiFixture;

TEST_F(FrameworkTest, CommandsReachTheWindowThenTheApplication) {
    RecordingApplication application(&log);
    open("TestWindow");
    platform::ShowWindow(window->GetWindowRef());
    const auto after = [&](bool windowHandles, const std::function<void()>& act) {
        log.clear();
        window->handles = windowHandles;
        act();
        return log;
    };
    const auto click = [&](long id) {
        return [=, this] { QTest::mouseClick(widget(id), Qt::LeftButton); };
    };
    EXPECT_EQ(after(false, click(1100)), (Log{"window B100", "application B100"}));
    EXPECT_EQ(after(true, click(1100)), (Log{"window B100"}));
    EXPECT_EQ(after(false, click(1000)), Log{}) << "a click on no part";
    QMenu* help = platform::menuForTesting(platform::GetMenuHandle(129));
    ASSERT_TRUE(help && !help->actions().isEmpty());
    EXPECT_EQ(after(false, [&] { help->actions().first()->trigger(); }),
              (Log{"window HELP", "application HELP"}));
    CPopupButton popup(window->GetWindowRef(), {"MAIN"_4cc, 1400});
    QWidget* combo = platform::widgetForTesting(popup.GetControlRef());
    EXPECT_EQ(after(false, [&] { QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 1)); }),
              (Log{"window M100", "application M100"}));
}

TEST_F(FrameworkTest, CloseDeletesTheObjectAndDisposeForgetsTheWindow) {
    WindowRef closed = (new RecordingWindow(&log, "TestWindow"))->GetWindowRef();
    TCarbonEvent close(kEventClassWindow, kEventWindowClose);
    EXPECT_EQ(platform::SendEventToEventTarget(close.GetEventRef(),
                                               platform::GetWindowEventTarget(closed)),
              noErr);
    EXPECT_EQ(log, Log{"destroyed"});
    EXPECT_FALSE(platform::IsValidWindowPtr(closed));
    open("TestWindow"); // disposed behind its back: forgotten, not disposed twice
    platform::DisposeWindow(window->GetWindowRef());
    EXPECT_EQ(window->GetWindowRef(), nullptr);
}

TEST_F(FrameworkTest, WrappersWithoutAControlAreHarmless) {
    EXPECT_EQ(CStaticText(nullptr, {"MAIN"_4cc, 1000}).SetDescriptor("x"), paramErr);
    EXPECT_EQ(CPopupButton(nullptr, {"MAIN"_4cc, 1400}).AppendMenuItemText("x", 0, 0, nullptr),
              paramErr);
}

} // namespace
