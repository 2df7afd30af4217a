#pragma once

#include <QStringList>
#include <optional>

namespace platform {

// The user's preferred languages, most preferred first ("AppleLanguages"): the explicit
// list in the global preferences when one is set, else the desktop's UI languages
// (which follow LANGUAGE and LANG).
QStringList preferredLanguages();

// "en_US.UTF-8", "en-us" and the legacy folder name "English" all become comparable codes
// ("en-us", "en").
QString canonicalLanguage(QString name);

// Path of the global preferences file that may hold "AppleLanguages".
QString globalPreferencesPath();

// Tests fix the list; std::nullopt goes back to the real one.
void setPreferredLanguagesForTesting(std::optional<QStringList> languages);

} // namespace platform
