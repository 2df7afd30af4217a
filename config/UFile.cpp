#include "config/UFile.h"

#include "platform/Bundle.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <cstring>

namespace UFile {

namespace {

QString& settingFolderName() {
    static QString name = QStringLiteral("Settings");
    return name;
}

// A length-prefixed UTF-8 name; null when it is not valid UTF-8.
QString decodePascalString(const unsigned char* name) {
    const auto bytes = QByteArrayView(reinterpret_cast<const char*>(name + 1), name[0]);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QString();
    return text.isNull() ? QString(QLatin1String("")) : text;
}

} // namespace

void SetSettingFolderName(const QString& name) {
    settingFolderName() = name;
}

QString GetSettingFolderName() {
    return settingFolderName();
}

OSErr GetIniFileFSSpec(const unsigned char* name, FSSpec* spec) {
    if (!name || !spec)
        return paramErr;
    const QString fileName = decodePascalString(name);
    // A settings file is named by its bare name: nothing that could leave the folder.
    if (!platform::isPathComponent(fileName))
        return paramErr;
    const auto bundle = platform::Bundle::mainBundle();
    if (!bundle)
        return paramErr;
    const QString path = bundle->resourcePath(fileName, GetSettingFolderName());
    if (path.isEmpty())
        return paramErr;
    return FSMakeFSSpecFromURL(QUrl::fromLocalFile(path), spec);
}

OSErr FSMakeFSSpecFromURL(const QUrl& url, FSSpec* spec) {
    if (spec)
        *spec = FSSpec();
    if (!spec || url.isEmpty() || !url.isLocalFile())
        return paramErr;
    const QFileInfo item(url.toLocalFile());
    if (!item.exists())
        return paramErr;
    spec->path = QDir::cleanPath(item.absoluteFilePath());
    return noErr;
}

OSErr GetAppFSSpec(FSSpec* spec) {
    if (!spec)
        return paramErr;
    const auto bundle = platform::Bundle::mainBundle();
    if (!bundle)
        return fnfErr;
    const QString folder = bundle->bundlePath() + QStringLiteral("/Contents/MacOS");
    if (!QFileInfo(folder).isDir())
        return fnfErr;
    spec->path = QDir::cleanPath(folder);
    return noErr;
}

OSErr GetApplicationPackageFSSpec(FSSpec* spec) {
    if (!spec)
        return paramErr;
    FSSpec executableFolder;
    const OSErr err = GetAppFSSpec(&executableFolder);
    if (err != noErr)
        return err;
    QDir dir(executableFolder.path);
    if (!dir.cdUp() || !dir.cdUp())
        return fnfErr;
    spec->path = QDir::cleanPath(dir.absolutePath());
    return noErr;
}

QUrl GetApplicationResourceURLFromBundle() {
    const auto bundle = platform::Bundle::mainBundle();
    if (!bundle)
        return QUrl();
    return QUrl::fromLocalFile(bundle->resourcesPath());
}

QUrl GetAppResourceFileURL(const QString& name) {
    const QUrl resources = GetApplicationResourceURLFromBundle();
    if (resources.isEmpty() || name.isEmpty())
        return QUrl();
    return QUrl::fromLocalFile(resources.toLocalFile() + QLatin1Char('/') + name);
}

QString CreateLanguageFolderFromLanguageName(const QString& language) {
    if (language.isEmpty())
        return QString();
    if (language == QLatin1String("zh-Hans"))
        return QStringLiteral("zh");
    if (language == QLatin1String("zh-Hant"))
        return QStringLiteral("zt");
    QString folder = language.section(QLatin1Char('-'), 0, 0);
    // "-en" has an empty first piece: no folder rather than the manual root.
    return folder.isEmpty() ? QString() : folder;
}

} // namespace UFile

namespace UString {

void CopyCstrToPstr(const char* source, unsigned char* destination) {
    if (!destination)
        return;
    const size_t length = source ? strnlen(source, 255) : 0;
    destination[0] = static_cast<unsigned char>(length);
    if (length > 0)
        std::memcpy(destination + 1, source, length);
}

} // namespace UString

namespace UAppLaunch {

bool CheckAllIniFileExist(unsigned char (*names)[256], long count) {
    if (count > 0 && !names)
        return false;
    for (long i = 0; i < count; ++i) {
        FSSpec spec;
        if (UFile::GetIniFileFSSpec(names[i], &spec) != noErr)
            return false;
    }
    return true;
}

} // namespace UAppLaunch

namespace UCFArray {

bool IsContainsStringValue(const QStringList* array, const QString& value) {
    if (!array || value.isNull())
        return false;
    for (const QString& element : *array) {
        if (!element.isNull() && element == value)
            return true;
    }
    return false;
}

} // namespace UCFArray
