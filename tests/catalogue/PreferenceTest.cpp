// The launcher's stored printer list and selection.
#include "catalogue/Preference.h"

#include "platform/Preferences.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the earlier build wrote, and the list it holds.
const QByteArray kEarlierStore =
    "[General]\nSelectPrinterModelName=Orvel A\n\n[PrinterModelList]\n"
    "1\\value=\"Orvel B, with comma\"\n10\\value=\n2\\value=Orvel A\n3\\value=@@odd\n"
    "4\\value=Orvel \xe3\x83\x97\xe3\x83\xaa\xe3\x83\xb3\xe3\x82\xbf\n"
    "5\\value=\" padded \"\n6\\value=quote \\\" and \\\\ back\n"
    "7\\value=tab\\tnew\\nline\n8\\value=nul\n9\\value=\"a=b;c\"\n%40array=true\nsize=10\n";
const QStringList kEarlierList{"Orvel B, with comma",
                               "Orvel A",
                               "@odd",
                               "Orvel \u30d7\u30ea\u30f3\u30bf",
                               " padded ",
                               "quote \" and \\ back",
                               "tab\tnew\nline",
                               "nul",
                               "a=b;c",
                               ""};

using Stored = std::pair<QString, std::optional<QStringList>>;

class PreferenceTest : public ::testing::Test {
protected:
    // The stored name (null for none) and list (none when absent or of another type).
    static Stored read() {
        QString name{"stale"};
        QStringList list;
        EXPECT_TRUE(CUPreference().GetPrinterName(&name));
        return {name, CUPreference().GetPrinterList(&list) ? std::optional(list) : std::nullopt};
    }
    ino_t inode() const {
        struct stat info {};
        return lstat(QFile::encodeName(store).constData(), &info) == 0 ? info.st_ino : 0;
    }

    testsupport::TempTree config;
    testsupport::ScopedEnvironment configHome{"XDG_CONFIG_HOME", QFile::encodeName(config.path())};
    testsupport::FakeApplication app;
    const QString store = platform::preferencesPath(platform::kPreferencesCurrentApplication);
};

TEST_F(PreferenceTest, StoresReadBackAndSaves) {
    const std::tuple<const char*, QByteArray, Stored> rows[] = {
        // the store's bytes (null: no store at all), what reads back
        {"nothing stored", {}, {}},
        {"earlier build", kEarlierStore, {"Orvel A", kEarlierList}},
        {"damaged", "\x01\xff[General\n=\x01\x02PrinterModelList/size=zz\n", {}}};
    for (const auto& [name, bytes, stored] : rows) {
        SCOPED_TRACE(name);
        QFile::remove(store);
        if (!bytes.isNull())
            config.write(store.mid(config.path().size() + 1), bytes);
        EXPECT_EQ(read(), stored);
        EXPECT_EQ(read().first.isNull(), stored.first.isNull());
        EXPECT_EQ(QFileInfo::exists(store), !bytes.isNull());
        const ino_t before = inode(); // the same pair saved again leaves the store as it is
        ASSERT_TRUE(!stored.second ||
                    CUPreference().SavePrinterSelection(*stored.second, stored.first));
        EXPECT_EQ(inode(), before);
    }
    // A new pair replaces the store, damaged or not, and reads back in order.
    const QStringList odd{QStringLiteral("nul\u0000f\u0001") + "1", "@@twice", "@Invalid()"};
    for (const QStringList& list : {kEarlierList + odd, QStringList{"Only"}, QStringList{}}) {
        const ino_t before = inode();
        ASSERT_TRUE(CUPreference().SavePrinterSelection(list, "Orvel A"));
        EXPECT_NE(inode(), before);
        EXPECT_EQ(read(), Stored("Orvel A", list));
    }
    // Stores of one size, saved quicker than the clock's millisecond: each reads back itself.
    for (int i = 0; i < 50; ++i) {
        const QString name = QString("Orvel %1").arg(i % 10);
        ASSERT_TRUE(CUPreference().SavePrinterSelection({name}, name));
        ASSERT_EQ(read(), Stored(name, QStringList{name})) << i;
    }
    // A list where the name belongs, a name where the list belongs: nothing.
    const QString domain = platform::kPreferencesCurrentApplication;
    ASSERT_TRUE(platform::setPreferenceValue("SelectPrinterModelName", QStringList{"a"}, domain));
    ASSERT_TRUE(platform::setPreferenceValue("PrinterModelList", "single", domain));
    EXPECT_TRUE(read().first.isNull());
    EXPECT_EQ(read().second, std::nullopt);
}

TEST_F(PreferenceTest, StoresThatCannotBeUsed) {
    ASSERT_TRUE(CUPreference().SavePrinterName("Orvel A"));
    QFile::setPermissions(store, QFileDevice::WriteOwner);
    QFile::setPermissions(QFileInfo(store).absolutePath(),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    // As an ordinary user: permissions do not bind root.
    EXPECT_TRUE(testsupport::asOrdinaryUser({config.path(), app.basePath()}, [&] {
        EXPECT_EQ(read(), Stored());
        EXPECT_FALSE(CUPreference().SavePrinterName("Orvel B"));
        EXPECT_FALSE(CUPreference().SavePrinterList({"Orvel B"}));
    }));
    QFile::setPermissions(QFileInfo(store).absolutePath(), QFileDevice::Permissions(0x7700));
    // A program whose identifier is no file name has no store.
    testsupport::FakeApplication anonymous("Anon", {{"CFBundleIdentifier", "../escape"}});
    EXPECT_FALSE(CUPreference().SavePrinterName("Orvel A"));
    EXPECT_EQ(read(), Stored());
    EXPECT_FALSE(QFileInfo::exists(config.path() + "/escape.ini"));
}

} // namespace
