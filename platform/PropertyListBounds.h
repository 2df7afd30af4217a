#pragma once

#include <QByteArray>
#include <cstdint>

namespace platform {

// Limits that a property list keeps before libplist expands it. A list beyond them is
// unreadable, as a malformed one is.
//
// Values after expansion: libplist makes one node per reference, so a binary list whose
// containers are referred to more than once would grow exponentially with its depth.
constexpr std::uint64_t kMaxPropertyListNodes = std::uint64_t(1) << 20;
// Bytes of strings and data after expansion (a shared string is copied per reference).
constexpr std::uint64_t kMaxPropertyListTextBytes = std::uint64_t(64) << 20;

// A binary list ("bplist00"): false when an array or dictionary is reached twice (shared
// or in a cycle), when nesting exceeds kMaxPropertyListDepth, when a string holds a NUL
// character (libplist aborts on one), or when the expansion exceeds the limits above; counted on
// the object table, without expanding. Integers that do not fit 64 signed bits are rewritten to the
// nearest 64-bit value in *bounded (left null when the list needs no change).
bool binaryPropertyListWithinBounds(const QByteArray& data, QByteArray* bounded);

// An XML list: false with more than kMaxPropertyListNodes elements, nesting deeper than
// kMaxPropertyListDepth, or with an <integer>
// whose text is not a plain number ([sign] decimal, 0x hex or 0 octal digits). Integers
// that do not fit 64 signed bits are rewritten as above.
bool xmlPropertyListWithinBounds(const QByteArray& data, QByteArray* bounded);

} // namespace platform
