#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace platform {

// Entry names of a folder (without "." and ".."), sorted by name case-insensitively with
// ties broken byte-wise: the stable order the catalogue relies on. std::nullopt when the
// folder cannot be listed.
std::optional<QStringList> listFolder(const QString& path);

// Raw entry names (file-system bytes) in listFolder's order, decoded.
QStringList sortFolderEntries(std::vector<QByteArray> raw);

// A name that stays one entry of the folder it is put in: not empty, "." or "..", and
// without "/" or NUL.
bool isPathComponent(QStringView name);

// The path of the running executable (/proc/self/exe).
QString executablePath();

} // namespace platform
