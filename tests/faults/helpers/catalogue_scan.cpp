// Builds the machine catalogue of a launcher package and prints one model per line, after
// a first line "status=<OnInitialize's status> count=<records>".
//   catalogue_scan <package>
#include "catalogue/SettingFileEx.h"
#include "catalogue/SupportMachine.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2)
        return 2;
    platform::Bundle::setMainBundlePathForTesting(app.arguments().at(1));
    QString folder;
    if (CSettingFileEx::GetMachineBundleBasePath(&folder) != noErr)
        return 3;
    CSupportMachine machines;
    const OSStatus status = machines.OnInitialize(folder);
    std::printf("status=%d count=%ld\n", static_cast<int>(status),
                machines.GetSupportPrinterCount());
    for (long i = 0; i < machines.GetSupportPrinterCount(); ++i)
        std::printf("%s\n", machines.GetPrinterNameWithIndex(i).toUtf8().constData());
    return 0;
}
