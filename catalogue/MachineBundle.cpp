#include "MachineBundle.h"

#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "platform/PropertyListWalk.h"

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
    if (auto setting = platform::readMachineSetting(settingPath)) {
        m_setting = std::move(*setting);
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
    m_setting.reset();
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

const platform::MachineSetting* CMachineBundle::GetSettingDictionary() const {
    return m_setting ? &*m_setting : nullptr;
}

OSStatus CMachineBundle::GetValue(const QString& key, QVariant* value) const {
    using Table = platform::MachineSetting::Table;
    if (key.isNull() || !m_setting)
        return paramErr;
    const platform::MachineSetting& setting = *m_setting;
    QVariant found;
    if (key == QLatin1String(kSettingKeyModel)) {
        if (setting.models == Table::Absent)
            return paramErr;
        if (setting.models == Table::Read)
            found = QVariant(setting.modelNames);
    } else if (key == QLatin1String(kSettingKeyInitial) ||
               key == QLatin1String(kSettingKeyFunction)) {
        const bool initials = key == QLatin1String(kSettingKeyInitial);
        const Table table = initials ? setting.initials : setting.functions;
        if (table == Table::Absent)
            return paramErr;
        if (table == Table::Read) {
            QVariantMap map;
            for (const auto& entry : setting.entries) {
                if (initials && !entry.initial.isNull())
                    map.insert(entry.model, entry.initial);
                else if (!initials && entry.hasFunction)
                    map.insert(entry.model, entry.function);
            }
            found = QVariant(map);
        }
    } else if (key != QLatin1String(kSettingKeyWorldWideOnly) || !setting.worldWideOnly) {
        return paramErr;
    }
    if (value)
        *value = std::move(found);
    return noErr;
}

OSStatus CMachineBundle::GetSupportPrinter(QStringList* models) const {
    using Table = platform::MachineSetting::Table;
    if (!m_setting)
        return paramErr;
    // The cheap question first: the language only matters to a bundle that has the key.
    if (m_setting->worldWideOnly && IsJapaneseLanguage())
        return paramErr;
    // Anything but an array of strings is a malformed bundle, not a list of models.
    if (m_setting->models != Table::Read)
        return paramErr;
    if (models)
        *models = m_setting->modelNames;
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
