#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// Entry names of a folder (without "." and ".."), sorted by name case-insensitively with
// ties broken byte-wise: the stable order the catalogue relies on. std::nullopt when the
// folder cannot be listed.
std::optional<QStringList> listFolder(const QString& path);

// The path of the running executable (/proc/self/exe).
QString executablePath();

} // namespace platform
