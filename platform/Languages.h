#pragma once

#include <QStringList>

namespace platform {

// The user's preferred languages, most preferred first ("AppleLanguages"): the explicit
// list in the global preferences when one is set, else the desktop's UI languages
// (which follow LANGUAGE and LANG).
QStringList preferredLanguages();

// "en_US.UTF-8", "en-us" and the legacy folder name "English" all become comparable codes
// ("en-us", "en").
QString canonicalLanguage(QString name);

} // namespace platform
