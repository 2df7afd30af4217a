// At a scale factor of 2 pictures come from their double-size variants where those exist.
// This program sets the scale factor itself, before Qt starts.

#include "UiFixture.h"
#include "platform/Drawing.h"
#include "ui/CImagePushButton.h"

#include <QApplication>

namespace {

using HiDpiTest = UiFixture;

TEST_F(HiDpiTest, TheDoubleSizeVariantWhereItExistsElseThePlainPicture) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    const QColor doubled{0, 120, 240};
    writePicture("normal@2x.png", doubled, {80, 40});
    QFile broken(app->resourcesPath() + "/pressed@2x.png");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
    broken.close();
    const auto width = [&](const char* name, std::optional<CGFloat> scale = std::nullopt) {
        const QUrl url = QUrl::fromLocalFile(app->resourcesPath() + "/" + name);
        const CGImageRef image = scale ? platform::CGImageCreateWithPNGFile(url, *scale)
                                       : platform::CGImageCreateWithPNGFile(url);
        return image ? platform::imageForTesting(image).width() : -1;
    };
    EXPECT_EQ(width("normal.png"), 80);
    EXPECT_EQ(width("normal.png", 1.0), 40);
    EXPECT_EQ(width("over.png"), 40);
    EXPECT_EQ(width("pressed.png"), 40);
    EXPECT_EQ(width("missing.png"), -1);
    // The image button draws it, filling the button clear of the text at the left.
    ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
    open("ImageWindow");
    const QImage shot = widget(1900)->grab().toImage();
    ASSERT_EQ(shot.width(), widget(1900)->width() * 2);
    EXPECT_EQ(shot.pixelColor(100, 64), doubled);
    EXPECT_EQ(shot.pixelColor(20, 110), doubled);
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
