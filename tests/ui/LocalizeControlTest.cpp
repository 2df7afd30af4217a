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

constexpr OSStatus kAnyError = 1;

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
    // What the control shows: a group box's title, else its text.
    static QString shown(ControlRef control) {
        const QWidget* widget = platform::widgetForTesting(control);
        return widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString();
    }
};

TEST_F(LocalizeControlTest, EachKindGetsItsTextOrKeepsTheFormsText) {
    open("TestWindow");
    ControlRef radio = nullptr;
    ASSERT_EQ(platform::GetIndexedSubControl(view(1600), 2, &radio), 0);
    const struct Row {
        const char *name, *stringID;
        long id, index;
        OSStatus err;
        ControlRef shows;
        const char* text;
    } rows[] = {
        {"push button", "00000013", 1100, -1, noErr, view(1100), "Localized Quit"},
        {"missing string", "09999999", 1101, -1, paramErr, view(1101), "Help"},
        {"empty string", "00000030", 1101, -1, paramErr, view(1101), "Help"},
        {"static text", "00000002", 1000, -1, noErr, view(1000), "Localized Explanation"},
        {"line break in a static text", "00000003", 1000, -1, noErr, view(1000), "One\nTwo"},
        {"group box", "00000013", 1700, -1, noErr, view(1700), "Localized Quit"},
        {"check box", "00000013", 1701, -1, noErr, view(1701), "Localized Quit"},
        {"window header", "00000002", 1702, -1, noErr, view(1702), "Localized Explanation"},
        {"edit text", "00000013", 1002, -1, errUnknownControlKind, view(1002), "Typed"},
        {"progress bar", "00000013", 1703, -1, errUnknownControlKind, nullptr, nullptr},
        {"no such control", "00000013", 4242, -1, errUnknownControl, nullptr, nullptr},
        {"radio button", "00000021", 1600, 2, noErr, radio, "Localized Radio"},
        {"no third radio button", "00000021", 1600, 3, kAnyError, nullptr, nullptr},
        {"tab", "00000020", 1500, 2, noErr, nullptr, nullptr},
        {"missing string for a tab", "09999999", 1500, 1, noErr, nullptr, nullptr},
        {"no third tab", "00000020", 1500, 3, kAnyError, nullptr, nullptr}};
    CLocalize* localize = CLocalize::GetInstance();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OSStatus err = localize->LocalizeControl(
            window->GetWindowRef(), {"MAIN"_4cc, SInt32(row.id)}, row.stringID, row.index);
        EXPECT_EQ(err, row.err == kAnyError ? (err ? err : kAnyError) : row.err);
        if (row.shows) {
            EXPECT_EQ(shown(row.shows), row.text);
        }
    }
    ControlTabInfoRecV1 tab;
    platform::GetControlData(view(1500), 2, kControlTabInfoTag, sizeof tab, &tab, nullptr);
    EXPECT_EQ(tab.name, "Localized Tab");
    EXPECT_EQ(localize->LocalizeWindowTitle(window->GetWindowRef(), "00000000"), noErr);
    EXPECT_EQ(platform::widgetForTesting(window->GetWindowRef())->windowTitle(), "Localized Title");
}

TEST_F(LocalizeControlTest, MenuItemsAndTitles) {
    TApplication application(QStringLiteral("MenuBar"), QStringLiteral("main"));
    CLocalize* localize = CLocalize::GetInstance();
    const struct Row {
        const char* name;
        MenuID menu;
        int item; // -1: the title
        const char* stringID;
        OSStatus err;
    } rows[] = {{"item", 128, 1, "00030002", noErr},
                {"title", 129, -1, "00030000", noErr},
                {"item 0", 129, 0, "00030000", paramErr},
                {"past the end", 129, 2, "00030000", paramErr},
                {"missing string", 129, 1, "09999999", paramErr},
                {"no such menu", 200, 1, "00030000", paramErr},
                {"no such menu's title", 200, -1, "00030000", paramErr},
                {"empty title", 129, -1, "00000030", paramErr}};
    for (const Row& row : rows)
        EXPECT_EQ(row.item < 0
                      ? localize->LocalizeMenuTitle(row.menu, row.stringID)
                      : localize->LocalizeMenuItem(row.menu, MenuItemIndex(row.item), row.stringID),
                  row.err)
            << row.name;
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
    const QString kNothing;
    const struct Row {
        const char* name;
        QStringList languages, folders;
        QByteArray link; // null: no Manual.ini
        QString opened;
    } rows[] = {
        {"first language with a folder",
         {"fr-FR", "ja-JP", "en"},
         {"ja", "en"},
         "i.html",
         "ja/i.html"},
        {"no folder: English, untested", {"fr", "de"}, {}, "i.html", "en/i.html"},
        {"no languages", {}, {}, "i.html", "en/i.html"},
        {"traditional Chinese", {"zh-Hant"}, {"zt", "zh"}, "i.html", "zt/i.html"},
        {"backslashes", {"en"}, {}, "guide\\chapter\\start.html", "en/guide/chapter/start.html"},
        {"spaces and specials unescaped",
         {"en"},
         {},
         "User Guide/C# 100%/i.html",
         "en/User Guide/C# 100%/i.html"},
        {"link cut at 255 bytes", {"en"}, {}, QByteArray(300, 'a'), "en/" + QString(255, 'a')},
        {"no link: nothing, silently", {"en"}, {}, QByteArray(), kNothing}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const QString& folder : row.folders)
            app->tree().mkdir("Manual/" + folder);
        platform::setPreferredLanguagesForTesting(row.languages);
        QFile::remove(app->resourcesPath() + "/Settings/Manual.ini");
        if (!row.link.isNull())
            app->writeSetting("Manual.ini", "[MANUAL]\nMANUAL_0000=" + row.link + "\n");
        catcher.urls.clear();
        CHelpFile().DoHelpFile("MAIN"_4cc);
        EXPECT_EQ(catcher.urls.value(0).toLocalFile(),
                  row.opened.isNull() ? row.opened
                                      : QDir::cleanPath(app->basePath() + "/Manual/" + row.opened));
        EXPECT_TRUE(alerts.isEmpty());
    }
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
    const struct Row {
        const char* name;
        QStringList languages;
        const char *installed, *cancel;
    } rows[] = {{"Japanese first", {"ja-JP", "en"}, "ja", "キャンセル"},
                {"English first", {"en", "ja"}, "", "Cancel"},
                {"legacy name", {"Japanese"}, "ja", "キャンセル"},
                {"first with translations", {"xx-YY", "de_DE.UTF-8", "ja"}, "de", "Abbrechen"},
                // With Japanese.lproj and English.lproj (made below), a French user sees the
                // program in English, so the toolkit stays English though French exists.
                {"program not in the first language", {"fr"}, "", "Cancel"},
                {"program in the second language", {"fr", "ja"}, "ja", "キャンセル"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.languages == QStringList{"fr"})
            for (const char* lproj : {"Japanese.lproj", "English.lproj"})
                QDir(app->resourcesPath()).mkpath(lproj);
        platform::setPreferredLanguagesForTesting(row.languages);
        EXPECT_EQ(platform::installToolkitTranslations(), row.installed);
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), row.cancel);
    }
    platform::setPreferredLanguagesForTesting(QStringList{"ja"});
    platform::installToolkitTranslations();
    TApplication application(QStringLiteral("MenuBar"), QStringLiteral("main"));
    QString quit;
    platform::CopyMenuItemTextAsCFString(platform::GetMenuHandle(128), 3, &quit);
    EXPECT_EQ(quit, "終了");
}

} // namespace

#include "LocalizeControlTest.moc"
