#pragma once

#include <QStringList>
#include <optional>

namespace platform {

// The user's preferred languages, most preferred first ("AppleLanguages"): the explicit
// list in the global preferences when one is set, else the desktop's UI languages
// (which follow LANGUAGE and LANG).
QStringList preferredLanguages();
// Fixes the answer of preferredLanguages() for a program that answers for another user's
// languages (trellis-check --language) and for tests; std::nullopt goes back to the real ones.
void setPreferredLanguages(std::optional<QStringList> languages);

// "en_US.UTF-8", "en-us" and the legacy folder name "English" all become comparable codes
// ("en-us", "en").
QString canonicalLanguage(QString name);

} // namespace platform
