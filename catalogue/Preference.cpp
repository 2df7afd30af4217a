#include "Preference.h"

#include "platform/Preferences.h"

namespace {
const QString kKeySelectPrinterModelName = QStringLiteral("SelectPrinterModelName");
const QString kKeyPrinterModelList = QStringLiteral("PrinterModelList");
} // namespace

CPreference::CPreference(const QString& applicationID, const QString& userName,
                         const QString& hostName)
    : m_applicationID(applicationID), m_userName(userName), m_hostName(hostName) {}

CPreference::~CPreference() = default;

bool CPreference::GetValue(const QString& key, QString* value) const {
    if (!value)
        return true;
    const QVariant stored =
        platform::copyPreferenceValue(key, m_applicationID, m_userName, m_hostName);
    // Something other than a string under the key is no name at all.
    *value = stored.typeId() == QMetaType::QString ? stored.toString() : QString();
    return true;
}

bool CPreference::GetValue(const QString& key, QVariant* value) const {
    const QVariant stored = platform::copyPreferenceValue(key, m_applicationID);
    if (value)
        *value = stored;
    return stored.isValid();
}

bool CPreference::SetValue(const QString& key, const QString& value) {
    if (!platform::setPreferenceValue(key, value.isNull() ? QVariant() : QVariant(value),
                                      m_applicationID, m_userName, m_hostName))
        return false;
    return platform::synchronizePreferences(m_applicationID);
}

bool CPreference::SetValue(const QString& key, const QVariant& value) {
    if (!platform::setPreferenceValue(key, value, m_applicationID))
        return false;
    return platform::synchronizePreferences(m_applicationID);
}

CUPreference::CUPreference()
    : CPreference(platform::kPreferencesCurrentApplication, platform::kPreferencesCurrentUser,
                  platform::kPreferencesAnyHost) {}

CUPreference::~CUPreference() = default;

bool CUPreference::GetPrinterName(QString* name) const {
    return GetValue(kKeySelectPrinterModelName, name);
}

bool CUPreference::SavePrinterName(const QString& name) {
    return SetValue(kKeySelectPrinterModelName, name);
}

bool CUPreference::GetPrinterList(QStringList* list) const {
    QVariant stored;
    if (!GetValue(kKeyPrinterModelList, &stored))
        return false;
    // The caller treats the list as strings; a lone string stored there is no list.
    if (stored.typeId() != QMetaType::QStringList)
        return false;
    if (list)
        *list = stored.toStringList();
    return true;
}

bool CUPreference::SavePrinterList(const QStringList& list) {
    return SetValue(kKeyPrinterModelList, QVariant(list));
}

bool CUPreference::SavePrinterSelection(const QStringList& list, const QString& name) {
    const QVariantMap values{{kKeyPrinterModelList, QVariant(list)},
                             {kKeySelectPrinterModelName, name.isNull() ? QVariant() : name}};
    return platform::setPreferenceValues(values, platform::kPreferencesCurrentApplication);
}
