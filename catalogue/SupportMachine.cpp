#include "SupportMachine.h"

#include "MachineBundle.h"
#include "PathUtil.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

#include <QSet>
#include <algorithm>
#include <atomic>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct ToolSlot {
    const char* name;
    const char* pluginPrefix; // the plug-in file name is prefix + initial + ".plugin"
};

constexpr ToolSlot kToolSlots[kToolCount] = {
    {"Kestrel Loader", "KL"},        {"Status Lantern", "SL"},   {"Sheet Glide Tuner", "SGT"},
    {"Stock Profile Editor", "SPE"}, {"Nozzle Care Kit", "NCK"}, {"Stock Profile Vault", "SPV"},
    {"Stock Vault Setup", "SPV2"},
};

constexpr long kStockVaultSetupIndex = 6;
constexpr long kNewerSystemVersion = 0x1060;

bool isToolIndex(long index) {
    return index >= 0 && index < kToolCount;
}

QString venderName() {
    return QString::fromLatin1(kVenderName, kVenderNameLength);
}

QString nonNull(QString text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QList<MachineBundleVerdict>* sScanReport = nullptr;

} // namespace

CSupportMachine::ScanReport::ScanReport(QList<MachineBundleVerdict>* verdicts) {
    sScanReport = verdicts;
}

CSupportMachine::ScanReport::~ScanReport() {
    sScanReport = nullptr;
}

CSupportMachine::CSupportMachine() = default;

CSupportMachine::~CSupportMachine() {
    CleanupClass();
}

void CSupportMachine::CleanupClass() {
    m_applicationURLs.reset();
    m_printerRecords.reset();
    m_settingDictionaries.reset();
    m_firstRecordOfModel.clear();
}

OSStatus CSupportMachine::OnInitialize(const QString& machineBundleFolderPath) {
    if (machineBundleFolderPath.isNull())
        return paramErr;
    QList<QUrl> urls;
    if (CreateApplicationURLArray(&urls) != noErr)
        return paramErr;
    m_applicationURLs = std::move(urls);
    return SearchMachineBundle(machineBundleFolderPath) == noErr ? noErr : paramErr;
}

// What the tables take from one machine package.
struct ScannedMachineBundle {
    MachineSetting setting;
    QStringList models;
    QString bundleName;
    QString machineVersion;
};

namespace {

// One package's part of a scan. It touches no table, so any thread may run it once the
// language question has been answered.
// `problem` gets why a package adds nothing.
std::optional<ScannedMachineBundle>
scanMachineBundle(const QUrl& bundleURL, const QString& listedName, BundleProblem* problem) {
    CMachineBundle machineBundle; // refuses an empty or non-file URL
    if (machineBundle.OnInitialize(bundleURL, problem) != noErr)
        return std::nullopt;
    const MachineSetting* setting = machineBundle.GetSettingDictionary();
    ScannedMachineBundle scanned;
    if (!setting || machineBundle.GetSupportPrinter(&scanned.models, problem) != noErr)
        return std::nullopt;
    // Tables of the wrong kind make the whole file suspect; the bundle is left out rather
    // than listing printers whose tools cannot be worked out.
    using Table = MachineSetting::Table;
    if (setting->initials == Table::WrongType || setting->functions == Table::WrongType) {
        *problem = setting->initials == Table::WrongType ? BundleProblem::InitialWrongKind
                                                         : BundleProblem::FunctionWrongKind;
        return std::nullopt;
    }

    // The scan knows each package's folder name: the tables keep that very text, not a copy
    // per package, when the name taken from the URL is the same.
    scanned.bundleName = UPath::LastPathComponent(bundleURL.toLocalFile());
    if (scanned.bundleName == listedName)
        scanned.bundleName = listedName;
    // The package opened above reads its Info.plist for this one value only.
    if (const platform::Bundle* bundle = machineBundle.GetBundle()) {
        const QString version = bundle->version();
        if (!version.isNull())
            scanned.machineVersion = nonNull(version);
    }
    if (scanned.bundleName.isEmpty() || scanned.machineVersion.isNull()) {
        *problem = BundleProblem::NoVersion;
        return std::nullopt;
    }
    scanned.setting = *setting;
    // The records carry the model names; the tables keep the entries alone. Dropped here, the
    // list is freed before the next batch is opened and its memory serves that batch.
    scanned.setting.modelNames = QStringList();
    return scanned;
}

// Packages a scan opens before it joins them to the tables: enough to keep every core busy,
// few enough that what waits to be joined stays small.
constexpr qsizetype kScanBatch = 1024;
// Below this many packages a helper thread costs more than it saves.
constexpr qsizetype kScanBatchForHelpers = 16;
constexpr unsigned kMostScanThreads = 4;

} // namespace

void UParallel::RunOnEveryCore(const std::function<void()>& work) {
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostScanThreads);
    std::vector<std::jthread> helpers;
    try {
        for (unsigned i = 1; i < cores; ++i)
            helpers.emplace_back(work);
    } catch (const std::system_error&) {
    }
    work();
}

OSStatus CSupportMachine::SearchMachineBundle(const QString& folderPath) {
    if (folderPath.isNull())
        return paramErr;
    const auto entries = platform::listFolder(folderPath);
    if (!entries)
        return paramErr;
    const CMachineBundle::LanguageScope oneLanguageAnswer;
    // Sized once for a package per entry and a printer each, the common case: a large
    // installation then neither copies its tables as they grow nor holds two copies at once.
    if (!m_settingDictionaries)
        m_settingDictionaries.emplace();
    if (!m_printerRecords)
        m_printerRecords.emplace();
    m_settingDictionaries->reserve(m_settingDictionaries->size() + entries->size());
    m_printerRecords->reserve(m_printerRecords->size() + entries->size());
    m_firstRecordOfModel.reserve(m_firstRecordOfModel.size() + entries->size());

    // Opening a package is mostly file system calls, which the cores share: a batch is opened
    // on all of them, then joined to the tables in listing order on this thread.
    std::vector<std::optional<ScannedMachineBundle>> batch;
    std::vector<BundleProblem> problems;
    for (qsizetype first = 0; first < entries->size(); first += kScanBatch) {
        const qsizetype count = std::min(kScanBatch, entries->size() - first);
        batch.assign(static_cast<std::size_t>(count), std::nullopt);
        problems.assign(static_cast<std::size_t>(count), BundleProblem::NotNamedBundle);
        std::atomic<qsizetype> next{0};
        const std::function<void()> work = [&] {
            for (qsizetype i = 0; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
                const QString& name = entries->at(first + i);
                if (!name.endsWith(QLatin1String("bundle"), Qt::CaseSensitive))
                    continue;
                const QUrl url =
                    QUrl::fromLocalFile(UPath::AppendingPathComponent(folderPath, name));
                const auto at = static_cast<std::size_t>(i);
                batch[at] = scanMachineBundle(url, name, &problems[at]);
            }
        };
        if (count >= kScanBatchForHelpers) {
            CMachineBundle::IsJapaneseLanguage(); // answered once here, only read by the helpers
            UParallel::RunOnEveryCore(work);
        } else {
            work();
        }
        for (std::size_t i = 0; i < batch.size(); ++i) {
            MachineBundleVerdict* verdict = nullptr;
            if (sScanReport) {
                sScanReport->append({entries->at(first + qsizetype(i)), problems[i], {}, {}, {}});
                verdict = &sScanReport->last();
            }
            if (batch[i]) // a bundle that fails is skipped
                AppendScannedBundle(std::move(*batch[i]), verdict);
        }
    }
    m_printerRecords->squeeze(); // sized for a printer per entry; most installations differ
    return noErr;
}

OSStatus CSupportMachine::AppendMachineBundle(const QUrl& bundleURL) {
    BundleProblem problem = BundleProblem::None;
    auto scanned = scanMachineBundle(bundleURL, QString(), &problem);
    return scanned ? AppendScannedBundle(std::move(*scanned)) : paramErr;
}

OSStatus CSupportMachine::AppendScannedBundle(ScannedMachineBundle&& scanned,
                                              MachineBundleVerdict* verdict) {
    if (!m_settingDictionaries)
        m_settingDictionaries.emplace();
    if (verdict) {
        verdict->version = scanned.machineVersion;
        verdict->models = scanned.models;
        QSet<QString> named;
        for (const QString& model : std::as_const(scanned.models)) {
            if (FirstRecordOf(model) >= 0 || named.contains(model))
                verdict->modelsGivenEarlier.append(model);
            named.insert(model);
        }
    }
    const OSStatus status =
        AppendPrinter(&scanned.models, scanned.bundleName, scanned.machineVersion);
    if (!m_settingDictionaries->contains(scanned.bundleName))
        m_settingDictionaries->insert(scanned.bundleName, std::move(scanned.setting));
    return status;
}

OSStatus CSupportMachine::AppendPrinter(const QStringList* models, const QString& bundleName,
                                        const QString& machineVersion) {
    if (!models || bundleName.isNull() || machineVersion.isNull())
        return paramErr;
    if (!m_printerRecords)
        m_printerRecords.emplace();
    for (const QString& model : *models) {
        const qsizetype position = m_printerRecords->size();
        m_printerRecords->append(PrinterRecord{nonNull(model), bundleName, machineVersion});
        if (!m_firstRecordOfModel.contains(model))
            m_firstRecordOfModel.insert(model, position);
    }
    return noErr;
}

qsizetype CSupportMachine::FirstRecordOf(const QString& model) const {
    const auto it = m_firstRecordOfModel.constFind(model);
    return it == m_firstRecordOfModel.constEnd() ? -1 : *it;
}

long CSupportMachine::GetSupportPrinterCount() const {
    return m_printerRecords ? static_cast<long>(m_printerRecords->size()) : 0;
}

QString CSupportMachine::GetPrinterNameWithIndex(long index) const {
    if (index < 0 || index >= GetSupportPrinterCount())
        return QString();
    return m_printerRecords->at(index).model;
}

QString CSupportMachine::GetPrinterDevID(const QString& name, long* index) const {
    if (name.isNull() || !m_printerRecords)
        return QString();
    // The first record that carries the name as given or without the vendor prefix.
    qsizetype found = FirstRecordOf(name);
    if (name.startsWith(venderName())) {
        const qsizetype stripped = FirstRecordOf(name.mid(kVenderNameLength));
        if (stripped >= 0 && (found < 0 || stripped < found))
            found = stripped;
    }
    if (found < 0)
        return QString();
    if (index)
        *index = static_cast<long>(found);
    return m_printerRecords->at(found).model;
}

QString CSupportMachine::CreatePrinterDevID(const QString& name, long* index) const {
    return GetPrinterDevID(name, index);
}

bool CSupportMachine::IsSupportPrinter(const QString& name) const {
    return !GetPrinterDevID(name, nullptr).isNull();
}

OSStatus CSupportMachine::GetMachineBundleNameAndVersion(const QString& deviceID,
                                                         QString* bundleName,
                                                         QString* machineVersion) const {
    if (deviceID.isNull() || !m_printerRecords)
        return paramErr;
    const qsizetype found = FirstRecordOf(deviceID);
    if (found < 0)
        return paramErr;
    const PrinterRecord& record = m_printerRecords->at(found);
    if (bundleName)
        *bundleName = record.machineBundle;
    if (machineVersion)
        *machineVersion = record.machineVersion;
    return noErr;
}

OSStatus CSupportMachine::GetPluginVersion(const QString& deviceID, QString* machineVersion) const {
    return GetMachineBundleNameAndVersion(deviceID, nullptr, machineVersion);
}

OSStatus CSupportMachine::SearchSettingDictionary(const QString& deviceID,
                                                  const MachineSetting** dictionary) const {
    QString bundleName;
    if (GetMachineBundleNameAndVersion(deviceID, &bundleName, nullptr) != noErr)
        return paramErr;
    if (!m_settingDictionaries)
        return paramErr;
    const auto it = m_settingDictionaries->constFind(bundleName);
    if (it == m_settingDictionaries->constEnd())
        return paramErr;
    if (dictionary)
        *dictionary = &*it;
    return noErr;
}

QString CSupportMachine::GetPrinterInitial(const QString& deviceID) const {
    if (deviceID.isNull())
        return QString();
    const MachineSetting* setting = nullptr;
    if (SearchSettingDictionary(deviceID, &setting) != noErr)
        return QString();
    const MachineSetting::Entry* entry = setting->find(deviceID);
    if (!entry || entry->initial.isNull())
        return QString();
    // The initial is put into a file name inside Plugin/PrinterPlugin; text that would lead
    // the path anywhere else is no initial.
    const QString& text = entry->initial;
    return text.isEmpty() || platform::isPathComponent(text) ? text : QString();
}

std::int32_t CSupportMachine::GetFunctionAttribute(const QString& deviceID) const {
    const MachineSetting* setting = nullptr;
    if (SearchSettingDictionary(deviceID, &setting) != noErr)
        return 0;
    const MachineSetting::Entry* entry = setting->find(deviceID);
    return entry && entry->hasFunction ? entry->function : 0;
}

QString CSupportMachine::GetApplicationName(long index) {
    if (!isToolIndex(index))
        return QString();
    return QString::fromLatin1(kToolSlots[index].name);
}

std::int32_t CSupportMachine::GetApplicationAttribute(long index) {
    if (!isToolIndex(index))
        return 0;
    return std::int32_t{1} << index;
}

OSStatus CSupportMachine::CreateApplicationFolderPath(long index, QString* path) {
    if (!isToolIndex(index) || !path)
        return paramErr;
    const auto mainBundle = platform::Bundle::mainBundle();
    if (!mainBundle || mainBundle->bundlePath().isEmpty())
        return paramErr;
    const QString base = UPath::DeletingLastPathComponent(mainBundle->bundlePath());
    *path = UPath::AppendingPathComponent(base, GetApplicationName(index));
    return noErr;
}

OSStatus CSupportMachine::CreateApplicationPath(long index, QString* path) {
    if (!isToolIndex(index) || !path)
        return paramErr;
    QString folder;
    if (CreateApplicationFolderPath(index, &folder) != noErr)
        return paramErr;
    *path = UPath::AppendingPathExtension(
        UPath::AppendingPathComponent(folder, GetApplicationName(index)), QStringLiteral("app"));
    return noErr;
}

OSStatus CSupportMachine::CreateApplicationURL(long index, QList<QUrl>* urls) {
    if (!isToolIndex(index) || !urls)
        return paramErr;
    QString path;
    if (CreateApplicationPath(index, &path) != noErr)
        return paramErr;
    const QUrl url = QUrl::fromLocalFile(path);
    if (url.isEmpty())
        return paramErr;
    urls->append(url);
    return noErr;
}

OSStatus CSupportMachine::CreateApplicationURLArray(QList<QUrl>* urls) {
    if (!urls)
        return paramErr;
    QList<QUrl> built;
    built.reserve(kToolCount);
    for (long index = 0; index < kToolCount; ++index) {
        if (CreateApplicationURL(index, &built) != noErr)
            return paramErr;
    }
    *urls = std::move(built);
    return noErr;
}

QUrl CSupportMachine::GetApplicationURL(long index) const {
    if (!m_applicationURLs || index < 0 || index >= m_applicationURLs->size())
        return QUrl();
    return m_applicationURLs->at(index);
}

OSStatus CSupportMachine::CreateApplicationPluginName(const QString& deviceID, long index,
                                                      QString* name) const {
    if (!isToolIndex(index) || !name)
        return paramErr;
    const QString initial = GetPrinterInitial(deviceID);
    if (initial.isNull())
        return paramErr;
    *name =
        QString::fromLatin1(kToolSlots[index].pluginPrefix) + initial + QStringLiteral(".plugin");
    return noErr;
}

OSStatus CSupportMachine::CreateApplicationPluginPath(const QString& deviceID, long index,
                                                      QString* path) const {
    if (deviceID.isNull() || !path)
        return paramErr;
    QString folder;
    if (CreateApplicationFolderPath(index, &folder) != noErr)
        return paramErr;
    folder = UPath::AppendingPathComponent(
        UPath::AppendingPathComponent(folder, QStringLiteral("Plugin")),
        QStringLiteral("PrinterPlugin"));
    QString name;
    if (CreateApplicationPluginName(deviceID, index, &name) != noErr)
        return paramErr;
    *path = UPath::AppendingPathComponent(folder, name);
    return noErr;
}

OSStatus CSupportMachine::CreateApplicationPluginURL(const QString& deviceID, long index,
                                                     QUrl* url) const {
    if (!url)
        return paramErr;
    QString path;
    if (CreateApplicationPluginPath(deviceID, index, &path) != noErr)
        return paramErr;
    const QUrl made = QUrl::fromLocalFile(path);
    if (made.isEmpty())
        return paramErr;
    *url = made;
    return noErr;
}

bool CSupportMachine::IsExistApplicationPlugin(const QString& deviceID, long index,
                                               ToolReason* why) const {
    // The path the plug-in's URL would be made from and turned back into.
    QString path;
    if (CreateApplicationPluginPath(deviceID, index, &path) != noErr || path.isEmpty()) {
        if (why)
            why->verdict = ToolVerdict::NoPluginName;
        return false;
    }
    bool occupied = false;
    const bool exists = platform::Bundle::create(path, &occupied) != nullptr;
    if (why) {
        why->verdict = exists     ? ToolVerdict::Supported
                       : occupied ? ToolVerdict::PluginNotBundle
                                  : ToolVerdict::PluginMissing;
        why->pluginPath = std::move(path);
    }
    return exists;
}

bool CSupportMachine::IsSupportApplication(const QString& deviceID, long index,
                                           ToolReason* why) const {
    const std::int32_t mask = GetFunctionAttribute(deviceID);
    const std::int32_t bit = GetApplicationAttribute(index);
    if (!isToolIndex(index) || (mask & bit) == 0) {
        if (why)
            why->verdict = ToolVerdict::NotInMask;
        return false;
    }
    if (index == kStockVaultSetupIndex && platform::systemVersion() >= kNewerSystemVersion) {
        if (why)
            why->verdict = ToolVerdict::SupportedBySystem;
        return true; // newer systems carry this tool's support themselves
    }
    return IsExistApplicationPlugin(deviceID, index, why);
}
