#pragma once

#include <QString>

namespace platform {

// Loads the toolkit's own translations (standard buttons, dialogs and menu items) for the
// language the program's texts are shown in: the main bundle's chosen localization, or
// without one the user's first preferred language that has them. English needs none.
// Returns the language code installed, or an empty string when none was.
QString installToolkitTranslations();

} // namespace platform
