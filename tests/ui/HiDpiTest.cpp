// At a scale factor of 2 pictures come from their double-size variants where those exist.
// This program sets the scale factor itself, before Qt starts.

#include "UiFixture.h"
#include "platform/Drawing.h"
#include "platform/TestingAccess.h"
#include "ui/CImagePushButton.h"
#include "ui/TWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

namespace {

const QColor kDoubled{0, 120, 240};

class HiDpiTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    }
    void TearDown() override {
        window.reset();
        UiFixture::TearDown();
    }
    // A double-size variant of a picture, in its own colour.
    void writeDoubled(const QString& name, const QColor& colour, QSize size = {80, 40}) const {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        image.save(app->resourcesPath() + QLatin1Char('/') + name, "PNG");
    }
    QUrl resource(const QString& name) const {
        return QUrl::fromLocalFile(app->resourcesPath() + QLatin1Char('/') + name);
    }

    std::unique_ptr<TWindow> window;
};

TEST_F(HiDpiTest, TheDoubleSizeVariantIsChosenWhereTheScaleAsksAndExists) {
    writeDoubled(QStringLiteral("normal@2x.png"), kDoubled);
    const CGImageRef screen = platform::CGImageCreateWithPNGFile(resource("normal.png"));
    ASSERT_TRUE(screen);
    EXPECT_EQ(platform::imageForTesting(screen).devicePixelRatio(), 2.0);
    EXPECT_EQ(platform::imageForTesting(screen).width(), 80);

    const CGImageRef plain = platform::CGImageCreateWithPNGFile(resource("normal.png"), 1.0);
    ASSERT_TRUE(plain);
    EXPECT_EQ(platform::imageForTesting(plain).devicePixelRatio(), 1.0);
    EXPECT_EQ(platform::imageForTesting(plain).width(), 40);

    // No variant, or one that is not a picture: the plain picture, scaled up.
    const CGImageRef alone = platform::CGImageCreateWithPNGFile(resource("over.png"));
    ASSERT_TRUE(alone);
    EXPECT_EQ(platform::imageForTesting(alone).devicePixelRatio(), 1.0);
    QFile broken(app->resourcesPath() + "/pressed@2x.png");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    const CGImageRef fallback = platform::CGImageCreateWithPNGFile(resource("pressed.png"));
    ASSERT_TRUE(fallback);
    EXPECT_EQ(platform::imageForTesting(fallback).width(), 40);
    EXPECT_FALSE(platform::CGImageCreateWithPNGFile(resource("missing.png")));
}

TEST_F(HiDpiTest, TheImageButtonDrawsTheDoubleSizePictureAtScaleTwo) {
    writeDoubled(QStringLiteral("normal@2x.png"), kDoubled);
    ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
    window = std::make_unique<TWindow>(QStringLiteral("ImageWindow"), QStringLiteral("main"));
    ASSERT_NE(window->GetWindowRef(), nullptr);
    QWidget* full = platform::widgetForTesting(window->GetView("MAIN"_4cc, 1900));
    EXPECT_EQ(platform::HIViewGetScaleFactor(window->GetView("MAIN"_4cc, 1900)), 2.0);
    const QImage shot = full->grab().toImage();
    ASSERT_EQ(shot.width(), full->width() * 2);
    // The picture fills the button, clear of the text at the left.
    EXPECT_EQ(shot.pixelColor(100, 64), kDoubled);
    EXPECT_EQ(shot.pixelColor(20, 110), kDoubled);
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
