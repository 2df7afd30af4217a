// Saves printer pairs through the launcher's own quit-time save, after "ready" and a line on
// standard input: pair <tag>-0 ("once"), or <tag>-0, <tag>-1, ... until killed ("loop").
// Pair <t>: the list {"Orvel <t>", then 1 to 6 "Orvel other <i> of <t>"}, the name "Orvel <t>".
//   preference_writer <package> once|loop <tag>
#include "catalogue/Preference.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    platform::Bundle::setMainBundlePathForTesting(args[1]);
    std::puts("ready");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 3;
    for (int serial = 0;; ++serial) {
        const QString name = QStringLiteral("Orvel %1-%2").arg(args[3]).arg(serial);
        QStringList list{name};
        for (int i = 0; i <= serial % 6; ++i)
            list << QStringLiteral("Orvel other %1 of %2-%3").arg(i).arg(args[3]).arg(serial);
        if (!CUPreference().SavePrinterSelection(list, name))
            return 1;
        if (args[2] == QLatin1String("once"))
            return 0;
    }
}
