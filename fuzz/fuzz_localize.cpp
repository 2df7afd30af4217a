// The string and font tables loaded from arbitrary "Localize.ini", "L_Const.ini" and
// "L_Font.ini" files.
#include "FuzzSupport.h"
#include "localize/Localize.h"
#include "platform/Bundle.h"

namespace {
const QString& application() {
    static const QString path = [] {
        const QString app = fuzzScratch() + QStringLiteral("/Fuzz.app");
        writeFile(app + QStringLiteral("/Contents/Info.plist"),
                  "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleName</key>"
                  "<string>Fuzz</string></dict></plist>");
        platform::Bundle::setMainBundlePath(app);
        return app;
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ensureCoreApplication();
    const QString settings = application() + QStringLiteral("/Contents/Resources/Settings/");
    // Input: <Localize.ini>\x02<L_Const.ini>\x02<L_Font.ini>
    auto [localize, rest] = splitInput(data, size, '\x02');
    auto [constants, fonts] = splitInput(reinterpret_cast<const uint8_t*>(rest.constData()),
                                         static_cast<size_t>(rest.size()), '\x02');
    writeFile(settings + QStringLiteral("Localize.ini"), localize);
    writeFile(settings + QStringLiteral("L_Const.ini"), constants);
    writeFile(settings + QStringLiteral("L_Font.ini"), fonts);

    CLocalize::DestroyInstance();
    CLocalize* table = CLocalize::GetInstance();
    for (const auto& record : table->Records()) {
        QString text;
        unsigned char pascal[256];
        short fontSize = 0;
        short style = 0;
        table->GetLocalizeString(record.stringID, text, &fontSize, &style);
        table->GetLocalizeString(record.stringID, pascal, &fontSize, &style);
        if (pascal[0] > 255)
            __builtin_trap();
    }
    short fontSize = 0;
    short style = 0;
    table->GetLocalizeFontSetting("00999999", &fontSize, &style);
    return 0;
}
