// The demo installation's content hangs together: string tables, pictures and machine
// bundles, read from the source tree through the program's own readers.
#include "localize/Localize.h"
#include "platform/PropertyList.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QImageReader>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kResources = TRELLIS_RESOURCES_DIR;

// "a=b|c=d" (a CMake list joined for the compiler) as {a: b, c: d}.
QMap<QString, QString> table(const char* joined) {
    QMap<QString, QString> result;
    for (const QString& entry : QString(joined).split('|', Qt::SkipEmptyParts))
        result.insert(entry.section('=', 0, -2), entry.section('=', -1));
    return result;
}
// The same back as "a=b|c=d", readable in a failure message.
std::string flat(const QMap<QString, QString>& map) {
    QStringList entries;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        entries << it.key() + '=' + it.value();
    return entries.join('|').toStdString();
}

// Every string the launcher asks for has a text of at most 255 bytes (alerts and menus take
// the length-prefixed form) and a font in both languages; all but the tool names are
// translated, and those are the tool folders' names.
TEST(StringTables, EveryIdentifierHasTextAndFontInBothLanguages) {
    testsupport::FakeApplication app;
    for (const QString language : {"English", "Japanese"})
        for (const QString file : {"Localize.ini", "L_Const.ini", "L_Font.ini"})
            app.writeSetting(
                file,
                testsupport::readFile(kResources + "/" + language + ".lproj/Settings/" + file),
                "\r\n", language + ".lproj/Settings");
    const QStringList tools = QString(TRELLIS_TOOL_NAMES).split('|');
    QStringList ids{"00000000", "00000002", "00000003", "00000012", "00000013",
                    "00010000", "00010001", "00010002", "00010003", "00010004",
                    "00010005", "00020000", "00020001", "00030000", "00030002"};
    for (int slot = 0; slot < 7; ++slot)
        ids << QString("0000010%1").arg(slot) << QString("0000020%1").arg(slot);
    QMap<QString, QString> texts[2];
    for (const int japanese : {0, 1}) {
        platform::setPreferredLanguagesForTesting(QStringList{japanese ? "ja" : "en"});
        CLocalize::DestroyInstance();
        for (const QString& id : ids) {
            SCOPED_TRACE((id + (japanese ? " ja" : " en")).toStdString());
            short size = 0, style = 0;
            EXPECT_TRUE(CLocalize::GetInstance()->GetLocalizeString(
                id.toLatin1(), texts[japanese][id], &size, &style));
            EXPECT_TRUE(CLocalize::GetInstance()->GetLocalizeString(id.toLatin1(), nullptr, nullptr,
                                                                    nullptr));
            EXPECT_GT(size, 0);
        }
    }
    CLocalize::DestroyInstance();
    platform::setPreferredLanguagesForTesting(std::nullopt);
    EXPECT_EQ(texts[1].value("00000013"), "終了");
    for (const QString& id : ids)
        EXPECT_EQ(texts[0].value(id) == texts[1].value(id), id.startsWith("000001"))
            << id.toStdString();
    for (int slot = 0; slot < 7; ++slot)
        EXPECT_EQ(texts[0].value(QString("0000010%1").arg(slot)), tools.value(slot));
}

// Opaque (nothing to blend when painted) and of their size, each with its double-size variant;
// a button's corners show the background of its place in the column; every picture that an
// interface file names is among them.
TEST(Pictures, EveryPictureIsAnOpaquePngOfItsSizeWithItsDoubleSizeVariant) {
    QMap<QString, QSize> sizes{{"img_background", {560, 640}}, {"img_about", {420, 120}}};
    for (int tool = 1; tool <= 7; ++tool)
        for (const char* state : {"normal", "over", "pressed"})
            sizes.insert(QString("img_app0%1_%2").arg(tool).arg(state), {380, 60});
    const QString folder = kResources + "/pictures/";
    const QImage background(folder + "img_background.png");
    for (auto it = sizes.cbegin(); it != sizes.cend(); ++it)
        for (const int scale : {1, 2}) {
            const QString name = it.key() + (scale == 2 ? "@2x.png" : ".png");
            QImageReader reader(folder + name);
            EXPECT_EQ(reader.format(), "png") << name.toStdString();
            const QImage image = reader.read();
            EXPECT_EQ(image.size(), it.value() * scale) << name.toStdString();
            EXPECT_FALSE(image.hasAlphaChannel()) << name.toStdString();
            const int slot = name.mid(8, 1).toInt() - 1;
            EXPECT_TRUE(scale == 2 || !name.startsWith("img_app") ||
                        image.pixel(0, 0) == background.pixel(32, 112 + 68 * slot))
                << name.toStdString() << " shows another background in its corner";
        }
    for (const QString& ui : QDir(kResources + "/main.nib").entryList({"*.ui"}))
        for (const auto& match :
             QRegularExpression("([\\w-]+)\\.png")
                 .globalMatch(testsupport::readFile(kResources + "/main.nib/" + ui)))
            EXPECT_TRUE(sizes.contains(match.captured(1)))
                << ui.toStdString() << " names " << match.captured().toStdString();
    const QImage icon(folder + "trellis.png");
    EXPECT_EQ(icon.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "the desktop icon keeps its transparent corners";
}

// The machine bundles serve the demo printers of the build's tables with their initials and
// tool masks, and every tool button appears for some demo printer.
TEST(MachineBundles, CoverTheDemoPrintersWithInitialsAndMasks) {
    QMap<QString, QString> domestic, worldwide, masks = table(TRELLIS_DEMO_TOOL_MASKS);
    const QDir folder(kResources + "/machines");
    for (const QString& name : folder.entryList({"*.bundle"}, QDir::Dirs)) {
        SCOPED_TRACE(name.toStdString());
        const auto info =
            platform::readPropertyListDictionary(folder.filePath(name + "/Contents/Info.plist"));
        const auto setting = platform::readPropertyListDictionary(
            folder.filePath(name + "/Contents/Resources/Setting.xml"));
        ASSERT_TRUE(info && setting);
        EXPECT_FALSE(info->value("CFBundleVersion").toString().isEmpty());
        for (const QString& model : setting->value("MODEL").toStringList()) {
            (setting->contains("IsWorldWideOnly") ? worldwide : domestic)
                .insert(model, setting->value("INITIAL").toMap().value(model).toString());
            const QVariant mask = setting->value("FUNCTION").toMap().value(model);
            EXPECT_EQ(mask.typeId(), QMetaType::LongLong) << model.toStdString();
            EXPECT_EQ(masks.take(model), mask.toString()) << model.toStdString();
        }
    }
    EXPECT_EQ(flat(domestic), flat(table(TRELLIS_DEMO_PRINTERS)));
    EXPECT_EQ(flat(worldwide), flat(table(TRELLIS_DEMO_WORLDWIDE_PRINTERS)));
    EXPECT_EQ(QStringList(masks.keys()), table(TRELLIS_DEMO_INI_PRINTERS).keys())
        << "only Setting.ini's printers are left";
    int offered = 0;
    // On current systems the special models offer tool 7 instead of tool 6.
    for (const auto& [model, mask] : table(TRELLIS_DEMO_TOOL_MASKS).asKeyValueRange())
        offered |= mask.toInt() & (model.startsWith("MX-R") ? ~32 : ~0);
    EXPECT_EQ(offered, 127) << "some tool button appears for no demo printer";
}

} // namespace
