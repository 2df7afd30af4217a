#include "catalogue/Preference.h"

#include "platform/Preferences.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each test gets its own configuration folder and launcher package.
class PreferenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_configHome = std::make_unique<testsupport::ScopedEnvironment>(
            "XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        app = std::make_unique<testsupport::FakeApplication>();
    }
    void TearDown() override {
        app.reset();
        m_configHome.reset();
    }

    QString storePath() const {
        return platform::preferencesPath(platform::kPreferencesCurrentApplication);
    }

    // Runs the helper against the same package and configuration folder.
    QByteArray runHelper(const QStringList& args, int* exitCode = nullptr) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(CATALOGUE_PREFERENCE_HELPER),
                      QStringList{app->packagePath()} + args);
        EXPECT_TRUE(process.waitForFinished(30000));
        if (exitCode)
            *exitCode = process.exitCode();
        return process.readAllStandardOutput().trimmed();
    }

    std::unique_ptr<testsupport::FakeApplication> app;

private:
    testsupport::TempTree m_config;
    std::unique_ptr<testsupport::ScopedEnvironment> m_configHome;
};

TEST_F(PreferenceTest, NothingStoredOnFirstStart) {
    CUPreference preference;
    QString name{"stale"};
    EXPECT_TRUE(preference.GetPrinterName(&name));
    EXPECT_TRUE(name.isNull());
    QStringList list{"stale"};
    EXPECT_FALSE(preference.GetPrinterList(&list));
    EXPECT_FALSE(QFileInfo::exists(storePath()));
}

TEST_F(PreferenceTest, StoreIsKeyedByTheBundleIdentifier) {
    EXPECT_TRUE(storePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + "/"));
    EXPECT_TRUE(storePath().endsWith("/test.trellis.Trellis.ini"));
    CUPreference preference;
    ASSERT_TRUE(preference.SavePrinterName("Orvel A"));
    EXPECT_TRUE(QFileInfo(storePath()).isFile());

    // Another program has a store of its own.
    testsupport::FakeApplication other(QStringLiteral("Other"));
    QString name;
    EXPECT_TRUE(CUPreference().GetPrinterName(&name));
    EXPECT_TRUE(name.isNull());
}

TEST_F(PreferenceTest, ValuesRoundTripWithOrderAndType) {
    CUPreference preference;
    const QStringList list{"Orvel B, with comma",
                           "Orvel A",
                           "@odd",
                           "Orvel \u30d7\u30ea\u30f3\u30bf",
                           " padded ",
                           "quote \" and \\ back",
                           "tab\tnew\nline",
                           QStringLiteral("nul\u0000f\u0001") + "1",
                           "a=b;c",
                           "",
                           "@@twice",
                           "@Invalid()"};
    ASSERT_TRUE(preference.SavePrinterList(list));
    ASSERT_TRUE(preference.SavePrinterName("Orvel A"));

    QStringList readList;
    ASSERT_TRUE(CUPreference().GetPrinterList(&readList));
    EXPECT_EQ(readList, list);
    QString name;
    CUPreference().GetPrinterName(&name);
    EXPECT_EQ(name, "Orvel A");

    // One entry and no entry are still lists.
    ASSERT_TRUE(preference.SavePrinterList(QStringList{"Only"}));
    ASSERT_TRUE(preference.GetPrinterList(&readList));
    EXPECT_EQ(readList, QStringList{"Only"});
    ASSERT_TRUE(preference.SavePrinterList(QStringList{}));
    ASSERT_TRUE(preference.GetPrinterList(&readList));
    EXPECT_TRUE(readList.isEmpty());
    name.clear();
    preference.GetPrinterName(&name);
    EXPECT_EQ(name, "Orvel A"); // the other value is untouched
}

// Bytes the store held when the earlier build had saved; read back unchanged, kept when the
// same pair is saved again, replaced whole when another one is.
TEST_F(PreferenceTest, AStoreOfTheEarlierBuildReadsBackAndIsRewrittenOnlyForANewPair) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
    QFile file(storePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nSelectPrinterModelName=Orvel A\n\n[PrinterModelList]\n"
               "1\\value=\"Orvel B, with comma\"\n10\\value=\n2\\value=Orvel A\n3\\value=@@odd\n"
               "4\\value=Orvel \xe3\x83\x97\xe3\x83\xaa\xe3\x83\xb3\xe3\x82\xbf\n"
               "5\\value=\" padded \"\n6\\value=quote \\\" and \\\\ back\n"
               "7\\value=tab\\tnew\\nline\n8\\value=nul\n9\\value=\"a=b;c\"\n%40array=true\n"
               "size=10\n");
    file.close();
    const QStringList list{"Orvel B, with comma",
                           "Orvel A",
                           "@odd",
                           "Orvel \u30d7\u30ea\u30f3\u30bf",
                           " padded ",
                           "quote \" and \\ back",
                           "tab\tnew\nline",
                           "nul",
                           "a=b;c",
                           ""};
    CUPreference preference;
    QStringList readList;
    ASSERT_TRUE(preference.GetPrinterList(&readList));
    EXPECT_EQ(readList, list);
    QString name;
    preference.GetPrinterName(&name);
    EXPECT_EQ(name, "Orvel A");

    const auto inode = [&] {
        struct stat info {};
        return lstat(QFile::encodeName(storePath()).constData(), &info) == 0 ? info.st_ino
                                                                             : ino_t(0);
    };
    const ino_t before = inode();
    ASSERT_TRUE(preference.SavePrinterSelection(list, "Orvel A"));
    EXPECT_EQ(inode(), before);
    ASSERT_TRUE(preference.SavePrinterSelection(list.mid(1), "Orvel A"));
    EXPECT_NE(inode(), before);
    ASSERT_TRUE(preference.GetPrinterList(&readList));
    EXPECT_EQ(readList, list.mid(1));
}

TEST_F(PreferenceTest, SavedAndReadBackByASecondProcess) {
    {
        CUPreference preference;
        ASSERT_TRUE(preference.SavePrinterList({"Orvel Second", "Orvel First", "Orvel Third"}));
        ASSERT_TRUE(preference.SavePrinterName("Orvel Second"));
    }
    const QJsonObject read = QJsonDocument::fromJson(runHelper({"read"})).object();
    EXPECT_EQ(read.value("name").toString(), "Orvel Second");
    EXPECT_EQ(read.value("list").toArray(),
              QJsonArray({"Orvel Second", "Orvel First", "Orvel Third"}));

    int exitCode = -1;
    runHelper({"write", "Orvel Z", "Orvel Z", "Orvel Y"}, &exitCode);
    ASSERT_EQ(exitCode, 0);
    QString name;
    QStringList list;
    CUPreference preference;
    preference.GetPrinterName(&name);
    ASSERT_TRUE(preference.GetPrinterList(&list));
    EXPECT_EQ(name, "Orvel Z");
    EXPECT_EQ(list, (QStringList{"Orvel Z", "Orvel Y"}));
}

TEST_F(PreferenceTest, DamagedStoreReadsAsNothingAndIsReplacedOnSave) {
    QFileInfo info(storePath());
    testsupport::TempTree scratch;
    ASSERT_TRUE(QDir().mkpath(info.absolutePath()));
    QFile file(storePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x00\xff[General\n=\x01\x02PrinterModelList/size=zz\n", 40));
    file.close();

    CUPreference preference;
    QStringList list;
    EXPECT_FALSE(preference.GetPrinterList(&list));
    QString name;
    EXPECT_TRUE(preference.GetPrinterName(&name));
    EXPECT_TRUE(name.isNull());
    ASSERT_TRUE(preference.SavePrinterName("Orvel A"));
    preference.GetPrinterName(&name);
    EXPECT_EQ(name, "Orvel A");
}

TEST_F(PreferenceTest, WrongTypesReadAsNothing) {
    // A list where the name belongs, and a name where the list belongs.
    ASSERT_TRUE(platform::setPreferenceValue("SelectPrinterModelName", QStringList{"a", "b"},
                                             platform::kPreferencesCurrentApplication));
    ASSERT_TRUE(platform::setPreferenceValue("PrinterModelList", QStringLiteral("single"),
                                             platform::kPreferencesCurrentApplication));
    CUPreference preference;
    QString name;
    EXPECT_TRUE(preference.GetPrinterName(&name));
    EXPECT_TRUE(name.isNull());
    QStringList list;
    EXPECT_FALSE(preference.GetPrinterList(&list));
}

TEST_F(PreferenceTest, UnwritableStoreReportsFailure) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const QString folder = QFileInfo(storePath()).absolutePath();
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    CUPreference preference;
    EXPECT_FALSE(preference.SavePrinterName("Orvel A"));
    EXPECT_FALSE(preference.SavePrinterList({"Orvel A"}));
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(PreferenceTest, UnreadableStoreReadsAsNothing) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    ASSERT_TRUE(CUPreference().SavePrinterName("Orvel A"));
    QFile::setPermissions(storePath(), QFileDevice::WriteOwner);
    QString name;
    EXPECT_TRUE(CUPreference().GetPrinterName(&name));
    EXPECT_TRUE(name.isNull());
    QFile::setPermissions(storePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(PreferenceTest, ProgramWithoutIdentifierHasNoStore) {
    testsupport::FakeApplication anonymous(QStringLiteral("Anon"),
                                           QVariantMap{{"CFBundleIdentifier", "../escape"}});
    CUPreference preference;
    EXPECT_FALSE(preference.SavePrinterName("Orvel A"));
    QString name;
    EXPECT_TRUE(preference.GetPrinterName(&name));
    EXPECT_TRUE(name.isNull());
    EXPECT_FALSE(QFileInfo::exists(qEnvironmentVariable("XDG_CONFIG_HOME") + "/escape.ini"));
}

} // namespace
