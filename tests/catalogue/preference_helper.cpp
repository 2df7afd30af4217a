// Reads or writes the launcher's stored printer choice in a process of its own.
//   preference_helper <package> read
//   preference_helper <package> write <selected name> [<list entry>...]
// "read" prints {"name": ..., "list": [...]} as one JSON line (null where nothing is stored).

#include "catalogue/Preference.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    platform::Bundle::setMainBundlePathForTesting(args.at(1));

    CUPreference preference;
    if (args.at(2) == QLatin1String("write")) {
        if (args.size() < 4)
            return 2;
        const bool listSaved = preference.SavePrinterList(args.mid(4));
        const bool nameSaved = preference.SavePrinterName(args.at(3));
        return listSaved && nameSaved ? 0 : 1;
    }

    QString name;
    QStringList list;
    preference.GetPrinterName(&name);
    const bool hasList = preference.GetPrinterList(&list);
    QJsonObject out;
    out.insert(QStringLiteral("name"), name.isNull() ? QJsonValue() : QJsonValue(name));
    out.insert(QStringLiteral("list"),
               hasList ? QJsonValue(QJsonArray::fromStringList(list)) : QJsonValue());
    std::fputs(QJsonDocument(out).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    return 0;
}
