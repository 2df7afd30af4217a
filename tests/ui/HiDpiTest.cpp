// At a scale factor of 2 pictures come from their double-size variants where those exist.
// This program sets the scale factor itself, before Qt starts.

#include "UiFixture.h"
#include "ui/CImagePushButton.h"

#include <QApplication>

namespace {

using HiDpiTest = UiFixture;

TEST_F(HiDpiTest, TheImageButtonDrawsTheDoubleSizeVariantWhereOneExists) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    const QColor doubled{0, 120, 240};
    writePicture("normal@2x.png", doubled, {80, 40});
    app->tree().write("Trellis.app/Contents/Resources/over@2x.png", "not a picture");
    ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
    open("ImageWindow");
    const QImage normal = widget(1900)->grab().toImage();
    ASSERT_EQ(normal.width(), widget(1900)->width() * 2);
    EXPECT_EQ(normal.pixelColor(100, 64), doubled); // clear of the texts
    EXPECT_EQ(normal.pixelColor(20, 110), doubled);
    platform::HiliteControl(view(1900), 2); // a broken variant: the plain picture, scaled
    EXPECT_EQ(widget(1900)->grab().toImage().pixelColor(100, 64), kOver);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
