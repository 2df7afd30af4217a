#pragma once

#include <QStringList>
#include <optional>

namespace platform {

// The user's preferred languages, most preferred first ("AppleLanguages"): the explicit
// list in the global preferences when one is set, else the desktop's UI languages
// (which follow LANGUAGE and LANG).
QStringList preferredLanguages();

// Path of the global preferences file that may hold "AppleLanguages".
QString globalPreferencesPath();

// Tests fix the list; std::nullopt goes back to the real one.
void setPreferredLanguagesForTesting(std::optional<QStringList> languages);

} // namespace platform
