#include "MachineBundle.h"

#include "platform/Bundle.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFileInfo>

CMachineBundle::CMachineBundle() = default;

CMachineBundle::~CMachineBundle() {
    CleanupClass();
}

OSStatus CMachineBundle::OnInitialize(const QUrl& bundleURL) {
    if (bundleURL.isEmpty())
        return paramErr;
    if (const OSStatus status = Create(bundleURL); status != noErr)
        return status;

    // A package without a resources folder is open but has nothing to say.
    const QString resources = m_bundle->resourcesPath();
    if (!QFileInfo(resources).isDir())
        return noErr;
    const QUrl settingURL =
        QUrl::fromLocalFile(resources + QLatin1Char('/') + QLatin1String(kSettingFileName));
    if (settingURL.isEmpty())
        return noErr;

    QVariantMap dictionary;
    const OSStatus status = CreateDictionaryWithURLRef(settingURL, &dictionary);
    if (status == noErr)
        m_settingDictionary = std::move(dictionary);
    return status;
}

OSStatus CMachineBundle::Create(const QUrl& bundleURL) {
    Release();
    if (!bundleURL.isLocalFile())
        return paramErr;
    m_bundle = platform::Bundle::create(bundleURL.toLocalFile());
    return m_bundle ? noErr : paramErr;
}

void CMachineBundle::Release() {
    if (m_bundle && m_bundle->isExecutableLoaded())
        m_bundle->unloadExecutable();
    m_bundle.reset();
}

void CMachineBundle::CleanupClass() {
    m_settingDictionary.reset();
    Release();
}

OSStatus CMachineBundle::CreateDictionaryWithURLRef(const QUrl& fileURL, QVariantMap* dictionary) {
    if (!dictionary || !fileURL.isLocalFile())
        return paramErr;
    auto read = platform::readPropertyListDictionary(fileURL.toLocalFile());
    if (!read)
        return paramErr;
    *dictionary = std::move(*read);
    return noErr;
}

const QVariantMap* CMachineBundle::GetSettingDictionary() const {
    return m_settingDictionary ? &*m_settingDictionary : nullptr;
}

OSStatus CMachineBundle::GetValue(const QString& key, QVariant* value) const {
    if (key.isNull() || !m_settingDictionary)
        return paramErr;
    const auto it = m_settingDictionary->constFind(key);
    if (it == m_settingDictionary->constEnd())
        return paramErr;
    if (value)
        *value = *it;
    return noErr;
}

OSStatus CMachineBundle::GetSupportPrinter(QStringList* models) const {
    if (IsJapaneseLanguage() && GetValue(QLatin1String(kSettingKeyWorldWideOnly), nullptr) == noErr)
        return paramErr;
    QVariant value;
    if (const OSStatus status = GetValue(QLatin1String(kSettingKeyModel), &value); status != noErr)
        return status;
    // Anything but an array of strings is a malformed bundle, not a list of models.
    if (value.typeId() != QMetaType::QVariantList)
        return paramErr;
    QStringList names;
    const QVariantList entries = value.toList();
    names.reserve(entries.size());
    for (const QVariant& entry : entries) {
        if (entry.typeId() != QMetaType::QString)
            return paramErr;
        names.append(entry.toString());
    }
    if (models)
        *models = std::move(names);
    return noErr;
}

bool CMachineBundle::IsJapaneseLanguage() {
    const auto mainBundle = platform::Bundle::mainBundle();
    if (!mainBundle)
        return false;
    const QString path = mainBundle->resourcePath(QStringLiteral("InfoPlist.strings"));
    if (path.isEmpty())
        return false;
    // The folder the file was taken from, not any folder above the package that happens to
    // carry the name.
    return QFileInfo(path).dir().dirName() == QLatin1String("Japanese.lproj");
}
