// The window and event framework, the image push button, texts from the string table, the
// manual that Help opens and the toolkit's texts.

#include "localize/HelpFile.h"
#include "localize/Localize.h"
#include "platform/Events.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "platform/Translations.h"
#include "platform/Windowing.h"
#include "support/TestSupport.h"
#include "ui/CControl.h"
#include "ui/CImagePushButton.h"
#include "ui/TApplication.h"
#include "ui/TCarbonEvent.h"
#include "ui/TWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QEnterEvent>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Log = std::vector<QString>;

QString fourCharacters(UInt32 code) {
    return QString::fromLatin1(QByteArray::fromHex(QByteArray::number(code, 16)));
}

// A window from the test forms that logs its commands (and answers them when told to).
class RecordingWindow : public TWindow {
public:
    RecordingWindow(Log* log, const QString& form) : TWindow(form, "main"), log(log) {}
    bool HandleCommand(const HICommandExtended& command) override {
        log->push_back("window " + fourCharacters(command.commandID));
        return handles;
    }
    Log* log;
    bool handles = false;
};

// A fake application whose resources hold the test forms as the interface file "main",
// three one-colour pictures and a string table.
class UiFixture : public ::testing::Test {
protected:
    static inline const QColor kNormal{200, 0, 0}, kOver{0, 200, 0}, kPressed{0, 0, 200};

    void SetUp() override {
        const QString nib = app.resourcesPath() + "/main.nib/";
        QDir().mkpath(nib);
        for (const QString& form : QDir(TRELLIS_UI_TEST_FORMS).entryList(QDir::Files))
            QFile::copy(QStringLiteral(TRELLIS_UI_TEST_FORMS "/") + form, nib + form);
        for (const auto& [name, colour] :
             {std::pair{"normal.png", kNormal}, {"over.png", kOver}, {"pressed.png", kPressed}})
            writePicture(name, colour);
        writeStrings(
            "00000000=Localized Title\n00000013=Localized Quit\n00000030=\n"
            "00000002=Localized Explanation\n00000003=One\\nTwo\n00000100=Title of the tool\n"
            "00000101=Description of the tool\n00030000=Localized Help\n"
            "00030002=Localized About\n");
    }
    void TearDown() override {
        window.reset();
        CLocalize::DestroyInstance();
        platform::setPreferredLanguages(std::nullopt);
    }
    void writePicture(const QString& name, const QColor& colour) const {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(colour);
        image.save(app.resourcesPath() + "/" + name, "PNG");
    }
    // Replaces the string table; the next GetInstance reads it.
    void writeStrings(const QByteArray& lines) const {
        CLocalize::DestroyInstance();
        app.writeSetting("Localize.ini", "[STRING]\n" + lines);
        app.writeSetting("L_Const.ini", "[STRING]\n");
        app.writeSetting("L_Font.ini", "00999999=13,0,0,0\n");
    }
    void open(const QString& form) {
        window = std::make_unique<RecordingWindow>(&log, form);
        ASSERT_NE(window->GetWindowRef(), nullptr);
    }
    ControlRef view(long id) const { return window->GetView("MAIN"_4cc, id); }
    QWidget* widget(long id) const { return platform::widgetForTesting(view(id)); }

    testsupport::FakeApplication app;
    Log log;
    std::unique_ptr<RecordingWindow> window;
};

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

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
    // A pointer that enters and leaves, through the tracking region. The pointer is put where
    // the events say: a region remade while the button is under it starts from its position.
    const QPoint entered = widget(1900)->mapToGlobal(QPoint(20, 20));
    QCursor::setPos(entered);
    QEnterEvent enter(QPointF(20, 20), QPointF(20, 20), entered);
    QApplication::sendEvent(widget(1900), &enter);
    EXPECT_EQ(after(1900), State(2, kOver));
    QCursor::setPos(entered - QPoint(1000, 1000));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget(1900), &leave);
    EXPECT_EQ(after(1900), State(0, kNormal));
    EXPECT_EQ(after(1900, 0, 1), State(1, kPressed));
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
    const std::pair<CGPoint, int> hits[] = {
        {{0, 0}, 1}, {{379.5, 63.5}, 1}, {{380, 10}, 0}, {{10, 64}, 0}, {{-1, 10}, 0}};
    for (const auto& [where, part] : hits)
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
        log->push_back("application " + fourCharacters(command.commandID));
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
    const auto click = [&] { QTest::mouseClick(widget(1100), Qt::LeftButton); };
    EXPECT_EQ(after(false, click), (Log{"window B100", "application B100"}));
    EXPECT_EQ(after(true, click), (Log{"window B100"}));
    QMenu* help = platform::menuForTesting(platform::GetMenuHandle(129));
    ASSERT_TRUE(help && !help->actions().isEmpty());
    EXPECT_EQ(after(false, [&] { help->actions().first()->trigger(); }),
              (Log{"window HELP", "application HELP"}));
    QWidget* combo = platform::widgetForTesting(view(1400));
    EXPECT_EQ(after(false, [&] { QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 1)); }),
              (Log{"window M100", "application M100"}));
}

TEST_F(FrameworkTest, APopupFilledInOneBatchIsEditedItemByItem) {
    open("TestWindow");
    CPopupButton popup(window->GetWindowRef(), {"MAIN"_4cc, 1400});
    ASSERT_EQ(popup.DeleteMenuItems(1, ItemCount(popup.CountMenuItems())), noErr);
    MenuItemIndex first = 0, added = 0;
    QStringList batch;
    for (int i = 0; i < 100; ++i)
        batch << QString("t%1").arg(i);
    EXPECT_EQ(popup.AppendMenuItemTexts(batch, &first), 100);
    EXPECT_EQ(popup.AppendMenuItemText("d", 0, 0, &added), noErr);
    EXPECT_EQ(popup.DeleteMenuItems(2, 99), noErr);
    EXPECT_EQ(popup.SetValue(2), noErr);
    QString text;
    EXPECT_EQ(popup.GetMenuItemText(2, &text), noErr);
    EXPECT_EQ(std::tuple(first, added, popup.CountMenuItems(), text, popup.GetValue()),
              std::tuple(MenuItemIndex(1), MenuItemIndex(101), 2L, QString("d"), SInt32(2)));
    const auto* combo = static_cast<QComboBox*>(widget(1400));
    EXPECT_EQ(QStringList({combo->itemText(0), combo->itemText(1)}), QStringList({"t0", "d"}));
}

TEST_F(FrameworkTest, WrappersWithoutAControlAreHarmless) {
    EXPECT_EQ(CStaticText(nullptr, {"MAIN"_4cc, 1000}).SetDescriptor("x"), paramErr);
    EXPECT_EQ(CPopupButton(nullptr, {"MAIN"_4cc, 1400}).AppendMenuItemText("x", 0, 0, nullptr),
              paramErr);
}

using LocalizeControlTest = UiFixture;

// What the control shows: a group box's title, else its text.
QString shown(ControlRef control) {
    const QWidget* widget = platform::widgetForTesting(control);
    return widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString();
}

TEST_F(LocalizeControlTest, EachKindGetsItsTextOrKeepsTheFormsText) {
    open("TestWindow");
    CLocalize* localize = CLocalize::GetInstance();
    // name, control, string, result, what the control then shows (null: not checked)
    const std::tuple<const char*, long, const char*, OSStatus, const char*> rows[] = {
        {"push button", 1100, "00000013", noErr, "Localized Quit"},
        {"missing string", 1101, "09999999", paramErr, "Help"},
        {"empty string", 1101, "00000030", paramErr, "Help"},
        {"static text", 1000, "00000002", noErr, "Localized Explanation"},
        {"line break in a static text", 1000, "00000003", noErr, "One\nTwo"},
        {"group box", 1700, "00000013", noErr, "Localized Quit"},
        {"check box", 1701, "00000013", noErr, "Localized Quit"},
        {"window header", 1702, "00000002", noErr, "Localized Explanation"},
        {"edit text", 1002, "00000013", errUnknownControlKind, "Typed"},
        {"progress bar", 1703, "00000013", errUnknownControlKind, nullptr},
        {"no such control", 4242, "00000013", errUnknownControl, nullptr}};
    for (const auto& [name, id, stringID, result, text] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(localize->LocalizeControl(window->GetWindowRef(), {"MAIN"_4cc, SInt32(id)},
                                            stringID, -1),
                  result);
        EXPECT_TRUE(!text || shown(view(id)) == text);
    }
    EXPECT_EQ(localize->LocalizeWindowTitle(window->GetWindowRef(), "00000000"), noErr);
    EXPECT_EQ(platform::widgetForTesting(window->GetWindowRef())->windowTitle(), "Localized Title");
}

TEST_F(LocalizeControlTest, MenuItemsAndTitles) {
    TApplication application("MenuBar", "main");
    CLocalize* localize = CLocalize::GetInstance();
    // name, menu, item (-1: the title), string, result
    const std::tuple<const char*, MenuID, int, const char*, OSStatus> rows[] = {
        {"item", 128, 1, "00030002", noErr},
        {"title", 129, -1, "00030000", noErr},
        {"item 0", 129, 0, "00030000", paramErr},
        {"past the end", 129, 2, "00030000", paramErr},
        {"no string", 129, 1, "09999999", paramErr},
        {"item of no menu", 200, 1, "00030000", paramErr},
        {"title of no menu", 200, -1, "00030000", paramErr},
        {"empty title", 129, -1, "00000030", paramErr}};
    for (const auto& [name, menu, item, stringID, result] : rows)
        EXPECT_EQ(item < 0 ? localize->LocalizeMenuTitle(menu, stringID)
                           : localize->LocalizeMenuItem(menu, MenuItemIndex(item), stringID),
                  result)
            << name;
    QString about;
    platform::CopyMenuItemTextAsCFString(platform::GetMenuHandle(128), 1, &about);
    EXPECT_EQ(about, "Localized About");
    EXPECT_EQ(platform::menuForTesting(platform::GetMenuHandle(129))->title(), "Localized Help");
}

using HelpFileTest = LocalizeControlTest;

TEST_F(HelpFileTest, TheManualInTheFirstLanguageThatHasOne) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QStringList alerts;
    platform::setAlertPresenter([&](const platform::AlertRequest& request) {
        alerts << request.message;
        return short(1);
    });
    // name, preferred languages, manual folders, link (null: no Manual.ini), file opened
    const std::tuple<const char*, QStringList, QStringList, QByteArray, QString> rows[] = {
        {"first with a folder", {"fr", "ja-JP", "en"}, {"ja", "en"}, "i.html", "ja/i.html"},
        {"no folder: English, untested", {"fr", "de"}, {}, "i.html", "en/i.html"},
        {"no languages", {}, {}, "i.html", "en/i.html"},
        {"backslashes", {"en"}, {}, "guide\\chapter\\start.html", "en/guide/chapter/start.html"},
        {"spaces and specials", {"en"}, {}, "A B/C# 100%.html", "en/A B/C# 100%.html"},
        {"link cut at 255 bytes", {"en"}, {}, QByteArray(300, 'a'), "en/" + QString(255, 'a')},
        {"no link: nothing, silently", {"en"}, {}, QByteArray(), QString()}};
    for (const auto& [name, languages, folders, link, opened] : rows) {
        SCOPED_TRACE(name);
        for (const QString& folder : folders)
            app.tree().mkdir("Manual/" + folder);
        platform::setPreferredLanguages(languages);
        QFile::remove(app.resourcesPath() + "/Settings/Manual.ini");
        if (!link.isNull())
            app.writeSetting("Manual.ini", "[MANUAL]\nMANUAL_0000=" + link + "\n");
        catcher.urls.clear();
        CHelpFile().DoHelpFile("MAIN"_4cc);
        EXPECT_EQ(catcher.urls.value(0).toLocalFile(),
                  opened.isNull() ? opened : QDir::cleanPath(app.basePath() + "/Manual/" + opened));
    }
    QDesktopServices::unsetUrlHandler("file");
    platform::setAlertPresenter({});
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(LocalizeControlTest, ToolkitTextsFollowTheProgramsLanguage) {
    // With Japanese.lproj and English.lproj (from the fourth row on), a French user sees
    // the program in English, so the toolkit stays English though French exists.
    const std::tuple<QStringList, const char*, const char*> rows[] = {
        {{"en", "ja"}, "", "Cancel"},
        {{"Japanese"}, "ja", "キャンセル"},
        {{"xx-YY", "de_DE.UTF-8", "ja"}, "de", "Abbrechen"}, // the first that has translations
        {{"fr"}, "", "Cancel"},
        {{"fr", "ja"}, "ja", "キャンセル"}};
    for (const auto& [languages, installed, cancel] : rows) {
        SCOPED_TRACE(languages.join(' ').toStdString());
        if (languages == QStringList{"fr"})
            for (const char* lproj : {"Japanese.lproj", "English.lproj"})
                QDir(app.resourcesPath()).mkpath(lproj);
        platform::setPreferredLanguages(languages);
        EXPECT_EQ(platform::installToolkitTranslations(), installed);
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    }
}

} // namespace

#include "FrameworkTest.moc"
