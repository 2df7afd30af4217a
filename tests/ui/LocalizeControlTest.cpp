// Control, menu and window texts from the string table, the manual that Help opens, and the
// toolkit's standard texts in the user's language.

#include "UiFixture.h"
#include "localize/HelpFile.h"
#include "platform/Translations.h"
#include "ui/TApplication.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

class LocalizeControlTest : public UiFixture {
protected:
    void TearDown() override {
        platform::setPreferredLanguagesForTesting(std::nullopt);
        UiFixture::TearDown();
    }
};

// What the control shows: a group box's title, else its text.
QString shown(ControlRef control) {
    const QWidget* widget = platform::widgetForTesting(control);
    return widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString();
}

TEST_F(LocalizeControlTest, EachKindGetsItsTextOrKeepsTheFormsText) {
    open("TestWindow");
    CLocalize* localize = CLocalize::GetInstance();
    // name, control, index, string, result, what the control then shows (null: not checked)
    const std::tuple<const char*, long, long, const char*, OSStatus, const char*> rows[] = {
        {"push button", 1100, -1, "00000013", noErr, "Localized Quit"},
        {"missing string", 1101, -1, "09999999", paramErr, "Help"},
        {"empty string", 1101, -1, "00000030", paramErr, "Help"},
        {"static text", 1000, -1, "00000002", noErr, "Localized Explanation"},
        {"line break in a static text", 1000, -1, "00000003", noErr, "One\nTwo"},
        {"group box", 1700, -1, "00000013", noErr, "Localized Quit"},
        {"check box", 1701, -1, "00000013", noErr, "Localized Quit"},
        {"window header", 1702, -1, "00000002", noErr, "Localized Explanation"},
        {"edit text", 1002, -1, "00000013", errUnknownControlKind, "Typed"},
        {"progress bar", 1703, -1, "00000013", errUnknownControlKind, nullptr},
        {"no such control", 4242, -1, "00000013", errUnknownControl, nullptr},
        {"radio button", 1600, 2, "00000021", noErr, nullptr},
        {"no third radio button", 1600, 3, "00000021", paramErr, nullptr},
        {"tab", 1500, 2, "00000020", noErr, nullptr},
        {"missing string for a tab", 1500, 1, "09999999", noErr, nullptr},
        {"no third tab", 1500, 3, "00000020", errInvalidPartCode, nullptr}};
    for (const auto& [name, id, index, stringID, result, text] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(localize->LocalizeControl(window->GetWindowRef(), {"MAIN"_4cc, SInt32(id)},
                                            stringID, index),
                  result);
        if (text) {
            EXPECT_EQ(shown(view(id)), text);
        }
    }
    ControlRef radio = nullptr;
    platform::GetIndexedSubControl(view(1600), 2, &radio);
    EXPECT_EQ(shown(radio), "Localized Radio");
    ControlTabInfoRecV1 tab;
    platform::GetControlData(view(1500), 2, kControlTabInfoTag, sizeof tab, &tab, nullptr);
    EXPECT_EQ(tab.name, "Localized Tab");
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
        {"no menu", 200, 1, "00030000", paramErr},
        {"no menu", 200, -1, "00030000", paramErr},
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
        {"traditional Chinese", {"zh-Hant"}, {"zt", "zh"}, "i.html", "zt/i.html"},
        {"backslashes", {"en"}, {}, "guide\\chapter\\start.html", "en/guide/chapter/start.html"},
        {"spaces and specials", {"en"}, {}, "A B/C# 100%.html", "en/A B/C# 100%.html"},
        {"link cut at 255 bytes", {"en"}, {}, QByteArray(300, 'a'), "en/" + QString(255, 'a')},
        {"no link: nothing, silently", {"en"}, {}, QByteArray(), QString()}};
    for (const auto& [name, languages, folders, link, opened] : rows) {
        SCOPED_TRACE(name);
        for (const QString& folder : folders)
            app->tree().mkdir("Manual/" + folder);
        platform::setPreferredLanguagesForTesting(languages);
        QFile::remove(app->resourcesPath() + "/Settings/Manual.ini");
        if (!link.isNull())
            app->writeSetting("Manual.ini", "[MANUAL]\nMANUAL_0000=" + link + "\n");
        catcher.urls.clear();
        CHelpFile().DoHelpFile("MAIN"_4cc);
        EXPECT_EQ(catcher.urls.value(0).toLocalFile(),
                  opened.isNull() ? opened
                                  : QDir::cleanPath(app->basePath() + "/Manual/" + opened));
    }
    EXPECT_TRUE(alerts.isEmpty());
    // A refused URL, or no package to find the manual in: the help alert.
    app->writeSetting("Manual.ini", "[MANUAL]\nMANUAL_0000=i.html\n");
    QDesktopServices::setUrlHandler("file", &catcher, "noSuchSlot");
    CHelpFile().DoHelpFile("MAIN"_4cc);
    QDesktopServices::unsetUrlHandler("file");
    QDir(app->packagePath() + "/Contents/MacOS").removeRecursively();
    CHelpFile().DoHelpFile("MAIN"_4cc);
    platform::setAlertPresenter({});
    EXPECT_EQ(alerts, QStringList(2, "The manual cannot be found."));
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
                QDir(app->resourcesPath()).mkpath(lproj);
        platform::setPreferredLanguagesForTesting(languages);
        EXPECT_EQ(platform::installToolkitTranslations(), installed);
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    }
}

} // namespace

#include "LocalizeControlTest.moc"
