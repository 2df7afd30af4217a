// Opening the manual: language folder choice, the link, the URL handed to the desktop,
// and the alert on failure.

#include "localize/HelpFile.h"

#include "UiFixture.h"
#include "platform/TestingAccess.h"
#include "platform/WindowTypes.h"

#include <QDesktopServices>
#include <QDir>
#include <QObject>
#include <QUrl>

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

class HelpFileTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        platform::setAlertPresenter([this](const platform::AlertRequest& request) {
            alerts << request.message;
            return short(1);
        });
        setLink("index.html");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        platform::setAlertPresenter({});
        platform::setPreferredLanguagesForTesting(std::nullopt);
        UiFixture::TearDown();
    }

    void setLink(const QByteArray& link) const {
        app->writeSetting(QStringLiteral("Manual.ini"), "[MANUAL]\nMANUAL_0000=" + link + "\n");
    }
    QString manual(const QString& relative) const {
        return QDir::cleanPath(app->basePath() + QStringLiteral("/Manual/") + relative);
    }
    void openHelp() {
        CHelpFile help;
        help.DoHelpFile("MAIN"_4cc);
    }
    QString openedFile() const {
        return catcher.urls.isEmpty() ? QString() : catcher.urls.last().toLocalFile();
    }

    UrlCatcher catcher;
    QStringList alerts;
};

TEST_F(HelpFileTest, FirstLanguageWithAFolderIsUsed) {
    app->tree().mkdir(QStringLiteral("Manual/ja"));
    app->tree().mkdir(QStringLiteral("Manual/en"));
    platform::setPreferredLanguagesForTesting(QStringList{"fr-FR", "ja-JP", "en"});
    openHelp();
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(openedFile(), manual("ja/index.html"));
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(HelpFileTest, WithoutAnyLanguageFolderEnglishIsHandedOnUntested) {
    platform::setPreferredLanguagesForTesting(QStringList{"fr", "de"});
    openHelp();
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(openedFile(), manual("en/index.html"));
    EXPECT_FALSE(QFileInfo::exists(manual("en")));

    platform::setPreferredLanguagesForTesting(QStringList{});
    openHelp();
    EXPECT_EQ(openedFile(), manual("en/index.html"));
}

TEST_F(HelpFileTest, TraditionalChineseUsesItsOwnFolderName) {
    app->tree().mkdir(QStringLiteral("Manual/zt"));
    app->tree().mkdir(QStringLiteral("Manual/zh"));
    platform::setPreferredLanguagesForTesting(QStringList{"zh-Hant"});
    openHelp();
    EXPECT_EQ(openedFile(), manual("zt/index.html"));
}

TEST_F(HelpFileTest, BackslashLinkOpensTheSameDocumentAsASlashLink) {
    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    setLink("guide\\chapter\\start.html");
    openHelp();
    setLink("guide/chapter/start.html");
    openHelp();
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0], catcher.urls[1]);
    EXPECT_EQ(openedFile(), manual("en/guide/chapter/start.html"));
}

TEST_F(HelpFileTest, SpacesAndSpecialCharactersReachTheHandlerUnescaped) {
    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    setLink("User Guide/C# 100%/index.html");
    openHelp();
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(openedFile(), manual("en/User Guide/C# 100%/index.html"))
        << qPrintable(openedFile()) << " " << qPrintable(catcher.urls[0].toString());
    EXPECT_TRUE(catcher.urls[0].toString().contains("User Guide")); // shown with its spaces
    EXPECT_TRUE(catcher.urls[0].fragment().isEmpty());
}

TEST_F(HelpFileTest, RefusedURLShowsTheHelpAlert) {
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "noSuchSlot");
    openHelp();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0], "The manual cannot be found.");
}

TEST_F(HelpFileTest, UnreachablePackageShowsTheHelpAlert) {
    QDir(app->packagePath() + "/Contents/MacOS").removeRecursively();
    openHelp();
    EXPECT_TRUE(catcher.urls.isEmpty());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0], "The manual cannot be found.");
}

TEST_F(HelpFileTest, MissingLinkOpensNothingAndSaysNothing) {
    QFile::remove(app->resourcesPath() + "/Settings/Manual.ini");
    openHelp();
    EXPECT_TRUE(catcher.urls.isEmpty());
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(HelpFileTest, OverlongLinkIsCutAt255Bytes) {
    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    setLink(QByteArray(300, 'a'));
    openHelp();
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(openedFile(), manual("en/" + QString(255, 'a')));
}

} // namespace

#include "HelpFileTest.moc"
