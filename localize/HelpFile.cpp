#include "localize/HelpFile.h"

#include "config/IniFile.h"
#include "config/UFile.h"
#include "localize/Alert.h"
#include "localize/Localize.h"
#include "platform/Desktop.h"
#include "platform/Languages.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

void CHelpFileCommon::DoHelpFile(std::uint32_t helpID) {
    bool noLink = false;
    const QString path = CreateManualPath(helpID, &noLink);
    if (path.isEmpty()) {
        // Without a link there is no document to open; the folder alone is not the manual.
        if (!noLink)
            ErrorTreatement();
        return;
    }
    // The text handed on is the URL with every escape replaced: spaces stay spaces.
    const QByteArray text = (QStringLiteral("file://") + path).toUtf8();
    if (text.isEmpty())
        return;
    if (LaunchURL(text.constData()) != noErr)
        ErrorTreatement();
}

QString CHelpFileCommon::CreateManualPath(std::uint32_t helpID, bool* noLink) {
    if (noLink)
        *noLink = false;
    const QUrl folder = CreateLangageFolderURL();
    if (folder.isEmpty())
        return QString();
    unsigned char link[256] = {};
    GetLinkString(helpID, link);
    const QString linkText = QString::fromUtf8(reinterpret_cast<const char*>(link + 1), link[0]);
    if (linkText.isEmpty()) {
        if (noLink)
            *noLink = true;
        return QString();
    }
    return QDir::cleanPath(folder.toLocalFile() + QLatin1Char('/') + linkText);
}

QUrl CHelpFileCommon::CreateLangageFolderURL() {
    FSSpec package;
    if (UFile::GetApplicationPackageFSSpec(&package) != noErr || package.path.isEmpty())
        return QUrl();
    QString folder = QFileInfo(package.path).absoluteFilePath();
    for (std::int32_t climbed = 0; climbed < level; ++climbed) {
        QDir up(folder);
        if (!up.cdUp())
            return QUrl();
        folder = up.absolutePath();
    }
    const QString manual = QDir(folder).filePath(QStringLiteral("Manual"));

    for (const QString& language : platform::preferredLanguages()) {
        const QString name = UFile::CreateLanguageFolderFromLanguageName(language);
        if (name.isEmpty())
            continue;
        const QUrl candidate =
            QUrl::fromLocalFile(manual + QLatin1Char('/') + name + QLatin1Char('/'));
        FSSpec spec;
        if (UFile::FSMakeFSSpecFromURL(candidate, &spec) == noErr && QFileInfo(spec.path).isDir())
            return candidate;
    }
    return QUrl::fromLocalFile(manual + QStringLiteral("/en/"));
}

OSStatus CHelpFileCommon::LaunchURL(const char* url) {
    if (!url)
        return paramErr;
    return platform::openURLText(QString::fromUtf8(url, qsizetype(std::strlen(url))))
               ? noErr
               : kURLHandlerRefusedErr;
}

OSStatus CHelpFile::GetLinkString(std::uint32_t /*helpID*/, unsigned char* link) {
    if (!link)
        return paramErr;
    char value[kIniLineBufferSize] = {};
    GetValueFromIniFile(FILENAME_SETTING_MANUAL, "MANUAL_0000", value);
    value[kIniLineBufferSize - 1] = '\0';
    std::replace(value, value + std::strlen(value), '\\', '/');
    UString::CopyCstrToPstr(value, link);
    return noErr;
}

void CHelpFile::ErrorTreatement() {
    CAlert::DoAlert(0, 1, STRID_ALERT_TEXT_HELP_NOT_FOUND, nullptr, nullptr, nullptr);
}
