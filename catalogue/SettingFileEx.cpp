#include "SettingFileEx.h"

#include "PathUtil.h"
#include "SupportMachine.h"
#include "config/SettingFile.h"
#include "platform/Bundle.h"
#include "platform/SystemInfo.h"

namespace {

constexpr long kStockProfileVaultIndex = 5;
constexpr long kStockVaultSetupIndex = 6;
constexpr long kNewerSystemVersion = 0x1060;

// The models whose backup tool depends on the system version.
bool isSpecialModel(const QString& deviceID) {
    return deviceID == QLatin1String("MX-R74400 Series") ||
           deviceID == QLatin1String("MX-R54400 Series") ||
           deviceID == QLatin1String("MX-R34400 Series");
}

} // namespace

CSettingFileEx* CSettingFileEx::sSettingFileEx = nullptr;

CSettingFileEx* CSettingFileEx::GetInstance() {
    if (!sSettingFileEx)
        sSettingFileEx = new CSettingFileEx();
    return sSettingFileEx;
}

void CSettingFileEx::DestroyInstance() {
    delete sSettingFileEx;
    sSettingFileEx = nullptr;
}

CSettingFileEx::CSettingFileEx() {
    InitializeMember();
}

CSettingFileEx::~CSettingFileEx() = default;

OSStatus CSettingFileEx::InitializeMember() {
    m_supportMachine = std::make_unique<CSupportMachine>();
    QString path;
    if (GetMachineBundleBasePath(&path) != noErr)
        return paramErr;
    // Whatever the catalogue built stays: its tool list exists even without the folder.
    return m_supportMachine->OnInitialize(path) == noErr ? noErr : paramErr;
}

OSStatus CSettingFileEx::GetApplicationBundlePath(QString* path) {
    if (!path)
        return paramErr;
    const auto mainBundle = platform::Bundle::mainBundle();
    if (!mainBundle || mainBundle->bundlePath().isEmpty())
        return paramErr;
    *path = mainBundle->bundlePath();
    return noErr;
}

OSStatus CSettingFileEx::GetApplicationBasePath(QString* path) {
    if (!path)
        return paramErr;
    QString bundlePath;
    if (GetApplicationBundlePath(&bundlePath) != noErr)
        return paramErr;
    *path = UPath::DeletingLastPathComponent(bundlePath);
    return noErr;
}

OSStatus CSettingFileEx::GetMachineBundleBasePath(QString* path) {
    if (!path)
        return paramErr;
    QString base;
    if (GetApplicationBasePath(&base) != noErr)
        return paramErr;
    *path = UPath::AppendingPathComponent(base, QStringLiteral("MachineBundle"));
    return noErr;
}

long CSettingFileEx::GetSupportPrinterNum() const {
    return m_supportMachine->GetSupportPrinterCount() +
           CSettingFile::GetInstance()->GetSupportPrinterNum();
}

QString CSettingFileEx::GetSupportPrinterName(long index) const {
    const long count = m_supportMachine->GetSupportPrinterCount();
    if (index < count)
        return m_supportMachine->GetPrinterNameWithIndex(index);
    return CSettingFile::GetInstance()->GetSupportPrinterName(index - count);
}

QString CSettingFileEx::GetSupportPrinterNameWithVenderName(long index) const {
    const QString name = GetSupportPrinterName(index);
    if (name.isNull())
        return QString();
    const QString vender = QString::fromLatin1(kVenderName, kVenderNameLength);
    return name.startsWith(vender) ? name : vender + name;
}

QUrl CSettingFileEx::GetApplicationURL(long index) const {
    if (index < 0 || index >= kToolCount)
        return QUrl();
    const QUrl url = m_supportMachine->GetApplicationURL(index);
    if (!url.isEmpty())
        return url;
    return CSettingFile::GetInstance()->GetApplicationURL(index);
}

bool CSettingFileEx::IsSupportPrinter(const QString& name) const {
    if (!name.isNull() && m_supportMachine->IsSupportPrinter(name))
        return true;
    return CSettingFile::GetInstance()->IsSupportPrinter(name);
}

bool CSettingFileEx::IsSupportApplication(const QString& deviceID, long index,
                                          ToolReason* why) const {
    ToolReason reason;
    bool supported = false;
    if (!deviceID.isNull() && m_supportMachine->IsSupportPrinter(deviceID)) {
        supported =
            m_supportMachine->IsSupportApplication(deviceID, index, why ? &reason : nullptr);
    } else {
        const CSettingFile* settingFile = CSettingFile::GetInstance();
        supported = settingFile->IsSupportApplication(deviceID, index);
        if (!supported)
            reason.verdict = settingFile->IsSupportPrinter(deviceID) ? ToolVerdict::NoPluginPath
                                                                     : ToolVerdict::NoSuchPrinter;
    }
    if (supported && isSpecialModel(deviceID)) {
        const bool newer = platform::systemVersion() >= kNewerSystemVersion;
        if ((index == kStockProfileVaultIndex && newer) ||
            (index == kStockVaultSetupIndex && !newer)) {
            supported = false;
            reason.verdict = ToolVerdict::HiddenOnThisSystem;
        }
    }
    if (why)
        *why = std::move(reason);
    return supported;
}

bool CSettingFileEx::IsToolButtonShown(const QString& deviceID, long index, ToolReason* why) const {
    if (GetApplicationURL(index).isEmpty()) {
        if (why)
            why->verdict = ToolVerdict::NoApplicationPlace;
        return false;
    }
    return IsSupportApplication(deviceID, index, why);
}

QStringList CSettingFileEx::CopyUnlistedPrinterNames(QSet<QString>* listed) const {
    QStringList names;
    const long count = GetSupportPrinterNum();
    for (long index = 0; index < count; ++index) {
        const QString name = GetSupportPrinterNameWithVenderName(index);
        if (!name.isNull() && !listed->contains(name) && IsSupportPrinter(name)) {
            listed->insert(name);
            names.append(name);
        }
    }
    return names;
}

QString CSettingFileEx::CreateCopyPrinterDevID(const QString& name, long* index) const {
    if (!name.isNull() && m_supportMachine->IsSupportPrinter(name))
        return m_supportMachine->CreatePrinterDevID(name, index);
    return CSettingFile::GetInstance()->GetPrinterDevID(name, index, nullptr);
}

OSStatus CSettingFileEx::CreateMachineVersion(const QString& deviceID, QString* version) const {
    QString result;
    if (!deviceID.isNull() && m_supportMachine->IsSupportPrinter(deviceID))
        m_supportMachine->GetPluginVersion(deviceID, &result);
    else
        CSettingFile::GetInstance()->GetPrinterDevID(deviceID, nullptr, &result);
    if (version)
        *version = result;
    return noErr;
}
