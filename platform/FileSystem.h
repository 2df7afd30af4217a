#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace platform {

// Entry names of a folder (without "." and ".."), sorted by name case-insensitively with
// ties broken byte-wise: the stable order the catalogue relies on. std::nullopt when the
// folder cannot be listed.
std::optional<QStringList> listFolder(const QString& path);

// A name that stays one entry of the folder it is put in: not empty, "." or "..", and
// without "/" or NUL.
bool isPathComponent(QStringView name);

// The path of the running executable (/proc/self/exe).
QString executablePath();

// Why a file could not be read (the checker tells it; the programs go without the file):
// NotRegular is a FIFO, device, socket, folder, or a link where links are refused; Malformed is
// set by the readers above this one, for content that is not what they want.
enum class ReadProblem { None, Missing, NotRegular, TooLarge, Unreadable, Malformed };

// Opens a regular file for reading without ever waiting: non-blocking, close-on-exec, never
// a controlling terminal. A FIFO, device, socket or folder is refused before anything is
// read. The descriptor (the caller closes it), or -1; `size` gets the file's size. Without
// `followLinks`, a symbolic link in the file's place is refused as well; `problem` gets why.
int openRegularFile(const QString& path, qint64* size = nullptr, bool followLinks = true,
                    ReadProblem* problem = nullptr);

// The whole of a regular file of at most `maxSize` bytes, read in exactly its size.
// std::nullopt for anything openRegularFile refuses, a larger file (refused before reading),
// or a file that shrinks while being read.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxSize,
                                          ReadProblem* problem = nullptr);

} // namespace platform
