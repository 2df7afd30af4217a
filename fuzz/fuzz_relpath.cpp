// The classic relative paths of "Setting.ini", resolved from the application package.
#include "FuzzSupport.h"
#include "config/SettingFile.h"
#include "platform/Bundle.h"

#include <QFileInfo>

namespace {
const QString& root() {
    static const QString path = [] {
        const QString base = fuzzScratch() + QStringLiteral("/root");
        writeFile(base + QStringLiteral("/Trellis.app/Contents/Info.plist"), "");
        writeFile(base + QStringLiteral("/Tool/Tool.app/Contents/Info.plist"), "");
        writeFile(base + QStringLiteral("/Tool/Plugin/PrinterPlugin/SGTA.plugin/x"), "");
        platform::Bundle::setMainBundlePath(base + QStringLiteral("/Trellis.app"));
        return base;
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ensureCoreApplication();
    const QString base = root();
    QByteArray path(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    path.truncate(path.indexOf('\0') < 0 ? path.size() : path.indexOf('\0'));
    QUrl url;
    if (CSettingFile::GetAbsCFRULRef(path.constData(), &url) == 0) {
        // Whatever resolves exists and lies inside the scratch tree.
        const QString resolved = QFileInfo(url.toLocalFile()).canonicalFilePath();
        if (resolved.isEmpty() ||
            !resolved.startsWith(QFileInfo(fuzzScratch()).canonicalFilePath()))
            __builtin_trap();
    }
    return 0;
}
