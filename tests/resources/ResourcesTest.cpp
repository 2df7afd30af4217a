// The demo installation's string tables and pictures, read from the source tree through the
// program's own readers. (Its machine bundles and Setting.ini: the hostile-files runs.)
#include "localize/Localize.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace {

const QString kResources = TRELLIS_RESOURCES_DIR;

// Every string the launcher asks for has a text of at most 255 bytes (alerts and menus take
// the length-prefixed form) and a font in both languages; all but the tool names, which are
// the tool folders' names, are translated.
TEST(StringTables, EveryIdentifierHasTextAndFontInBothLanguages) {
    testsupport::FakeApplication app;
    for (const QString language : {"English", "Japanese"})
        for (const QString file : {"Localize.ini", "L_Const.ini", "L_Font.ini"})
            app.writeSetting(
                file,
                testsupport::readFile(kResources + "/" + language + ".lproj/Settings/" + file),
                "\r\n", language + ".lproj/Settings");
    QStringList ids =
        QString("00000000 00000002 00000003 00000012 00000013 00010000 00010001 00010002 00010003 "
                "00010004 00010005 00020000 00020001 00030000 00030002")
            .split(' ');
    for (const int kind : {1, 2})
        for (int slot = 0; slot < 7; ++slot)
            ids << QString("00000%1").arg(kind * 100 + slot);
    QStringList texts[2];
    for (const int japanese : {0, 1}) {
        platform::setPreferredLanguages(QStringList{japanese ? "ja" : "en"});
        CLocalize::DestroyInstance();
        for (const QString& id : ids) {
            SCOPED_TRACE(id.toStdString());
            short size = 0, style = 0;
            CLocalize* table = CLocalize::GetInstance();
            EXPECT_TRUE(table->GetLocalizeString(id.toLatin1(), texts[japanese].emplace_back(),
                                                 &size, &style));
            EXPECT_TRUE(size > 0 &&
                        table->GetLocalizeString(id.toLatin1(), nullptr, nullptr, nullptr));
        }
    }
    CLocalize::DestroyInstance();
    platform::setPreferredLanguages(std::nullopt);
    for (qsizetype i = 0; i < ids.size(); ++i)
        EXPECT_EQ(texts[0][i] == texts[1][i], ids[i].startsWith("000001")) << ids[i].toStdString();
    EXPECT_EQ(texts[0].mid(15, 7).join('|').toStdString(), TRELLIS_TOOL_NAMES);
}

// Opaque (nothing to blend when painted) PNG files of their size, each with its double-size
// variant.
TEST(Pictures, EveryPictureIsAnOpaquePngOfItsSizeWithItsDoubleSizeVariant) {
    QMap<QString, QSize> sizes{{"img_background", {560, 640}}, {"img_about", {420, 120}}};
    for (int tool = 1; tool <= 7; ++tool)
        for (const char* state : {"normal", "over", "pressed"})
            sizes.insert(QString("img_app0%1_%2").arg(tool).arg(state), {380, 60});
    for (const auto& [picture, size] : sizes.asKeyValueRange())
        for (const QString& variant : {picture + ".png", picture + "@2x.png"}) {
            QImage image;
            EXPECT_TRUE(image.load(kResources + "/pictures/" + variant, "png") &&
                        !image.hasAlphaChannel() &&
                        image.size() == size * (variant.contains('@') ? 2 : 1))
                << variant.toStdString();
        }
}

} // namespace
