#pragma once

#include "platform/StatusCodes.h"

#include <QString>

// The file specification that the configuration code shares.

// Names one file or folder. The path is absolute; an empty path names nothing.
struct FSSpec {
    QString path;
};

// A length-prefixed string: a length byte and up to 255 bytes.
using Str255 = unsigned char[256];
