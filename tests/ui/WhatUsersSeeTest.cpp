// What a user sees of the framework's controls: line breaks in static texts, the focus
// from the start, the description's right margin, the toolkit's standard texts in the
// user's language.

#include "UiFixture.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "platform/Translations.h"
#include "platform/Windowing.h"
#include "ui/CImagePushButton.h"
#include "ui/TApplication.h"
#include "ui/TWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QLabel>
#include <QPalette>
#include <QStyleOption>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

class WhatUsersSeeTest : public UiFixture {
protected:
    void TearDown() override {
        window.reset();
        platform::setPreferredLanguagesForTesting(std::nullopt);
        platform::setToolkitTranslationsPathForTesting(QString());
        UiFixture::TearDown();
    }

    void open(const QString& form) {
        window = std::make_unique<TWindow>(form, QStringLiteral("main"));
        ASSERT_NE(window->GetWindowRef(), nullptr);
    }
    QLabel* label(long id) const {
        return qobject_cast<QLabel*>(platform::widgetForTesting(window->GetView("MAIN"_4cc, id)));
    }
    // The label's text as the label lays it out as plain text, one entry per line, at a
    // width where nothing needs to wrap.
    static QStringList laidOutLines(const QLabel* label) {
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setPlainText(label->text());
        document.setTextWidth(10000);
        document.size(); // lays the text out
        QStringList lines;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            const QTextLayout* layout = block.layout();
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                lines << block.text().mid(line.textStart(), line.textLength());
            }
        }
        return lines;
    }

    std::unique_ptr<TWindow> window;
};

TEST_F(WhatUsersSeeTest, ALineBreakFromTheStringTableBreaksAStaticText) {
    writeStrings("00000002=First paragraph.\\nSecond paragraph.\n"
                 "00000003=Line one\\nLine two\\nLine three\n"
                 "00000004=One line only\n");
    open(QStringLiteral("TestWindow"));
    CLocalize* localize = CLocalize::GetInstance();
    ASSERT_EQ(localize->LocalizeControl(window->GetWindowRef(), {"MAIN"_4cc, 1000}, "00000002", -1),
              noErr);
    EXPECT_EQ(laidOutLines(label(1000)), (QStringList{"First paragraph.", "Second paragraph."}));
    ASSERT_EQ(localize->LocalizeControl(window->GetWindowRef(), {"MAIN"_4cc, 1000}, "00000003", -1),
              noErr);
    EXPECT_EQ(laidOutLines(label(1000)), (QStringList{"Line one", "Line two", "Line three"}));
    ASSERT_EQ(localize->LocalizeControl(window->GetWindowRef(), {"MAIN"_4cc, 1000}, "00000004", -1),
              noErr);
    EXPECT_EQ(laidOutLines(label(1000)), QStringList{"One line only"});

    // Set directly, CR LF counts as one break, as in alerts.
    const QString text = QStringLiteral("Alpha\r\nBeta\rGamma");
    ASSERT_EQ(platform::SetControlData(window->GetView("MAIN"_4cc, 1000), 0,
                                       kControlStaticTextCFStringTag, sizeof text, &text),
              noErr);
    EXPECT_EQ(laidOutLines(label(1000)), (QStringList{"Alpha", "Beta", "Gamma"}));
    ASSERT_EQ(platform::SetControlTitleWithCFString(window->GetView("MAIN"_4cc, 1000),
                                                    QStringLiteral("Title\rSecond")),
              noErr);
    EXPECT_EQ(laidOutLines(label(1000)), (QStringList{"Title", "Second"}));
}

TEST_F(WhatUsersSeeTest, TheFocusIsVisibleFromTheStartWithoutATab) {
    open(QStringLiteral("TestWindow"));
    window->Show();
    QWidget* host = platform::widgetForTesting(window->GetWindowRef());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host));
    QWidget* focused = host->focusWidget();
    ASSERT_NE(focused, nullptr);
    // Styles draw their focus indicator only when this state is set; Qt sets it at the
    // first Tab. The popup and the push buttons all carry it from the start.
    for (long id : {1400L, 1100L, 1101L}) {
        QWidget* widget = platform::widgetForTesting(window->GetView("MAIN"_4cc, id));
        widget->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&] { return widget->hasFocus(); }, 2000)) << id;
        QStyleOption option;
        option.initFrom(widget);
        EXPECT_TRUE(option.state & QStyle::State_HasFocus) << id;
        EXPECT_TRUE(option.state & QStyle::State_KeyboardFocusChange) << id;
        // The ring the image buttons have, along the top edge.
        const QPoint edge(widget->width() / 2, 1);
        const QColor focusedEdge = widget->grab().toImage().pixelColor(edge);
        widget->clearFocus();
        EXPECT_NE(widget->grab().toImage().pixelColor(edge), focusedEdge) << id;
    }
}

TEST_F(WhatUsersSeeTest, ADescriptionKeepsClearOfTheButtonsRightEdge) {
    // Text that breaks anywhere, as Japanese does, fills its lines to the last pixel.
    writeStrings("00000100=Title\n00000101=" + QByteArray(400, 'W') + "\n");
    ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
    open(QStringLiteral("ImageWindow"));
    QWidget* widget = platform::widgetForTesting(window->GetView("MAIN"_4cc, 1900));
    const QImage image = widget->grab().toImage();
    int rightmostText = -1;
    int textRows = 0;
    for (int y = 25; y < image.height(); ++y) {
        bool rowHasText = false;
        for (int x = 100; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != kNormal) {
                rightmostText = std::max(rightmostText, x);
                rowHasText = true;
            }
        }
        textRows += rowHasText;
    }
    ASSERT_GT(textRows, 0);
    EXPECT_LE(rightmostText, image.width() - 1 - 12) << "the text needs a right margin";
    EXPECT_GE(rightmostText, image.width() - 1 - 40) << "lines still use the width";
}

TEST_F(WhatUsersSeeTest, ButtonTextsStayDarkOnTheirLightPicturesUnderADarkPalette) {
    const QColor light(235, 238, 242);
    writePicture(QStringLiteral("normal.png"), light);
    ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
    open(QStringLiteral("ImageWindow"));
    QWidget* widget = platform::widgetForTesting(window->GetView("MAIN"_4cc, 1900));
    QPalette dark = widget->palette();
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    widget->setPalette(dark);
    const QImage image = widget->grab().toImage();
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 100; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    EXPECT_LT(darkest, 80) << "the title and description are drawn in a dark ink";
    EXPECT_EQ(image.pixelColor(50, 32), light);
}

TEST_F(WhatUsersSeeTest, TheQuitItemAndStandardTextsFollowTheUsersLanguage) {
    platform::setPreferredLanguagesForTesting(QStringList{"ja-JP", "en"});
    ASSERT_EQ(platform::installToolkitTranslations(), "ja");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              QStringLiteral("キャンセル"));
    {
        TApplication application(QStringLiteral("MenuBar"), QStringLiteral("main"));
        QString quit;
        ASSERT_EQ(platform::CopyMenuItemTextAsCFString(platform::GetMenuHandle(128), 3, &quit),
                  noErr);
        EXPECT_EQ(quit, QStringLiteral("終了"));
        QString about;
        platform::CopyMenuItemTextAsCFString(platform::GetMenuHandle(128), 1, &about);
        EXPECT_EQ(about, "About"); // the program's own texts are not the toolkit's business
    }

    platform::setPreferredLanguagesForTesting(QStringList{"en", "ja"});
    EXPECT_EQ(platform::installToolkitTranslations(), QString());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
    TApplication application(QStringLiteral("MenuBar"), QStringLiteral("main"));
    QString quit;
    platform::CopyMenuItemTextAsCFString(platform::GetMenuHandle(128), 3, &quit);
    EXPECT_EQ(quit, "Quit");
}

TEST_F(WhatUsersSeeTest, TheToolkitLanguageIsTheFirstThatHasTranslations) {
    // Legacy names and region variants count; a language without files is skipped.
    platform::setPreferredLanguagesForTesting(QStringList{"Japanese"});
    EXPECT_EQ(platform::installToolkitTranslations(), "ja");
    platform::setPreferredLanguagesForTesting(QStringList{"xx-YY", "de_DE.UTF-8", "ja"});
    EXPECT_EQ(platform::installToolkitTranslations(), "de");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");

    testsupport::TempTree empty;
    platform::setToolkitTranslationsPathForTesting(empty.path());
    platform::setPreferredLanguagesForTesting(QStringList{"ja"});
    EXPECT_EQ(platform::installToolkitTranslations(), QString());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
}

TEST_F(WhatUsersSeeTest, TheProgramsLocalizationDecidesOverTheUsersFirstLanguage) {
    // With Japanese.lproj and English.lproj, a French user sees the development region's
    // English texts, so the toolkit's texts stay English too, though French ones exist.
    QDir(app->resourcesPath()).mkpath(QStringLiteral("Japanese.lproj"));
    QDir(app->resourcesPath()).mkpath(QStringLiteral("English.lproj"));
    platform::setPreferredLanguagesForTesting(QStringList{"fr"});
    EXPECT_EQ(platform::installToolkitTranslations(), QString());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
    // French first and Japanese second: the program shows Japanese, and so does the toolkit.
    platform::setPreferredLanguagesForTesting(QStringList{"fr", "ja"});
    EXPECT_EQ(platform::installToolkitTranslations(), "ja");
}

} // namespace
