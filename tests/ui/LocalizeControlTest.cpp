// Control, menu and window texts replaced from the string table, by control kind.

#include "UiFixture.h"
#include "localize/Localize.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "ui/TApplication.h"
#include "ui/TWindow.h"

#include <QComboBox>
#include <QMenu>
#include <QWidget>

namespace {

class LocalizeControlTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        window = std::make_unique<TWindow>(QStringLiteral("TestWindow"), QStringLiteral("main"));
        ASSERT_NE(window->GetWindowRef(), nullptr);
        localize = CLocalize::GetInstance();
        ASSERT_NE(localize, nullptr);
    }
    void TearDown() override {
        window.reset();
        UiFixture::TearDown();
    }

    // The title as the widget shows it: a group box's title, else its text.
    static QString titleOf(ControlRef control) {
        const QWidget* widget = platform::widgetForTesting(control);
        if (!widget)
            return QStringLiteral("<none>");
        return widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString();
    }
    QString title(long id) const { return titleOf(window->GetView("MAIN"_4cc, id)); }
    QString data(long id) const {
        QString text;
        platform::GetControlData(window->GetView("MAIN"_4cc, id), 0, kControlStaticTextCFStringTag,
                                 sizeof text, &text, nullptr);
        return text;
    }
    OSStatus localizeControl(long id, const char* stringID, long index = -1) {
        return localize->LocalizeControl(window->GetWindowRef(), {"MAIN"_4cc, SInt32(id)}, stringID,
                                         index);
    }

    std::unique_ptr<TWindow> window;
    CLocalize* localize = nullptr;
};

TEST_F(LocalizeControlTest, EachKindGetsItsTextTheWayThatSuitsIt) {
    EXPECT_EQ(localizeControl(1100, "00000013"), noErr); // push button: title
    EXPECT_EQ(title(1100), "Localized Quit");
    EXPECT_EQ(localizeControl(1000, "00000002"), noErr); // static text: its data
    EXPECT_EQ(data(1000), "Localized Explanation");
    EXPECT_EQ(localizeControl(1700, "00000013"), noErr); // group box
    EXPECT_EQ(title(1700), "Localized Quit");
    EXPECT_EQ(localizeControl(1701, "00000013"), noErr); // check box
    EXPECT_EQ(title(1701), "Localized Quit");
    EXPECT_EQ(localizeControl(1702, "00000002"), noErr); // window header (kind from the form)
    EXPECT_EQ(title(1702), "Localized Explanation");
    auto* popup =
        qobject_cast<QComboBox*>(platform::widgetForTesting(window->GetView("MAIN"_4cc, 1400)));
    ASSERT_NE(popup, nullptr);
    const QString firstItem = popup->itemText(0);
    EXPECT_EQ(localizeControl(1400, "00000013"), noErr); // popup: its title, not its items
    EXPECT_EQ(popup->itemText(0), firstItem);
}

TEST_F(LocalizeControlTest, KindsWithoutATextAreLeftAlone) {
    EXPECT_EQ(localizeControl(1002, "00000013"), errUnknownControlKind); // edit text
    EXPECT_EQ(title(1002), "Typed");
    EXPECT_EQ(localizeControl(1703, "00000013"), errUnknownControlKind); // progress bar
}

TEST_F(LocalizeControlTest, MissingOrEmptyStringsAndTargetsKeepTheFormsText) {
    EXPECT_EQ(localizeControl(1100, "09999999"), paramErr);
    EXPECT_EQ(title(1100), "Quit");
    EXPECT_EQ(localizeControl(1100, "00000030"), paramErr); // empty text in the table
    EXPECT_EQ(title(1100), "Quit");
    EXPECT_EQ(localizeControl(1000, "00000030"), paramErr);
    EXPECT_EQ(data(1000), "Explanation");
    EXPECT_EQ(localizeControl(4242, "00000013"), errUnknownControl);
    EXPECT_EQ(localize->LocalizeControl(nullptr, {"MAIN"_4cc, 1100}, "00000013", -1), paramErr);
    EXPECT_EQ(localize->LocalizeControlTitle(nullptr, "00000013"), paramErr);
    EXPECT_EQ(localize->LocalizeControlStaticText(nullptr, "00000013"), paramErr);
    EXPECT_EQ(localize->LocalizeWindowTitle(nullptr, "00000000"), paramErr);
}

TEST_F(LocalizeControlTest, TabsRenameOneTabAndKeepItsNameWithoutAString) {
    const auto tabName = [&](ControlPartCode tab) {
        ControlTabInfoRecV1 info;
        platform::GetControlData(window->GetView("MAIN"_4cc, 1500), tab, kControlTabInfoTag,
                                 sizeof info, &info, nullptr);
        return info.name;
    };
    EXPECT_EQ(localizeControl(1500, "00000020", 2), noErr);
    EXPECT_EQ(tabName(1), "First");
    EXPECT_EQ(tabName(2), "Localized Tab");
    EXPECT_EQ(localizeControl(1500, "09999999", 1), noErr); // missing: no error, no change
    EXPECT_EQ(tabName(1), "First");
    EXPECT_NE(localizeControl(1500, "00000020", 3), noErr); // no third tab
    EXPECT_NE(localizeControl(1500, "00000020", -1), noErr);
}

TEST_F(LocalizeControlTest, RadioGroupRetitlesTheIndexedButton) {
    EXPECT_EQ(localizeControl(1600, "00000021", 2), noErr);
    ControlRef group = window->GetView("MAIN"_4cc, 1600);
    ControlRef first = nullptr;
    ControlRef second = nullptr;
    ASSERT_EQ(platform::GetIndexedSubControl(group, 1, &first), 0);
    ASSERT_EQ(platform::GetIndexedSubControl(group, 2, &second), 0);
    EXPECT_EQ(titleOf(first), "One");
    EXPECT_EQ(titleOf(second), "Localized Radio");
    EXPECT_NE(localizeControl(1600, "00000021", 3), noErr);
    EXPECT_NE(localizeControl(1600, "00000021", 0), noErr);
}

TEST_F(LocalizeControlTest, WindowTitle) {
    EXPECT_EQ(localize->LocalizeWindowTitle(window->GetWindowRef(), "00000000"), noErr);
    const QWidget* shown = platform::widgetForTesting(window->GetWindowRef());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->windowTitle(), "Localized Title");
    EXPECT_EQ(localize->LocalizeWindowTitle(window->GetWindowRef(), "09999999"), paramErr);
    EXPECT_EQ(shown->windowTitle(), "Localized Title");
}

TEST_F(LocalizeControlTest, MenuItemsAndTitlesWithRangeChecks) {
    TApplication application(QStringLiteral("MenuBar"), QStringLiteral("main"));
    const auto itemText = [](MenuID menu, MenuItemIndex item) {
        QString text;
        platform::CopyMenuItemTextAsCFString(platform::GetMenuHandle(menu), item, &text);
        return text;
    };
    EXPECT_EQ(localize->LocalizeMenuItem(128, 1, "00030002"), noErr);
    EXPECT_EQ(itemText(128, 1), "Localized About");
    EXPECT_EQ(localize->LocalizeMenuTitle(129, "00030000"), noErr);
    const QMenu* help = platform::menuForTesting(platform::GetMenuHandle(129));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->title(), "Localized Help");

    EXPECT_EQ(localize->LocalizeMenuItem(129, 0, "00030000"), paramErr);
    EXPECT_EQ(localize->LocalizeMenuItem(129, 2, "00030000"), paramErr); // one item only
    EXPECT_EQ(itemText(129, 1), "Help");
    EXPECT_EQ(localize->LocalizeMenuItem(129, 1, "09999999"), paramErr);
    EXPECT_EQ(localize->LocalizeMenuItem(200, 1, "00030000"), paramErr); // no such menu
    EXPECT_EQ(localize->LocalizeMenuTitle(200, "00030000"), paramErr);
    EXPECT_EQ(localize->LocalizeMenuTitle(129, "00000030"), paramErr); // empty text
}

} // namespace
