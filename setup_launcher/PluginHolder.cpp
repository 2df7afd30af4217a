#include "setup_launcher/PluginHolder.h"

#include "catalogue/PathUtil.h"
#include "platform/Bundle.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <limits>

namespace setup_launcher {

namespace {

constexpr int32_t kPluginFailure = 100;

// snprintf-like: as much as fits with a NUL, and the whole length as the answer.
int32_t copyAnswer(const QByteArray& answer, char* buffer, size_t bufferSize) {
    if (buffer && bufferSize > 0) {
        const size_t count = std::min(bufferSize - 1, static_cast<size_t>(answer.size()));
        std::memcpy(buffer, answer.constData(), count);
        buffer[count] = '\0';
    }
    return static_cast<int32_t>(
        std::min<qsizetype>(answer.size(), std::numeric_limits<int32_t>::max()));
}

QString fromUtf8OrNull(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

// The C callbacks of the handles; `host` points back at the handles object.
struct PluginCallAccess {
    static const PluginCallHandles* of(const void* host) {
        return static_cast<const PluginCallHandles*>(host);
    }

    static const char* getUTF8(const PrinterPluginString* self, size_t* length) {
        if (!self)
            return nullptr;
        const QByteArray& text = of(self->host)->m_deviceIDText;
        if (length)
            *length = static_cast<size_t>(text.size());
        return text.constData();
    }

    static const char* getBundlePath(const PrinterPluginBundle* self) {
        return self ? of(self->host)->m_bundlePath.constData() : nullptr;
    }

    static const char* getResourcesPath(const PrinterPluginBundle* self) {
        return self ? of(self->host)->m_resourcesPath.constData() : nullptr;
    }

    static int32_t copyResourcePath(const PrinterPluginBundle* self, const char* name,
                                    const char* subfolder, char* buffer, size_t bufferSize) {
        if (!self || !name || !*name)
            return -1;
        const QString path =
            of(self->host)
                ->m_bundle->resourcePath(QString::fromUtf8(name), fromUtf8OrNull(subfolder));
        if (path.isEmpty())
            return -1;
        return copyAnswer(QFile::encodeName(path), buffer, bufferSize);
    }

    static int32_t copyInfoString(const PrinterPluginBundle* self, const char* key, char* buffer,
                                  size_t bufferSize) {
        if (!self || !key)
            return -1;
        const QVariantMap& info = of(self->host)->m_bundle->infoDictionary();
        const auto it = info.constFind(QString::fromUtf8(key));
        if (it == info.constEnd() || it->typeId() != QMetaType::QString)
            return -1;
        return copyAnswer(it->toString().toUtf8(), buffer, bufferSize);
    }
};

PluginCallHandles::PluginCallHandles(const QString& deviceID,
                                     std::shared_ptr<platform::Bundle> bundle)
    : m_deviceIDText(deviceID.toUtf8()), m_bundlePath(QFile::encodeName(bundle->bundlePath())),
      m_resourcesPath(QFile::encodeName(bundle->resourcesPath())), m_bundle(std::move(bundle)) {
    m_deviceIDHandle.size = sizeof(PrinterPluginString);
    m_deviceIDHandle.version = PRINTER_PLUGIN_INTERFACE_VERSION;
    m_deviceIDHandle.host = this;
    m_deviceIDHandle.GetUTF8 = &PluginCallAccess::getUTF8;

    m_bundleHandle.size = sizeof(PrinterPluginBundle);
    m_bundleHandle.version = PRINTER_PLUGIN_INTERFACE_VERSION;
    m_bundleHandle.host = this;
    m_bundleHandle.GetBundlePath = &PluginCallAccess::getBundlePath;
    m_bundleHandle.GetResourcesPath = &PluginCallAccess::getResourcesPath;
    m_bundleHandle.CopyResourcePath = &PluginCallAccess::copyResourcePath;
    m_bundleHandle.CopyInfoString = &PluginCallAccess::copyInfoString;
}

// --- LoadedPlugin ------------------------------------------------------------------------

bool LoadedPlugin::Load(const QString& relativePath, const char* entryName) {
    m_bundle.reset();
    m_entry = nullptr;
    const auto mainBundle = platform::Bundle::mainBundle();
    if (!mainBundle || relativePath.isEmpty())
        return false;
    // Relative to the tool's folder, the one that holds its package; the path may have
    // several components.
    const QString toolFolder = UPath::DeletingLastPathComponent(mainBundle->bundlePath());
    m_bundle = platform::Bundle::create(UPath::AppendingPathComponent(toolFolder, relativePath));
    if (!m_bundle)
        return false;
    if (!m_bundle->isExecutableLoaded() && !m_bundle->loadExecutable())
        return false;
    m_entry = reinterpret_cast<PrinterPluginOpenSetUpDialogProc>(m_bundle->symbol(entryName));
    return m_entry != nullptr;
}

void LoadedPlugin::Unload() {
    m_entry = nullptr;
    if (!m_bundle)
        return;
    if (m_bundle->isExecutableLoaded() && m_bundle.use_count() == 1)
        m_bundle->unloadExecutable();
    m_bundle.reset();
}

int32_t LoadedPlugin::Call(const QString& deviceID) const {
    const PluginCallHandles handles(deviceID, m_bundle);
    return m_entry(handles.deviceID(), handles.bundle());
}

// --- CSGTPlugin --------------------------------------------------------------------------

CSGTPlugin::CSGTPlugin(const QString& relativePath) : m_relativePath(relativePath) {}

CSGTPlugin::~CSGTPlugin() {
    m_plugin.Unload();
}

int32_t CSGTPlugin::Initialize() {
    return LoadSGTPlugin();
}

int32_t CSGTPlugin::LoadSGTPlugin() {
    return m_plugin.Load(m_relativePath, kSGT_OpenSetUpDialogProcName) ? 0 : kPluginFailure;
}

int32_t CSGTPlugin::OpenSetUpDialog(const QString& deviceID) {
    if (!m_plugin.entry())
        return kPluginFailure;
    return m_plugin.Call(deviceID);
}

// --- CSPEPlugin --------------------------------------------------------------------------

CSPEPlugin::CSPEPlugin(const QString& relativePath) : m_relativePath(relativePath) {}

CSPEPlugin::~CSPEPlugin() {
    m_plugin.Unload();
}

bool CSPEPlugin::Initialize() {
    return LoadSPEPlugin();
}

bool CSPEPlugin::LoadSPEPlugin() {
    return m_plugin.Load(m_relativePath, kSPE_OpenSetUpDialogProcName);
}

int32_t CSPEPlugin::OpenSetUpDialog(const QString& deviceID) {
    if (!m_plugin.entry())
        return 0;
    return m_plugin.Call(deviceID);
}

} // namespace setup_launcher
