#pragma once

#include "setup_launcher/PrinterPlugin.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace platform {
class Bundle;
}

namespace setup_launcher {

inline constexpr char kSGT_OpenSetUpDialogProcName[] = SGT_OPEN_SET_UP_DIALOG_NAME;
inline constexpr char kSPE_OpenSetUpDialogProcName[] = SPE_OPEN_SET_UP_DIALOG_NAME;

// The two handles a plug-in is called with, and the texts they hand out. Lives for the
// duration of one call.
class PluginCallHandles {
public:
    PluginCallHandles(const QString& deviceID, std::shared_ptr<platform::Bundle> bundle);
    PluginCallHandles(const PluginCallHandles&) = delete;
    PluginCallHandles& operator=(const PluginCallHandles&) = delete;

    const PrinterPluginString* deviceID() const { return &m_deviceIDHandle; }
    const PrinterPluginBundle* bundle() const { return &m_bundleHandle; }

private:
    friend struct PluginCallAccess;

    QByteArray m_deviceIDText;
    QByteArray m_bundlePath;
    QByteArray m_resourcesPath;
    std::shared_ptr<platform::Bundle> m_bundle;
    PrinterPluginString m_deviceIDHandle{};
    PrinterPluginBundle m_bundleHandle{};
};

// A plug-in bundle found by its path relative to the folder that holds the program's
// package, loaded, and its entry point looked up.
class LoadedPlugin {
public:
    // True when the bundle exists, its executable loads and exports `entryName`.
    bool Load(const QString& relativePath, const char* entryName);
    // Releases the bundle; unloads its executable when nobody else holds the bundle.
    void Unload();

    PrinterPluginOpenSetUpDialogProc entry() const { return m_entry; }
    int32_t Call(const QString& deviceID) const;

private:
    std::shared_ptr<platform::Bundle> m_bundle;
    PrinterPluginOpenSetUpDialogProc m_entry = nullptr;
};

// The Sheet Glide Tuner plug-in of one run.
class CSGTPlugin {
public:
    explicit CSGTPlugin(const QString& relativePath);
    virtual ~CSGTPlugin();
    CSGTPlugin(const CSGTPlugin&) = delete;
    CSGTPlugin& operator=(const CSGTPlugin&) = delete;

    // 0 when the plug-in is loaded and its entry point found, 100 otherwise.
    int32_t Initialize();
    // The entry point's result; 100 when there is none.
    int32_t OpenSetUpDialog(const QString& deviceID);

private:
    int32_t LoadSGTPlugin();

    QString m_relativePath;
    LoadedPlugin m_plugin;
};

// The Stock Profile Editor plug-in of one run.
class CSPEPlugin {
public:
    explicit CSPEPlugin(const QString& relativePath);
    virtual ~CSPEPlugin();
    CSPEPlugin(const CSPEPlugin&) = delete;
    CSPEPlugin& operator=(const CSPEPlugin&) = delete;

    bool Initialize();
    // The entry point's result; 0 when there is none.
    int32_t OpenSetUpDialog(const QString& deviceID);

private:
    bool LoadSPEPlugin();

    QString m_relativePath;
    LoadedPlugin m_plugin;
};

} // namespace setup_launcher
