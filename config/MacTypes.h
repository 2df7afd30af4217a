#pragma once

#include <QString>

// The status codes and the file specification that the configuration code shares.

using OSStatus = int;
using OSErr = short;

constexpr OSErr noErr = 0;
constexpr OSErr readErr = -19;
constexpr OSErr eofErr = -39;
constexpr OSErr bdNamErr = -37; // a name that may not stand in a path
constexpr OSErr fnfErr = -43;   // no such file or folder
constexpr OSErr paramErr = -50;
constexpr OSErr memFullErr = -108;
constexpr OSErr dirNFErr = -120; // a folder on the way is missing

// Names one file or folder. The path is absolute; an empty path names nothing.
struct FSSpec {
    QString path;
};

// A length-prefixed string: a length byte and up to 255 bytes.
using Str255 = unsigned char[256];
