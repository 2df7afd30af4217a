#pragma once

// The status codes, all in one place, and the four-character codes that every layer shares.

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

// Status codes of the window system.
constexpr OSStatus eventNotHandledErr = -9874;
constexpr OSStatus eventParameterNotFoundErr = -9870;
constexpr OSStatus errAECoercionFail = -1700;
constexpr OSStatus dragNotAcceptedErr = -1857;
constexpr OSStatus errDataSizeMismatch = -30591;
constexpr OSStatus errUnknownControl = -30584;
constexpr OSStatus errInvalidWindowRef = -5600;
constexpr OSStatus errControlPropertyNotFound = -5603;
constexpr OSStatus errWindowPropertyNotFound = -5604;
constexpr OSStatus errDataNotSupported = -30583;
constexpr OSStatus errInvalidPartCode = -30593;
constexpr OSStatus errUnknownControlKind = -2114; // no text to localize for this kind
constexpr OSStatus kIBCarbonRuntimeCantFindNibFile = -10960;
constexpr OSStatus kIBCarbonRuntimeObjectNotOfRequestedType = -10961;
constexpr OSStatus kIBCarbonRuntimeCantFindObject = -10962;
constexpr OSStatus hiObjectClassExistsErr = -22080;

// Launching applications.
constexpr OSStatus kLSApplicationNotFoundErr = -10814;
constexpr OSStatus kLSNoExecutableErr = -10827;
constexpr OSStatus kLSLaunchFailedErr = -10810;
