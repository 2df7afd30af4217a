#pragma once

#include "catalogue/MachineBundle.h"
#include "config/SettingFile.h"
#include "platform/StatusCodes.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>

// Keys of a printer record, in memory only.
inline constexpr char kRecordKeyModel[] = "MODEL";
inline constexpr char kRecordKeyMachineBundle[] = "MachineBundle";
inline constexpr char kRecordKeyMachineVersion[] = "MachineVersion";

struct ScannedMachineBundle;

namespace UParallel {
// Runs `work` here and on a helper thread per further core (four threads at most) and returns
// when all are done; `work` shares the job out itself. A helper that cannot be started leaves
// its share to the others.
void RunOnEveryCore(const std::function<void()>& work);
} // namespace UParallel

// What became of one entry of the machine-bundle folder in a scan.
struct MachineBundleVerdict {
    QString name;
    BundleProblem problem = BundleProblem::None;
    QString version;                // an accepted bundle's CFBundleVersion
    QStringList models;             // an accepted bundle's "MODEL", in order
    QStringList modelsGivenEarlier; // of those, the ones an earlier record already gave
};

// Why a tool's button is shown or hidden for a printer.
enum class ToolVerdict : std::uint8_t {
    Supported,          // the printer's plug-in for the tool is in place
    SupportedBySystem,  // "Stock Vault Setup" on a newer system, with or without its plug-in
    NotInMask,          // the printer's tool mask leaves the tool out, as intended
    NoPluginName,       // the printer has no usable initial, so its plug-in has no name
    PluginMissing,      // nothing at the plug-in's place
    PluginNotBundle,    // something other than a folder at the plug-in's place
    HiddenOnThisSystem, // one of the models whose backup tool depends on the system version
    NoPluginPath,       // "Setting.ini" gives the printer no plug-in for the tool
    NoApplicationPlace, // no place can be made for the tool's application
    NoSuchPrinter,
};

// A tool decision and the plug-in it looked for.
struct ToolReason {
    ToolVerdict verdict = ToolVerdict::Supported;
    QString pluginPath; // the plug-in's place, when the decision made one
};

// One model named by a machine bundle.
struct PrinterRecord {
    QString model;          // the device identifier
    QString machineBundle;  // the bundle folder's name, extension included
    QString machineVersion; // the bundle's CFBundleVersion
};
// Moved as bytes: a large table grows in place instead of being copied.
Q_DECLARE_TYPEINFO(PrinterRecord, Q_RELOCATABLE_TYPE);

// The catalogue of printers described by machine bundles, and where the seven tools and
// each printer's plug-ins lie.
class CSupportMachine {
public:
    CSupportMachine();
    virtual ~CSupportMachine();
    CSupportMachine(const CSupportMachine&) = delete;
    CSupportMachine& operator=(const CSupportMachine&) = delete;

    // While one lives, scans of the machine-bundle folder add a verdict for every entry, in
    // listing order: the installation checker's view of the scan the launcher makes.
    class ScanReport {
    public:
        explicit ScanReport(QList<MachineBundleVerdict>* verdicts);
        ~ScanReport();
        ScanReport(const ScanReport&) = delete;
        ScanReport& operator=(const ScanReport&) = delete;
    };

    void CleanupClass();
    OSStatus OnInitialize(const QString& machineBundleFolderPath);
    OSStatus SearchMachineBundle(const QString& folderPath);
    OSStatus AppendMachineBundle(const QUrl& bundleURL);
    OSStatus AppendPrinter(const QStringList* models, const QString& bundleName,
                           const QString& machineVersion);

    long GetSupportPrinterCount() const;
    QString GetPrinterNameWithIndex(long index) const;
    // Accept a device identifier or a display name.
    QString GetPrinterDevID(const QString& name, long* index) const;
    QString CreatePrinterDevID(const QString& name, long* index) const;
    bool IsSupportPrinter(const QString& name) const;

    // These take the device identifier only.
    OSStatus GetMachineBundleNameAndVersion(const QString& deviceID, QString* bundleName,
                                            QString* machineVersion) const;
    OSStatus GetPluginVersion(const QString& deviceID, QString* machineVersion) const;
    // The kept Setting.xml values of the bundle that serves the model, not copied; its
    // modelNames are left empty.
    OSStatus SearchSettingDictionary(const QString& deviceID,
                                     const MachineSetting** dictionary) const;
    QString GetPrinterInitial(const QString& deviceID) const;
    std::int32_t GetFunctionAttribute(const QString& deviceID) const;

    // Tools and plug-ins.
    static QString GetApplicationName(long index);
    static std::int32_t GetApplicationAttribute(long index);
    static OSStatus CreateApplicationFolderPath(long index, QString* path);
    static OSStatus CreateApplicationPath(long index, QString* path);
    static OSStatus CreateApplicationURL(long index, QList<QUrl>* urls);
    static OSStatus CreateApplicationURLArray(QList<QUrl>* urls);
    QUrl GetApplicationURL(long index) const;
    OSStatus CreateApplicationPluginName(const QString& deviceID, long index, QString* name) const;
    OSStatus CreateApplicationPluginPath(const QString& deviceID, long index, QString* path) const;
    OSStatus CreateApplicationPluginURL(const QString& deviceID, long index, QUrl* url) const;
    bool IsExistApplicationPlugin(const QString& deviceID, long index,
                                  ToolReason* why = nullptr) const;
    bool IsSupportApplication(const QString& deviceID, long index, ToolReason* why = nullptr) const;

private:
    // A package already opened, by the scan or by AppendMachineBundle, joins the tables.
    OSStatus AppendScannedBundle(ScannedMachineBundle&& scanned,
                                 MachineBundleVerdict* verdict = nullptr);
    // Position of the first record of a model; -1 when there is none.
    qsizetype FirstRecordOf(const QString& model) const;

    std::optional<QList<QUrl>> m_applicationURLs;
    std::optional<QList<PrinterRecord>> m_printerRecords;
    // Each bundle's Setting.xml as the few values that are asked of it, by bundle name: the
    // entries and table kinds; the model names live in the records.
    std::optional<QHash<QString, MachineSetting>> m_settingDictionaries;
    // Records are only ever appended, so the first record of a model never changes: the
    // index answers exactly as a walk from the top would, without the walk.
    QHash<QString, qsizetype> m_firstRecordOfModel;
};
