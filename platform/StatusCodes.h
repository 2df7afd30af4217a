#pragma once

// The status codes and four-character codes that every layer shares.

#include <cstddef>
#include <cstdint>

using OSStatus = int;
using OSErr = short;
using OSType = std::uint32_t;

// Four-character codes are the big-endian reading of their characters: "MAIN"_4cc.
consteval OSType operator""_4cc(const char* text, std::size_t length) {
    if (length != 4)
        throw "a four-character code has four characters";
    return (OSType(std::uint8_t(text[0])) << 24) | (OSType(std::uint8_t(text[1])) << 16) |
           (OSType(std::uint8_t(text[2])) << 8) | OSType(std::uint8_t(text[3]));
}

constexpr OSErr noErr = 0;
constexpr OSErr readErr = -19;
constexpr OSErr bdNamErr = -37; // a name that may not stand in a path
constexpr OSErr eofErr = -39;
constexpr OSErr fnfErr = -43; // no such file or folder
constexpr OSErr paramErr = -50;
constexpr OSErr memFullErr = -108;
constexpr OSErr dirNFErr = -120; // a folder on the way is missing

constexpr OSStatus kURLHandlerRefusedErr = -673; // the desktop could not open the URL
constexpr OSStatus errAEDescNotFound = -1701;
constexpr OSStatus errAEEventNotHandled = -1717;
