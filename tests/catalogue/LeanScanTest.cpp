// The scan of the machine-bundle folder: one language answer per scan, worked out again for
// the next; Setting.xml read before the Resources folder is looked at; kept dictionaries
// answer per bundle; hostile files where a bundle's files belong skip that bundle only, at once.
#include "CatalogueFixture.h"
#include "catalogue/MachineBundle.h"
#include "catalogue/SupportMachine.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QUrl>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using cataloguetest::CatalogueTest;
using cataloguetest::setting;

namespace {

class LeanScanTest : public CatalogueTest {
protected:
    void localize(const QStringList& lprojs) const {
        for (const QString& lproj : lprojs)
            app->tree().write(QStringLiteral("Trellis.app/Contents/Resources/") + lproj +
                                  QStringLiteral(".lproj/InfoPlist.strings"),
                              "\"CFBundleName\" = \"Trellis\";\n");
    }
    QStringList scan() const {
        CSupportMachine machines;
        machines.OnInitialize(machineFolder());
        QStringList models;
        for (long i = 0; i < machines.GetSupportPrinterCount(); ++i)
            models.append(machines.GetPrinterNameWithIndex(i));
        return models;
    }
    void writeWorldWideAndPlain() const {
        QVariantMap hidden = setting({"W-1"});
        hidden.insert("IsWorldWideOnly", true);
        writeBundle(QStringLiteral("A.bundle"), hidden);
        writeBundle(QStringLiteral("B.bundle"), setting({"P-1"}));
        QVariantMap hiddenToo = setting({"W-2"});
        hiddenToo.insert("IsWorldWideOnly", QStringLiteral("yes"));
        writeBundle(QStringLiteral("C.bundle"), hiddenToo);
    }
};

TEST_F(LeanScanTest, TheLanguageAnswerHoldsForAScopeAndIsWorkedOutAfreshAfterIt) {
    localize({"English", "Japanese"});
    platform::setPreferredLanguagesForTesting(QStringList{"ja"});
    {
        const CMachineBundle::LanguageScope scope;
        EXPECT_TRUE(CMachineBundle::IsJapaneseLanguage());
        platform::setPreferredLanguagesForTesting(QStringList{"en"});
        EXPECT_TRUE(CMachineBundle::IsJapaneseLanguage()) << "asked twice within one scope";
        {
            const CMachineBundle::LanguageScope inner;
            EXPECT_TRUE(CMachineBundle::IsJapaneseLanguage());
        }
        // The inner scope's end does not forget the outer scope's answer.
        EXPECT_TRUE(CMachineBundle::IsJapaneseLanguage());
    }
    EXPECT_FALSE(CMachineBundle::IsJapaneseLanguage());
    {
        const CMachineBundle::LanguageScope scope;
        EXPECT_FALSE(CMachineBundle::IsJapaneseLanguage());
        // A scope that is never asked leaves nothing behind for the next.
    }
    platform::setPreferredLanguagesForTesting(QStringList{"ja"});
    {
        const CMachineBundle::LanguageScope scope;
        EXPECT_TRUE(CMachineBundle::IsJapaneseLanguage());
    }
}

TEST_F(LeanScanTest, EachScanSeesTheLanguageAndResourcesOfItsTime) {
    writeWorldWideAndPlain();
    localize({"English", "Japanese"});
    platform::setPreferredLanguagesForTesting(QStringList{"ja"});
    EXPECT_EQ(scan(), QStringList{"P-1"});
    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    EXPECT_EQ(scan(), QStringList({"W-1", "P-1", "W-2"}));
    platform::setPreferredLanguagesForTesting(QStringList{"ja"});
    EXPECT_EQ(scan(), QStringList{"P-1"});
    // The Japanese folder taken away from Trellis's Resources: no longer Japanese.
    ASSERT_TRUE(QDir(app->resourcesPath() + "/Japanese.lproj").removeRecursively());
    EXPECT_EQ(scan(), QStringList({"W-1", "P-1", "W-2"}));
}

TEST_F(LeanScanTest, SettingXmlDecidesBeforeTheResourcesFolderIsLookedAt) {
    // Read fine: a dictionary.
    const QString good = writeBundle(QStringLiteral("Good.bundle"), setting({"G-1"}));
    CMachineBundle read;
    EXPECT_EQ(read.OnInitialize(QUrl::fromLocalFile(good)), noErr);
    ASSERT_NE(read.GetSettingDictionary(), nullptr);
    ASSERT_NE(read.GetBundle(), nullptr);
    EXPECT_EQ(read.GetBundle()->version(), "2.0.1");

    // No Resources folder, or a file in its place: open, nothing to say, status 0.
    app->tree().mkdir("MachineBundle/Bare.bundle/Contents");
    CMachineBundle bare;
    EXPECT_EQ(bare.OnInitialize(QUrl::fromLocalFile(machineFolder() + "/Bare.bundle")), noErr);
    EXPECT_EQ(bare.GetSettingDictionary(), nullptr);
    app->tree().write("MachineBundle/Flat.bundle/Contents/Resources", "a file");
    CMachineBundle flat;
    EXPECT_EQ(flat.OnInitialize(QUrl::fromLocalFile(machineFolder() + "/Flat.bundle")), noErr);
    EXPECT_EQ(flat.GetSettingDictionary(), nullptr);

    // A Resources folder without a readable Setting.xml: -50.
    app->tree().mkdir("MachineBundle/Empty.bundle/Contents/Resources");
    CMachineBundle empty;
    EXPECT_EQ(empty.OnInitialize(QUrl::fromLocalFile(machineFolder() + "/Empty.bundle")), paramErr);
    EXPECT_EQ(empty.GetSettingDictionary(), nullptr);
}

TEST_F(LeanScanTest, KeptValuesAnswerPerBundleAndTheFirstBundleOfAModelWins) {
    // Only the values asked of a bundle are kept; keys of no use are dropped as read, and
    // entries of the tables that name no model of the bundle are kept all the same.
    QVariantMap first = setting({"A-1", "A-2"}, {{"A-1", "IA1"}, {"A-2", "IA2"}, {"Z-0", "IZ"}},
                                {{"A-1", 5}, {"A-2", -1}});
    first.insert("Extra", QVariantList{"dropped", true, 3});
    const QVariantMap second =
        setting({"B-1", "A-1"}, {{"B-1", "IB1"}, {"A-1", "other"}}, {{"B-1", 64}, {"A-1", 2}});
    writeBundle(QStringLiteral("A.bundle"), first);
    writeBundle(QStringLiteral("B.bundle"), second);
    CSupportMachine machines;
    ASSERT_EQ(machines.OnInitialize(machineFolder()), noErr);
    struct Row {
        const char* model;
        QStringList models;
        const char* initial;
        std::int32_t function;
    };
    const Row rows[] = {
        {"A-1", {"A-1", "A-2"}, "IA1", 5},
        {"B-1", {"B-1", "A-1"}, "IB1", 64},
        {"A-2", {"A-1", "A-2"}, "IA2", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.model);
        const platform::MachineSetting* kept = nullptr;
        ASSERT_EQ(machines.SearchSettingDictionary(row.model, &kept), noErr);
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->modelNames, row.models);
        EXPECT_EQ(machines.GetPrinterInitial(row.model), row.initial);
        EXPECT_EQ(machines.GetFunctionAttribute(row.model), row.function);
    }
    const platform::MachineSetting* kept = nullptr;
    ASSERT_EQ(machines.SearchSettingDictionary("A-1", &kept), noErr);
    ASSERT_NE(kept->find("Z-0"), nullptr);
    EXPECT_EQ(kept->find("Z-0")->initial, "IZ");
    EXPECT_EQ(machines.SearchSettingDictionary("Z-9", nullptr), paramErr);
    // Cleaned up, nothing is answered from what was kept before.
    machines.CleanupClass();
    EXPECT_EQ(machines.SearchSettingDictionary("A-1", nullptr), paramErr);
    EXPECT_TRUE(machines.GetPrinterInitial("A-1").isNull());
}

enum class Hostile { Fifo, DevZero, Folder, OverCap };

// Puts a hostile object where a file belongs, replacing the file.
void makeHostile(const QString& path, Hostile kind) {
    QFile::remove(path);
    const QByteArray native = QFile::encodeName(path);
    switch (kind) {
    case Hostile::Fifo:
        ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
        break;
    case Hostile::DevZero:
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
        break;
    case Hostile::Folder:
        ASSERT_TRUE(QDir().mkpath(path));
        break;
    case Hostile::OverCap: {
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, off_t(platform::kMaxPropertyListFileSize + 1)), 0);
        ::close(fd);
        break;
    }
    }
}

TEST_F(LeanScanTest, HostileFilesSkipTheirBundleOnlyAndNeverBlock) {
    // Every hostile kind, as Setting.xml and as Info.plist, between good bundles. Were a
    // FIFO opened for reading as a plain file, the scan would wait here for ever (the test
    // run's time limit then fails it).
    writeBundle(QStringLiteral("A.bundle"), setting({"A-1"}));
    QStringList expected{"A-1"};
    int n = 0;
    for (const Hostile kind :
         {Hostile::Fifo, Hostile::DevZero, Hostile::Folder, Hostile::OverCap}) {
        for (const char* file : {"Resources/Setting.xml", "Info.plist"}) {
            const QString name = QStringLiteral("H%1.bundle").arg(n++);
            const QString bundle = writeBundle(name, setting({"H-" + name}));
            makeHostile(bundle + "/Contents/" + QLatin1String(file), kind);
            const QString good = QStringLiteral("H%1-good.bundle").arg(n - 1);
            writeBundle(good, setting({"G-" + good}));
            expected.append("G-" + good);
        }
    }
    EXPECT_EQ(scan(), expected);
}

} // namespace
