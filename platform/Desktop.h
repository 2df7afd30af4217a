#pragma once

#include <QString>

namespace platform {

// Opens the URL text in the user's default application for it. A "file://" text is taken
// as a plain path, so names with '#', '?' or '%' open the file they name. False when the
// desktop could not open it (tests install a handler with QDesktopServices::setUrlHandler).
bool openURLText(const QString& text);

} // namespace platform
