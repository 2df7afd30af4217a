#include "setup_launcher/SettingDictionary.h"

#include "catalogue/MachineBundle.h"
#include "catalogue/PathUtil.h"
#include "config/IniFile.h"
#include "localize/RequiredFiles.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"

namespace setup_launcher {

namespace {

QString& pluginPathFormat() {
    static QString format;
    return format;
}

// Setting.ini is ours to trust only as far as the tool's own folder: a path that starts
// at the root or climbs out of the folder is no plug-in path.
bool isPathInsideToolFolder(const QString& path) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return false;
    const QStringList components = path.split(QLatin1Char('/'));
    return !components.contains(QStringLiteral(".."));
}

} // namespace

// --- CSettingFile ------------------------------------------------------------------------

CSettingFile* CSettingFile::sSettingFile = nullptr;

CSettingFile* CSettingFile::GetInstance(const QString& deviceID) {
    if (!sSettingFile)
        sSettingFile = new CSettingFile(deviceID);
    return sSettingFile;
}

CSettingFile* CSettingFile::GetInstance() {
    return sSettingFile;
}

void CSettingFile::DestroyInstance() {
    delete sSettingFile;
    sSettingFile = nullptr;
}

CSettingFile::CSettingFile(const QString& deviceID) {
    if (!deviceID.isNull())
        m_deviceID = deviceID;
    Initialize();
}

CSettingFile::~CSettingFile() = default;

void CSettingFile::Initialize() {
    char section[kIniLineBufferSize] = {};
    const QByteArray identifier = m_deviceID.toUtf8();
    // The reader's lines hold 1023 bytes; a longer section name could never match anyway.
    if (identifier.size() >= kIniLineBufferSize)
        return;
    std::copy(identifier.cbegin(), identifier.cend(), section);

    char value[kIniLineBufferSize] = {};
    if (GetValueExFromIniFile(FILENAME_SETTING, section, KEY_PLUGIN_PATH, value) != noErr)
        return;
    QString path = QString::fromUtf8(value);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (isPathInsideToolFolder(path))
        m_pluginPath = path;
}

bool CSettingFile::GetPluginPath(QString* path) const {
    if (m_pluginPath.isNull() || !path)
        return false;
    *path = m_pluginPath;
    return true;
}

// --- CSettingDictionary ------------------------------------------------------------------

CSettingDictionary* CSettingDictionary::sSettingDictionaryP = nullptr;

CSettingDictionary* CSettingDictionary::GetInstance(const QString& deviceID) {
    if (sSettingDictionaryP)
        return sSettingDictionaryP;
    sSettingDictionaryP = new CSettingDictionary();
    if (sSettingDictionaryP->OnInitialize(deviceID) == noErr)
        return sSettingDictionaryP;
    // The machine bundles gave nothing; the settings file is the second chance.
    if (CSettingFile::GetInstance(deviceID))
        return sSettingDictionaryP;
    DestroyInstance();
    return nullptr;
}

void CSettingDictionary::DestroyInstance() {
    delete sSettingDictionaryP;
    sSettingDictionaryP = nullptr;
}

void CSettingDictionary::SetPluginPathFormat(const QString& format) {
    pluginPathFormat() = format;
}

CSettingDictionary::CSettingDictionary() = default;

CSettingDictionary::~CSettingDictionary() {
    CleanupClass();
}

void CSettingDictionary::CleanupClass() {
    m_deviceID = QString();
    m_machineBundle.reset();
    m_relativePath = QString();
}

bool CSettingDictionary::CreatePluginPath(QString* path) const {
    if (!path)
        return false;
    QString result;
    // A bundle that lists the printer but names no usable initial leaves no path of its
    // own; the settings file then has its say, as when no bundle lists the printer.
    if (m_machineBundle && !m_relativePath.isNull()) {
        result = m_relativePath;
    } else if (const CSettingFile* settingFile = CSettingFile::GetInstance()) {
        if (!settingFile->GetPluginPath(&result))
            return false;
    }
    if (result.isNull())
        return false;
    *path = result;
    return true;
}

OSStatus CSettingDictionary::OnInitialize(const QString& deviceID) {
    if (deviceID.isNull())
        return paramErr;
    m_deviceID = deviceID;
    if (CreateMachineBundle(&m_machineBundle) != noErr)
        return paramErr;
    if (CreateRelativePluginPath(&m_relativePath) != noErr)
        return paramErr;
    return noErr;
}

OSStatus CSettingDictionary::CreateMachineBundlePath(QString* path) const {
    if (!path)
        return paramErr;
    const auto mainBundle = platform::Bundle::mainBundle();
    if (!mainBundle)
        return paramErr;
    // <root>/<Tool>/<Tool>.app gives <root>/MachineBundle.
    const QString root = UPath::DeletingLastPathComponent(
        UPath::DeletingLastPathComponent(mainBundle->bundlePath()));
    if (root.isEmpty())
        return paramErr;
    *path = UPath::AppendingPathComponent(root, QLatin1String(kMachineBundleFolderName));
    return noErr;
}

OSStatus CSettingDictionary::CreateMachineBundlePathList(QList<QUrl>* urls) const {
    if (!urls)
        return paramErr;
    QString folder;
    if (CreateMachineBundlePath(&folder) != noErr)
        return paramErr;
    const auto entries = platform::listFolder(folder);
    if (!entries)
        return paramErr;
    QList<QUrl> result;
    for (const QString& name : *entries) {
        if (!name.endsWith(QLatin1String(kMachineBundleSuffix)))
            continue;
        const QUrl url = QUrl::fromLocalFile(UPath::AppendingPathComponent(folder, name));
        if (url.isValid())
            result.append(url);
    }
    *urls = std::move(result);
    return noErr;
}

OSStatus
CSettingDictionary::CreateMachineBundle(std::unique_ptr<CMachineBundle>* machineBundle) const {
    if (!machineBundle)
        return paramErr;
    QList<QUrl> urls;
    if (CreateMachineBundlePathList(&urls) != noErr)
        return paramErr;
    for (const QUrl& url : urls) {
        auto candidate = std::make_unique<CMachineBundle>();
        if (candidate->OnInitialize(url) == noErr && candidate->IsSupportPrinter(m_deviceID)) {
            *machineBundle = std::move(candidate);
            return noErr;
        }
    }
    return paramErr;
}

OSStatus CSettingDictionary::CreateRelativePluginPath(QString* path) const {
    if (!path || !m_machineBundle)
        return paramErr;
    QString initial;
    if (m_machineBundle->GetInitialString(m_deviceID, &initial) != noErr)
        return paramErr;
    QString format = pluginPathFormat();
    const qsizetype at = format.indexOf(QLatin1String("%@"));
    if (at < 0)
        return paramErr;
    *path = format.replace(at, 2, initial);
    return noErr;
}

} // namespace setup_launcher
