// The two look-ups that only the set-up launchers ask of a machine bundle.
#include "catalogue/MachineBundle.h"
#include "platform/FileSystem.h"

OSStatus CMachineBundle::GetInitialString(const QString& deviceID, QString* initial) const {
    const MachineSetting* setting = GetSettingDictionary();
    if (deviceID.isNull() || !initial || !setting ||
        setting->initials != MachineSetting::Table::Read)
        return paramErr;
    const MachineSetting::Entry* entry = setting->find(deviceID);
    if (!entry || entry->initial.isNull())
        return paramErr;
    // The initial becomes part of a file name inside Plugin/PrinterPlugin; text that would
    // lead the path anywhere else is no initial.
    if (!entry->initial.isEmpty() && !platform::isPathComponent(entry->initial))
        return paramErr;
    *initial = entry->initial;
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
