#include "MachineBundle.h"

#include "platform/Bundle.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

CMachineBundle::CMachineBundle() = default;

CMachineBundle::~CMachineBundle() {
    CleanupClass();
}

OSStatus CMachineBundle::OnInitialize(const QUrl& bundleURL) {
    if (bundleURL.isEmpty())
        return paramErr;
    if (const OSStatus status = Create(bundleURL); status != noErr)
        return status;

    const QString resources = m_bundle->resourcesPath();
    const QString settingPath = resources + QLatin1Char('/') + QLatin1String(kSettingFileName);
    if (auto dictionary = platform::readPropertyListDictionary(settingPath, &m_settingBytes)) {
        m_settingDictionary = std::move(*dictionary);
        return noErr;
    }
    // A package without a resources folder is open but has nothing to say; the folder is
    // only looked at when Setting.xml could not be read, to tell the two apart.
    return QFileInfo(resources).isDir() ? paramErr : noErr;
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
    m_settingBytes.clear();
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
    // The cheap question first: the language only matters to a bundle that has the key.
    if (GetValue(QLatin1String(kSettingKeyWorldWideOnly), nullptr) == noErr && IsJapaneseLanguage())
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

namespace {

struct LanguageMemo {
    int scopes = 0;
    std::optional<bool> japanese;
};

LanguageMemo& languageMemo() {
    static LanguageMemo memo;
    return memo;
}

bool lookUpJapaneseLanguage();

} // namespace

CMachineBundle::LanguageScope::LanguageScope() {
    ++languageMemo().scopes;
}

CMachineBundle::LanguageScope::~LanguageScope() {
    if (--languageMemo().scopes == 0)
        languageMemo().japanese.reset();
}

bool CMachineBundle::IsJapaneseLanguage() {
    LanguageMemo& memo = languageMemo();
    if (memo.scopes == 0)
        return lookUpJapaneseLanguage();
    if (!memo.japanese)
        memo.japanese = lookUpJapaneseLanguage();
    return *memo.japanese;
}

namespace {

bool lookUpJapaneseLanguage() {
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

} // namespace
