#pragma once

#include "config/MacTypes.h"

#include <QStringList>
#include <QUrl>

namespace UFile {

// Name of the settings folder inside the resources: "Settings" unless the program
// sets its own at start-up.
void SetSettingFolderName(const QString& name);
QString GetSettingFolderName();

// The INI file of that name in the settings folder (localized copies count too);
// -50 when it is not there.
OSErr GetIniFileFSSpec(const unsigned char* name, FSSpec* spec);
// -50 for an empty URL or an item that does not exist.
OSErr FSMakeFSSpecFromURL(const QUrl& url, FSSpec* spec);
// The folder of the running executable (X.app/Contents/MacOS).
OSErr GetAppFSSpec(FSSpec* spec);
// Two folders above that: the application package (X.app).
OSErr GetApplicationPackageFSSpec(FSSpec* spec);
// The main bundle's resources folder; empty when there is no main bundle.
QUrl GetApplicationResourceURLFromBundle();
// A file of the resources folder; empty when there is no resources folder.
QUrl GetAppResourceFileURL(const QString& name);
// The manual folder name of one preferred language; a null string for none.
QString CreateLanguageFolderFromLanguageName(const QString& language);

} // namespace UFile

namespace UString {
// Copies a C string into a 256-byte length-prefixed buffer, cut at 255 bytes.
void CopyCstrToPstr(const char* source, unsigned char* destination);
} // namespace UString

namespace UAppLaunch {
// True when every one of the length-prefixed names is found in the settings folder;
// stops at the first that is not.
bool CheckAllIniFileExist(unsigned char (*names)[256], long count);
} // namespace UAppLaunch

namespace UCFArray {
// False for a null array or null value; true when an element equals the value exactly.
bool IsContainsStringValue(const QStringList* array, const QString& value);
} // namespace UCFArray
