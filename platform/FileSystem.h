#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
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

// Why a file could not be read: the installation checker tells its user, the programs just
// go without the file.
enum class ReadProblem : std::uint8_t {
    None,
    Missing,    // nothing there, or a symbolic link that leads nowhere
    NotRegular, // a FIFO, device, socket or folder; or a link where links are refused
    TooLarge,
    Unreadable, // no permission, or the read failed
    Malformed,  // read, but not what the reader wants (set by the readers above this one)
};

// Opens a regular file for reading without ever waiting: non-blocking, close-on-exec, never
// a controlling terminal. A FIFO, device, socket or folder is refused before anything is
// read. The descriptor (the caller closes it), or -1; `size` gets the file's size. Without
// `followLinks`, a symbolic link in the file's place is refused as well. `problem` gets why
// a file was refused.
int openRegularFile(const QString& path, qint64* size = nullptr, bool followLinks = true,
                    ReadProblem* problem = nullptr);

// The whole of a regular file of at most `maxSize` bytes, read in exactly its size.
// std::nullopt for anything openRegularFile refuses, a larger file (refused before reading),
// or a file that shrinks while being read.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxSize,
                                          ReadProblem* problem = nullptr);

} // namespace platform
