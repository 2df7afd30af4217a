// The demo installation's content hangs together: string tables, pictures, machine bundles
// and Setting.ini, checked from the source tree through the program's own readers.

#include "config/SettingFile.h"
#include "localize/Localize.h"
#include "platform/PropertyList.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

const QString kResources = QStringLiteral(TRELLIS_RESOURCES_DIR);

const QStringList kToolNames{"Kestrel Loader",       "Status Lantern",  "Sheet Glide Tuner",
                             "Stock Profile Editor", "Nozzle Care Kit", "Stock Profile Vault",
                             "Stock Vault Setup"};
const QStringList kPluginPrefixes{"KL", "SL", "SGT", "SPE", "NCK", "SPV", "SPV2"};
const QList<int> kStandInTools{0, 1, 4, 5, 6};
const QStringList kSpecialModels{"MX-R74400 Series", "MX-R54400 Series", "MX-R34400 Series"};

// "a=b|c=d" (a CMake list joined for the compiler) as {a: b, c: d}.
QMap<QString, QString> table(const char* joined) {
    QMap<QString, QString> result;
    for (const QString& entry : QString::fromUtf8(joined).split(u'|', Qt::SkipEmptyParts)) {
        const qsizetype eq = entry.lastIndexOf(u'=');
        result.insert(entry.left(eq), entry.mid(eq + 1));
    }
    return result;
}

// The same table back as "a=b|c=d", readable in a failure message.
std::string flat(const QMap<QString, QString>& map) {
    QStringList entries;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        entries << it.key() + u'=' + it.value();
    return entries.join(u'|').toStdString();
}

QByteArray source(const QString& relative) {
    QFile file(kResources + QLatin1Char('/') + relative);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative.toStdString();
    return file.readAll();
}

// The string identifiers the launcher asks for, the tool buttons' included.
QStringList requiredStrings() {
    QStringList ids{"00000000", "00000002", "00000003", "00000012", "00000013",
                    "00010000", "00010001", "00010002", "00010003", "00010004",
                    "00010005", "00020000", "00020001", "00030000", "00030002"};
    for (int slot = 0; slot < 7; ++slot)
        ids << QStringLiteral("000001%1").arg(slot, 2, 10, QLatin1Char('0'))
            << QStringLiteral("000002%1").arg(slot, 2, 10, QLatin1Char('0'));
    return ids;
}

class StringTables : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* language : {"English", "Japanese"})
            for (const char* file : {"Localize.ini", "L_Const.ini", "L_Font.ini"})
                app.writeSetting(file,
                                 source(QStringLiteral("%1.lproj/Settings/%2")
                                            .arg(QLatin1String(language), QLatin1String(file))),
                                 "\r\n", QStringLiteral("%1.lproj/Settings").arg(language));
    }
    void TearDown() override {
        CLocalize::DestroyInstance();
        platform::setPreferredLanguagesForTesting(std::nullopt);
    }
    // The table as the program loads it for a user of that language.
    static QMap<QString, QString> load(const QString& language) {
        platform::setPreferredLanguagesForTesting(QStringList{language});
        CLocalize::DestroyInstance();
        CLocalize* localize = CLocalize::GetInstance();
        QMap<QString, QString> texts;
        for (const QString& id : requiredStrings()) {
            const QByteArray key = id.toLatin1();
            QString text;
            short size = 0;
            short style = 0;
            EXPECT_TRUE(localize->GetLocalizeString(key.constData(), text, &size, &style))
                << language.toStdString() << " " << key.constData();
            // Alerts and menus take the length-prefixed form, which holds 255 bytes.
            EXPECT_TRUE(localize->GetLocalizeString(key.constData(), nullptr, nullptr, nullptr))
                << language.toStdString() << " " << key.constData() << " is over 255 bytes";
            EXPECT_GT(size, 0) << language.toStdString() << " " << key.constData();
            texts.insert(id, text);
        }
        return texts;
    }

    testsupport::FakeApplication app;
};

TEST_F(StringTables, EveryIdentifierHasTextAndFontInBothLanguages) {
    const auto english = load(QStringLiteral("en"));
    const auto japanese = load(QStringLiteral("ja"));
    EXPECT_EQ(english.value("00000013"), QStringLiteral("Quit"));
    EXPECT_EQ(japanese.value("00000013"), QStringLiteral("終了"));
    // Every text that is not a product name is translated.
    for (const QString& id : requiredStrings()) {
        if (id.startsWith(QLatin1String("000001"))) {
            EXPECT_EQ(english.value(id), japanese.value(id)) << id.toStdString();
        } else {
            EXPECT_NE(english.value(id), japanese.value(id)) << id.toStdString();
        }
    }
    EXPECT_EQ(english.value("00000100"), kToolNames.at(0));
    EXPECT_EQ(english.value("00000106"), kToolNames.at(6));
}

TEST(Pictures, EveryPictureIsAPngOfItsSizeWithItsDoubleSizeVariant) {
    QMap<QString, QSize> expected{{"img_background.png", {560, 640}},
                                  {"img_about.png", {420, 120}}};
    for (int tool = 1; tool <= 7; ++tool)
        for (const char* state : {"normal", "over", "pressed"})
            expected.insert(QStringLiteral("img_app%1_%2.png")
                                .arg(tool, 2, 10, QLatin1Char('0'))
                                .arg(QLatin1String(state)),
                            QSize(380, 60));
    // Pictures that any interface file of the tree names must be among them.
    QDirIterator uiFiles(kResources, {"*.ui"}, QDir::Files, QDirIterator::Subdirectories);
    while (uiFiles.hasNext()) {
        QFile ui(uiFiles.next());
        ASSERT_TRUE(ui.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(ui.readAll());
        for (const auto& match :
             QRegularExpression(QStringLiteral("[\\w.-]+\\.png")).globalMatch(text))
            EXPECT_TRUE(expected.contains(match.captured()))
                << ui.fileName().toStdString() << " names " << match.captured().toStdString();
    }
    const QString folder = kResources + QStringLiteral("/pictures/");
    const QImage background = QImage(folder + "img_background.png");
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        QString doubled = it.key();
        doubled.insert(doubled.lastIndexOf('.'), QStringLiteral("@2x"));
        for (const auto& [name, size] :
             {std::pair{it.key(), it.value()}, std::pair{doubled, it.value() * 2}}) {
            QImageReader reader(folder + name);
            EXPECT_EQ(reader.format(), QByteArray("png")) << name.toStdString();
            const QImage image = reader.read();
            EXPECT_EQ(image.size(), size) << name.toStdString();
            // Window pictures are opaque: nothing to blend when they are painted.
            EXPECT_FALSE(image.hasAlphaChannel()) << name.toStdString();
        }
        // A button's rounded corners show the background of its place in the column.
        if (it.key().startsWith(QLatin1String("img_app"))) {
            const int slot = it.key().mid(7, 2).toInt() - 1;
            const QImage button(folder + it.key());
            EXPECT_EQ(button.pixel(0, 0), background.pixel(32, 112 + 68 * slot));
        }
    }
    // The desktop's icon keeps its transparent corners.
    const QImage icon(folder + "trellis.png");
    EXPECT_EQ(icon.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
}

TEST(MachineBundles, CoverTheDemoPrintersWithInitialsAndMasks) {
    const auto masks = table(TRELLIS_DEMO_TOOL_MASKS);
    QMap<QString, QString> domestic;
    QMap<QString, QString> worldwide;
    int toolsOffered = 0;
    const QDir folder(kResources + QStringLiteral("/machines"));
    const QStringList bundles = folder.entryList({"*.bundle"}, QDir::Dirs);
    ASSERT_GE(bundles.size(), 3);
    for (const QString& name : bundles) {
        SCOPED_TRACE(name.toStdString());
        const auto info =
            platform::readPropertyListDictionary(folder.filePath(name + "/Contents/Info.plist"));
        ASSERT_TRUE(info);
        EXPECT_FALSE(info->value("CFBundleVersion").toString().isEmpty());
        const auto setting = platform::readPropertyListDictionary(
            folder.filePath(name + "/Contents/Resources/Setting.xml"));
        ASSERT_TRUE(setting);
        const QVariantMap initials = setting->value("INITIAL").toMap();
        const QVariantMap functions = setting->value("FUNCTION").toMap();
        const QStringList models = setting->value("MODEL").toStringList();
        EXPECT_FALSE(models.isEmpty());
        for (const QString& model : models) {
            EXPECT_FALSE(initials.value(model).toString().isEmpty()) << model.toStdString();
            ASSERT_EQ(functions.value(model).typeId(), QMetaType::LongLong) << model.toStdString();
            const int mask = functions.value(model).toInt();
            EXPECT_EQ(QString::number(mask).toStdString(), masks.value(model).toStdString())
                << model.toStdString();
            // On current systems the special models offer tool 7 instead of tool 6.
            toolsOffered |= kSpecialModels.contains(model) ? (mask & ~32) : mask;
            (setting->contains("IsWorldWideOnly") ? worldwide : domestic)
                .insert(model, initials.value(model).toString());
        }
    }
    EXPECT_EQ(flat(domestic), flat(table(TRELLIS_DEMO_PRINTERS)));
    EXPECT_EQ(flat(worldwide), flat(table(TRELLIS_DEMO_WORLDWIDE_PRINTERS)));
    for (const QString& model : table(TRELLIS_DEMO_INI_PRINTERS).keys())
        toolsOffered |= masks.value(model).toInt();
    EXPECT_EQ(toolsOffered, 127) << "some tool button appears for no demo printer";
}

// Setting.ini resolves against the layout the installation produces.
TEST(SettingIni, NamesTheToolsAndThePluginsOfItsPrinters) {
    testsupport::FakeApplication app;
    app.writeSetting("Setting.ini", source("Settings/Setting.ini"));
    for (const QString& tool : kToolNames)
        app.tree().mkdir(tool + "/" + tool + ".app/Contents");
    const auto printers = table(TRELLIS_DEMO_INI_PRINTERS);
    const auto masks = table(TRELLIS_DEMO_TOOL_MASKS);
    for (auto it = printers.constBegin(); it != printers.constEnd(); ++it)
        for (int index : kStandInTools)
            if (masks.value(it.key()).toInt() & (1 << index))
                app.tree().mkdir(
                    QStringLiteral("%1/Plugin/PrinterPlugin/%2%3.plugin/Contents")
                        .arg(kToolNames.at(index), kPluginPrefixes.at(index), it.value()));

    CSettingFile::DestroyInstance();
    CSettingFile* setting = CSettingFile::GetInstance();
    for (int index = 0; index < 7; ++index)
        EXPECT_FALSE(setting->GetApplicationURL(index).isEmpty()) << index;
    ASSERT_EQ(setting->GetSupportPrinterNum(), printers.size());
    for (long k = 0; k < setting->GetSupportPrinterNum(); ++k) {
        const QString name = setting->GetSupportPrinterName(k);
        ASSERT_TRUE(printers.contains(name)) << name.toStdString();
        for (long tool = 0; tool < 7; ++tool)
            EXPECT_EQ(setting->IsSupportPrinter(k, tool),
                      (masks.value(name).toInt() & (1 << tool)) != 0)
                << name.toStdString() << " tool " << tool;
    }
    CSettingFile::DestroyInstance();
}

} // namespace
