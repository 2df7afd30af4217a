// The launcher's stored printer list and selection.
#include "catalogue/Preference.h"

#include "CatalogueFixture.h"
#include "platform/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using cataloguetest::is;

namespace {

// What the earlier build wrote; the list it holds.
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

class PreferenceTest : public ::testing::Test {
protected:
    QString storePath() const {
        return platform::preferencesPath(platform::kPreferencesCurrentApplication);
    }
    void store(const QByteArray& bytes) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
        QFile file(storePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // The stored name (null for none) and list (none when absent or of another type).
    static std::pair<QString, std::optional<QStringList>> read() {
        const CUPreference preference;
        QString name{"stale"};
        EXPECT_TRUE(preference.GetPrinterName(&name));
        QStringList list{"stale"};
        return {name, preference.GetPrinterList(&list) ? std::optional(list) : std::nullopt};
    }

    testsupport::TempTree config;
    testsupport::ScopedEnvironment configHome{"XDG_CONFIG_HOME", QFile::encodeName(config.path())};
    testsupport::FakeApplication app;
};

TEST_F(PreferenceTest, StoresReadBack) {
    const struct {
        const char* name;
        const char* bytes; // nullptr: no store at all
        const char* printer;
        std::optional<QStringList> list;
    } rows[] = {
        {"nothing stored", nullptr, nullptr, std::nullopt},
        {"earlier build", kEarlierStore.constData(), "Orvel A", kEarlierList},
        {"damaged", "\x01\xff[General\n=\x01\x02PrinterModelList/size=zz\n", nullptr, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(storePath());
        if (row.bytes)
            store(row.bytes);
        const auto [printer, list] = read();
        EXPECT_TRUE(is(printer, row.printer));
        EXPECT_EQ(list, row.list);
        EXPECT_EQ(QFileInfo::exists(storePath()), row.bytes != nullptr);
    }
    // A damaged store is replaced on save.
    ASSERT_TRUE(CUPreference().SavePrinterName("Orvel A"));
    EXPECT_TRUE(is(read().first, "Orvel A"));
}

TEST_F(PreferenceTest, SavedValuesKeepOrderAndType) {
    CUPreference preference;
    const QStringList list = kEarlierList + QStringList{QStringLiteral("nul\u0000f\u0001") + "1",
                                                        "@@twice", "@Invalid()"};
    for (const QStringList& saved : {list, QStringList{"Only"}, QStringList{}}) {
        ASSERT_TRUE(preference.SavePrinterList(saved));
        ASSERT_TRUE(preference.SavePrinterName("Orvel A"));
        EXPECT_EQ(read(), std::pair(QString("Orvel A"), std::optional(saved)));
    }
    // A list where the name belongs, a name where the list belongs: nothing.
    ASSERT_TRUE(platform::setPreferenceValue("SelectPrinterModelName", QStringList{"a", "b"},
                                             platform::kPreferencesCurrentApplication));
    ASSERT_TRUE(platform::setPreferenceValue("PrinterModelList", QStringLiteral("single"),
                                             platform::kPreferencesCurrentApplication));
    const auto [printer, stored] = read();
    EXPECT_TRUE(printer.isNull());
    EXPECT_EQ(stored, std::nullopt);
}

TEST_F(PreferenceTest, TheSamePairIsNotRewritten) {
    store(kEarlierStore);
    const auto inode = [&] {
        struct stat info {};
        return lstat(QFile::encodeName(storePath()).constData(), &info) == 0 ? info.st_ino
                                                                             : ino_t(0);
    };
    const ino_t before = inode();
    CUPreference preference;
    ASSERT_TRUE(preference.SavePrinterSelection(kEarlierList, "Orvel A"));
    EXPECT_EQ(inode(), before);
    ASSERT_TRUE(preference.SavePrinterSelection(kEarlierList.mid(1), "Orvel A"));
    EXPECT_NE(inode(), before);
    EXPECT_EQ(read().second, kEarlierList.mid(1));
}

TEST_F(PreferenceTest, StoresThatCannotBeUsed) {
    if (geteuid() != 0) { // permissions do not bind root
        ASSERT_TRUE(CUPreference().SavePrinterName("Orvel A"));
        QFile::setPermissions(storePath(), QFileDevice::WriteOwner);
        EXPECT_TRUE(read().first.isNull());
        QFile::setPermissions(storePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QString folder = QFileInfo(storePath()).absolutePath();
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(CUPreference().SavePrinterName("Orvel B"));
        EXPECT_FALSE(CUPreference().SavePrinterList({"Orvel B"}));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    }
    // A program whose identifier is no file name has no store.
    testsupport::FakeApplication anonymous(QStringLiteral("Anon"),
                                           {{"CFBundleIdentifier", "../escape"}});
    EXPECT_FALSE(CUPreference().SavePrinterName("Orvel A"));
    EXPECT_TRUE(read().first.isNull());
    EXPECT_FALSE(QFileInfo::exists(config.path() + "/escape.ini"));
}

} // namespace
