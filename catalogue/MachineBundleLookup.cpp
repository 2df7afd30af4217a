// The two look-ups that only the set-up launchers ask of a machine bundle.
#include "catalogue/MachineBundle.h"
#include "platform/FileSystem.h"

OSStatus CMachineBundle::GetInitialString(const QString& deviceID, QString* initial) const {
    if (deviceID.isNull() || !initial)
        return paramErr;
    QVariant table;
    if (GetValue(QLatin1String(kSettingKeyInitial), &table) != noErr ||
        table.typeId() != QMetaType::QVariantMap)
        return paramErr;
    const QVariantMap initials = table.toMap();
    const auto it = initials.constFind(deviceID);
    if (it == initials.constEnd() || it->typeId() != QMetaType::QString)
        return paramErr;
    const QString text = it->toString();
    // The initial becomes part of a file name inside Plugin/PrinterPlugin; text that would
    // lead the path anywhere else is no initial.
    if (!text.isEmpty() && !platform::isPathComponent(text))
        return paramErr;
    *initial = text;
    return noErr;
}

bool CMachineBundle::IsSupportPrinter(const QString& deviceID) const {
    if (deviceID.isNull())
        return false;
    QStringList models;
    if (GetSupportPrinter(&models) != noErr)
        return false;
    return models.contains(deviceID, Qt::CaseSensitive);
}
