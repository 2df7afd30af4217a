// Saves printer lists and selections through the launcher's own quit-time save.
//   preference_writer <package> loop <tag>   saves pairs <tag>-0, <tag>-1, ... until killed
//   preference_writer <package> once <tag>   saves pair <tag>-0 and ends
// Either prints "ready" and waits for a line on stdin before it starts.
// Pair <t>: the list {"Orvel <t>", then 1 to 6 further entries}, the name "Orvel <t>".
#include "catalogue/Preference.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

bool savePair(const QString& tag, int serial) {
    const QString name = QStringLiteral("Orvel ") + tag;
    QStringList list{name};
    for (int i = 0; i <= serial % 6; ++i)
        list.append(QStringLiteral("Orvel other %1 of %2").arg(i).arg(tag));
    return CUPreference().SavePrinterSelection(list, name);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    platform::Bundle::setMainBundlePathForTesting(args.at(1));
    std::puts("ready");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 3;
    if (args.at(2) == QLatin1String("once"))
        return savePair(args.at(3) + QStringLiteral("-0"), 0) ? 0 : 1;
    for (int serial = 0;; ++serial) {
        if (!savePair(args.at(3) + QLatin1Char('-') + QString::number(serial), serial))
            return 1;
    }
}
