// The image push button: picture by highlight, texts and their places, mouse tracking,
// hit testing, lazy loading.

#include "UiFixture.h"
#include "platform/Drawing.h"
#include "platform/Events.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "ui/CImagePushButton.h"
#include "ui/TCarbonEvent.h"
#include "ui/TWindow.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <memory>

namespace {

class ImagePushButtonTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
        ASSERT_EQ(CImagePushButton::RegisterClass(), noErr); // once is enough, twice is fine
        window = std::make_unique<TWindow>(QStringLiteral("ImageWindow"), QStringLiteral("main"));
        ASSERT_NE(window->GetWindowRef(), nullptr);
    }
    void TearDown() override {
        window.reset();
        UiFixture::TearDown();
    }

    ControlRef button(long id) const { return window->GetView("MAIN"_4cc, id); }
    QImage render(long id) const {
        return platform::widgetForTesting(button(id))->grab().toImage();
    }
    // The picture's colour where no text is drawn.
    QColor pictureColour(long id) const { return render(id).pixelColor(50, 32); }

    OSStatus sendMouse(long id, UInt32 kind) const {
        TCarbonEvent event(kEventClassMouse, kind);
        return platform::SendEventToEventTarget(event.GetEventRef(),
                                                platform::GetControlEventTarget(button(id)));
    }

    std::unique_ptr<TWindow> window;
};

TEST_F(ImagePushButtonTest, PictureFollowsTheHighlight) {
    EXPECT_EQ(pictureColour(1900), kNormal);
    EXPECT_EQ(sendMouse(1900, kEventMouseEntered), noErr);
    EXPECT_EQ(platform::GetControlHilite(button(1900)), 2);
    EXPECT_EQ(pictureColour(1900), kOver);
    platform::HiliteControl(button(1900), 1);
    EXPECT_EQ(pictureColour(1900), kPressed);
    EXPECT_EQ(sendMouse(1900, kEventMouseExited), noErr);
    EXPECT_EQ(platform::GetControlHilite(button(1900)), 0);
    EXPECT_EQ(pictureColour(1900), kNormal);
    // Inactive and disabled highlight values show the normal picture.
    platform::HiliteControl(button(1900), kControlInactivePart);
    EXPECT_EQ(pictureColour(1900), kNormal);
}

TEST_F(ImagePushButtonTest, KeyboardFocusShowsARingOnlyWhileFocused) {
    platform::ShowWindow(window->GetWindowRef());
    QWidget* widget = platform::widgetForTesting(button(1900));
    widget->setFocusPolicy(Qt::StrongFocus);
    const QPoint edge(widget->width() / 2, 2); // on the ring's top edge, clear of the text
    const QColor unfocused = render(1900).pixelColor(edge);
    widget->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return widget->hasFocus(); }, 2000));
    EXPECT_NE(render(1900).pixelColor(edge), unfocused);
    EXPECT_EQ(pictureColour(1900), kNormal); // the picture itself is untouched
    widget->clearFocus();
    EXPECT_EQ(render(1900).pixelColor(edge), unfocused);
}

TEST_F(ImagePushButtonTest, InactiveButtonIsForcedBackToNormal) {
    sendMouse(1900, kEventMouseEntered);
    ASSERT_EQ(platform::GetControlHilite(button(1900)), 2);
    // A disabled button counts as inactive.
    QWidget* disabled = platform::widgetForTesting(button(1900));
    disabled->setEnabled(false);
    EXPECT_EQ(sendMouse(1900, kEventMouseExited), noErr);
    EXPECT_EQ(platform::GetControlHilite(button(1900)), 0);
    EXPECT_EQ(sendMouse(1900, kEventMouseEntered), noErr); // entering does not highlight it
    EXPECT_EQ(platform::GetControlHilite(button(1900)), 0);
    disabled->setEnabled(true);
    EXPECT_EQ(sendMouse(1900, kEventMouseEntered), noErr);
    EXPECT_EQ(platform::GetControlHilite(button(1900)), 2);
}

TEST_F(ImagePushButtonTest, MissingMouseOverPictureShowsNoPictureWhileOver) {
    EXPECT_EQ(pictureColour(1901), kNormal);
    sendMouse(1901, kEventMouseEntered);
    const QColor over = pictureColour(1901);
    EXPECT_NE(over, kNormal);
    EXPECT_NE(over, kOver);
    EXPECT_NE(over, kPressed);
    sendMouse(1901, kEventMouseExited);
    EXPECT_EQ(pictureColour(1901), kNormal);
}

TEST_F(ImagePushButtonTest, TextsStandRightOfTheMarginAndWithoutThemOnlyThePicture) {
    const QImage withText = render(1900);
    const QImage withoutText = render(1902);
    int textPixels = 0;
    int descriptionPixels = 0;
    for (int y = 0; y < withText.height(); ++y) {
        for (int x = 0; x < withText.width(); ++x) {
            EXPECT_EQ(withoutText.pixelColor(x, y), kNormal) << x << "," << y;
            if (withText.pixelColor(x, y) == kNormal)
                continue;
            ++textPixels;
            EXPECT_GE(x, 100);
            EXPECT_GE(y, 5);
            if (y >= 25)
                ++descriptionPixels;
        }
    }
    EXPECT_GT(textPixels, 0);
    EXPECT_GT(descriptionPixels, 0);
}

TEST_F(ImagePushButtonTest, PicturesLoadLazilyAndRetryAfterAFailure) {
    QFile::remove(app->resourcesPath() + "/normal.png");
    EXPECT_NE(pictureColour(1900), kNormal);
    writePicture(QStringLiteral("normal.png"), kNormal);
    EXPECT_EQ(pictureColour(1900), kNormal);
    // Once loaded, the picture is kept.
    writePicture(QStringLiteral("normal.png"), kOver);
    EXPECT_EQ(pictureColour(1900), kNormal);
}

TEST_F(ImagePushButtonTest, HitTestExcludesTheRightAndBottomEdges) {
    const auto view = std::make_unique<CImagePushButton>(button(1903));
    const CGRect bounds = view->Bounds();
    ASSERT_EQ(bounds.size.width, 380);
    EXPECT_EQ(view->HitTest({0, 0}), 1);
    EXPECT_EQ(view->HitTest({379.5, 63.5}), 1);
    EXPECT_EQ(view->HitTest({380, 10}), 0);
    EXPECT_EQ(view->HitTest({10, 64}), 0);
    EXPECT_EQ(view->HitTest({-1, 10}), 0);
}

TEST_F(ImagePushButtonTest, RealPointerEnterAndLeaveHighlightThroughTheTrackingRegion) {
    QWidget* widget = platform::widgetForTesting(button(1900));
    QEnterEvent enter(QPointF(20, 20), QPointF(30, 30), QPointF(30, 30));
    QApplication::sendEvent(widget, &enter);
    EXPECT_EQ(platform::GetControlHilite(button(1900)), 2);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
    EXPECT_EQ(platform::GetControlHilite(button(1900)), 0);
}

TEST_F(ImagePushButtonTest, HiddenButtonHasNoTrackingRegionUntilShown) {
    // Views are reached through a directly attached instance, as the main window does.
    const auto view = std::make_unique<CImagePushButton>(button(1903));
    EXPECT_EQ(view->GetMouseTrackingRef(), nullptr); // nothing asked for one yet
    window->Show();                                  // the focus walk asks every control
    EXPECT_NE(view->GetMouseTrackingRef(), nullptr);

    platform::HIViewSetVisible(button(1903), false);
    EXPECT_EQ(view->GetMouseTrackingRef(), nullptr);
    QWidget* widget = platform::widgetForTesting(button(1903));
    QEnterEvent enter(QPointF(20, 20), QPointF(30, 30), QPointF(30, 30));
    QApplication::sendEvent(widget, &enter);
    EXPECT_EQ(platform::GetControlHilite(button(1903)), 0);

    platform::HIViewSetVisible(button(1903), true);
    EXPECT_NE(view->GetMouseTrackingRef(), nullptr);
    QApplication::sendEvent(widget, &enter);
    EXPECT_EQ(platform::GetControlHilite(button(1903)), 2);

    // Moving the button moves its region with it.
    platform::HIViewPlaceInSuperviewAt(button(1903), 32, 112);
    CGRect frame{};
    platform::HIViewGetFrame(button(1903), &frame);
    EXPECT_EQ(frame.origin.y, 112);
    EXPECT_NE(view->GetMouseTrackingRef(), nullptr);
}

TEST_F(ImagePushButtonTest, PressInsideSendsTheButtonsCommand) {
    struct Catcher {
        static OSStatus handler(EventHandlerCallRef, EventRef event, void* data) {
            HICommandExtended command{};
            platform::GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr,
                                        sizeof command, nullptr, &command);
            *static_cast<UInt32*>(data) = command.commandID;
            return noErr;
        }
    };
    UInt32 received = 0;
    const EventTypeSpec types[] = {{kEventClassCommand, kEventCommandProcess}};
    platform::InstallEventHandler(platform::GetWindowEventTarget(window->GetWindowRef()),
                                  Catcher::handler, 1, types, &received, nullptr);
    window->Show();
    QWidget* widget = platform::widgetForTesting(button(1901));
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(platform::GetControlHilite(button(1901)), 1);
    EXPECT_EQ(pictureColour(1901), kPressed);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(received, "C101"_4cc);
}

TEST(TextBoxLayout, LongTextStopsAtTheTenthLineWithAnEllipsis) {
    const QString word = QStringLiteral("word ");
    const QString text = word.repeated(400).trimmed();
    HIThemeTextInfo info;
    info.truncationPosition = kHIThemeTextTruncationEnd;
    info.truncationMaxLines = 10;
    info.fontID = kThemeSmallSystemFont;
    const HIRect tall{{0, 0}, {200, 2000}};
    const QStringList lines = platform::HIThemeLayoutTextBox(text, tall, info);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026)));
    EXPECT_FALSE(lines.first().endsWith(QChar(0x2026)));

    // A box lower than ten lines ends at its last whole line: the lowest box that holds
    // two lines is two lines high (to the pixel), so 1.75 times that holds three and a half.
    CGFloat twoLines = 1;
    while (twoLines < 200 &&
           platform::HIThemeLayoutTextBox(text, {{0, 0}, {200, twoLines}}, info).size() < 2)
        ++twoLines;
    const HIRect low{{0, 0}, {200, twoLines * 1.75}};
    const QStringList fitted = platform::HIThemeLayoutTextBox(text, low, info);
    ASSERT_EQ(fitted.size(), 3);
    EXPECT_TRUE(fitted.last().endsWith(QChar(0x2026)));

    // Short text is not cut; CR starts a new line.
    const QStringList shortLines =
        platform::HIThemeLayoutTextBox(QStringLiteral("One\rTwo"), tall, info);
    EXPECT_EQ(shortLines, (QStringList{"One", "Two"}));
}

} // namespace
