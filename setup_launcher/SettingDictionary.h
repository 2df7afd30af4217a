#pragma once

#include "platform/StatusCodes.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <memory>

class CMachineBundle;

namespace setup_launcher {

inline constexpr char KEY_PLUGIN_PATH[] = "PLUGIN_PATH";
inline constexpr char kMachineBundleFolderName[] = "MachineBundle";
inline constexpr char kMachineBundleSuffix[] = ".bundle";

// The PLUGIN_PATH entry of the program's own Setting.ini for one printer: the fallback
// when no machine bundle gives the printer's plug-in.
class CSettingFile {
public:
    // Creates the instance on the first call and reads Setting.ini once.
    static CSettingFile* GetInstance(const QString& deviceID);
    // The instance, or null; never creates one.
    static CSettingFile* GetInstance();
    // The programs keep the instance to the end; tests start afresh.
    static void DestroyInstance();

    virtual ~CSettingFile();
    CSettingFile(const CSettingFile&) = delete;
    CSettingFile& operator=(const CSettingFile&) = delete;

    // False when Setting.ini gave no usable path.
    bool GetPluginPath(QString* path) const;

private:
    explicit CSettingFile(const QString& deviceID);
    void Initialize();

    static CSettingFile* sSettingFile;
    QString m_deviceID;   // null when none was given
    QString m_pluginPath; // "\" read as "/"; null when none
};

// Works out the relative path (from the folder holding the program's package) of the
// plug-in bundle that serves one printer: through the machine bundles, else Setting.ini.
class CSettingDictionary {
public:
    // Created and initialized on the first call; later calls return the same instance
    // whatever they are given. Null only when neither route can be tried.
    static CSettingDictionary* GetInstance(const QString& deviceID);
    static void DestroyInstance();

    // The plug-in file name pattern, "%@" standing for the printer's initial, e.g.
    // "Plugin/PrinterPlugin/SGT%@.plugin". Set by the program before the first GetInstance.
    static void SetPluginPathFormat(const QString& format);

    virtual ~CSettingDictionary();
    CSettingDictionary(const CSettingDictionary&) = delete;
    CSettingDictionary& operator=(const CSettingDictionary&) = delete;

    bool CreatePluginPath(QString* path) const;

    OSStatus OnInitialize(const QString& deviceID);
    OSStatus CreateMachineBundle(std::unique_ptr<CMachineBundle>* machineBundle) const;
    OSStatus CreateMachineBundlePathList(QList<QUrl>* urls) const;
    OSStatus CreateMachineBundlePath(QString* path) const;
    OSStatus CreateRelativePluginPath(QString* path) const;
    void CleanupClass();

    const CMachineBundle* GetMachineBundle() const { return m_machineBundle.get(); }

private:
    CSettingDictionary();

    static CSettingDictionary* sSettingDictionaryP;
    QString m_deviceID;
    std::unique_ptr<CMachineBundle> m_machineBundle;
    QString m_relativePath; // null when none
};

} // namespace setup_launcher
