#pragma once

// Helpers shared by the sample plug-ins: reading the handles the set-up launcher passes,
// and the banner at the top of each dialog.

#include "setup_launcher/PrinterPlugin.h"

#include <QByteArray>
#include <QFile>
#include <QFrame>
#include <QJsonDocument>
#include <QLabel>
#include <QString>
#include <QVBoxLayout>
#include <vector>

namespace demo_plugin {

inline QString deviceID(const PrinterPluginString* id) {
    if (!PRINTER_PLUGIN_HAS_FIELD(id, PrinterPluginString, GetUTF8))
        return QString();
    size_t length = 0;
    const char* text = id->GetUTF8(id, &length);
    return text ? QString::fromUtf8(text, static_cast<qsizetype>(length)) : QString();
}

// The name a user knows the printer by.
inline QString displayName(const QString& deviceID) {
    const QString vendor = QStringLiteral("Orvel ");
    return deviceID.startsWith(vendor) ? deviceID : vendor + deviceID;
}

// Calls one of the handle's copy look-ups with a buffer that grows until the answer fits.
template <class Lookup>
QString copyAnswer(Lookup lookup) {
    std::vector<char> buffer(256);
    for (;;) {
        const int32_t length = lookup(buffer.data(), buffer.size());
        if (length < 0)
            return QString();
        if (static_cast<size_t>(length) < buffer.size())
            return QString::fromUtf8(buffer.data(), length);
        buffer.resize(static_cast<size_t>(length) + 1);
    }
}

inline QString infoString(const PrinterPluginBundle* bundle, const char* key) {
    if (!PRINTER_PLUGIN_HAS_FIELD(bundle, PrinterPluginBundle, CopyInfoString))
        return QString();
    return copyAnswer([&](char* buffer, size_t size) {
        return bundle->CopyInfoString(bundle, key, buffer, size);
    });
}

inline QString resourcePath(const PrinterPluginBundle* bundle, const char* name) {
    if (!PRINTER_PLUGIN_HAS_FIELD(bundle, PrinterPluginBundle, CopyResourcePath))
        return QString();
    return copyAnswer([&](char* buffer, size_t size) {
        return bundle->CopyResourcePath(bundle, name, nullptr, buffer, size);
    });
}

// The plug-in's own JSON resource; an empty document when it is missing or broken.
inline QJsonDocument readJsonResource(const PrinterPluginBundle* bundle, const char* name) {
    QFile file(resourcePath(bundle, name));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return QJsonDocument();
    return QJsonDocument::fromJson(file.readAll());
}

// The coloured banner: the tool, the printer, and which plug-in is speaking.
inline QFrame* makeBanner(const QString& tool, const QString& printer,
                          const PrinterPluginBundle* bundle, const QString& accent) {
    auto* banner = new QFrame;
    banner->setObjectName(QStringLiteral("banner"));
    banner->setStyleSheet(
        QStringLiteral("#banner { background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
                       " stop:0 %1, stop:1 #1d2b3a); border-radius: 6px; }"
                       "#banner QLabel { color: white; background: transparent; }")
            .arg(accent));
    auto* layout = new QVBoxLayout(banner);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(2);

    auto* toolLabel = new QLabel(tool.toUpper());
    QFont small = toolLabel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    small.setBold(true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    toolLabel->setFont(small);
    auto* printerLabel = new QLabel(printer);
    QFont large = printerLabel->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    printerLabel->setFont(large);

    QString detail = infoString(bundle, "CFBundleName");
    const QString version = infoString(bundle, "CFBundleVersion");
    if (!version.isEmpty())
        detail += QStringLiteral("  \u00b7  version ") + version;
    auto* detailLabel = new QLabel(detail);
    detailLabel->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 190);"));

    layout->addWidget(toolLabel);
    layout->addWidget(printerLabel);
    layout->addWidget(detailLabel);
    return banner;
}

} // namespace demo_plugin
