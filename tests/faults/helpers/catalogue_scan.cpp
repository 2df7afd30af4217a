// Builds the machine catalogue of a launcher package and prints one model per line, after
// a first line "status=<OnInitialize's status> count=<records>"; with --functions, each
// model is followed by " function=<its FUNCTION mask>".
//   catalogue_scan [--functions] <package>
#include "catalogue/SettingFileEx.h"
#include "catalogue/SupportMachine.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool functions = arguments.removeAll(QStringLiteral("--functions")) > 0;
    if (arguments.size() != 1)
        return 2;
    platform::Bundle::setMainBundlePathForTesting(arguments.at(0));
    QString folder;
    if (CSettingFileEx::GetMachineBundleBasePath(&folder) != noErr)
        return 3;
    CSupportMachine machines;
    const OSStatus status = machines.OnInitialize(folder);
    std::printf("status=%d count=%ld\n", static_cast<int>(status),
                machines.GetSupportPrinterCount());
    for (long i = 0; i < machines.GetSupportPrinterCount(); ++i) {
        const QString name = machines.GetPrinterNameWithIndex(i);
        if (functions)
            std::printf("%s function=%d\n", name.toUtf8().constData(),
                        static_cast<int>(machines.GetFunctionAttribute(name)));
        else
            std::printf("%s\n", name.toUtf8().constData());
    }
    return 0;
}
