// The property-list reader and the look-ups of "Setting.xml" and "Info.plist".
#include "FuzzSupport.h"
#include "catalogue/MachineBundle.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ensureCoreApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    platform::parsePropertyList(bytes);

    const QString bundle = fuzzScratch() + QStringLiteral("/Fuzz.bundle");
    writeFile(bundle + QStringLiteral("/Contents/Info.plist"), bytes);
    writeFile(bundle + QStringLiteral("/Contents/Resources/Setting.xml"), bytes);
    if (const auto info = platform::Bundle::create(bundle)) {
        info->version();
        info->executablePath();
    }
    CMachineBundle machine;
    if (machine.OnInitialize(QUrl::fromLocalFile(bundle)) == 0) {
        QStringList models;
        if (machine.GetSupportPrinter(&models) == 0) {
            for (const QString& model : models) {
                QString initial;
                machine.GetInitialString(model, &initial);
                machine.IsSupportPrinter(model);
            }
        }
    }
    return 0;
}
