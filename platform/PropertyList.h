#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <optional>

namespace platform {

enum class ReadProblem;

// Property lists, XML or binary, as Qt values: dict -> QVariantMap, array -> QVariantList,
// string -> QString, integer -> qint64 (a value beyond 64 signed bits reads as the nearest
// one, INT64_MAX or INT64_MIN), real -> double,
// true/false -> bool, date -> QDateTime, data -> QByteArray.
// Bad, truncated, too deeply nested or too large input (the limits below) gives
// std::nullopt, never a crash.
std::optional<QVariant> parsePropertyList(const QByteArray& data);

// Only a root dictionary counts; anything else gives std::nullopt. Only a regular file of at
// most kMaxPropertyListFileSize bytes is read, and the read never waits: a FIFO, a device, a
// folder or a larger file gives std::nullopt at once. `bytes`, when given, also gets the
// file's bytes when they hold a dictionary; `problem` why there is none (Malformed: not a
// property list, or its root is not a dictionary).
std::optional<QVariantMap> readPropertyListDictionary(const QString& path,
                                                      QByteArray* bytes = nullptr,
                                                      ReadProblem* problem = nullptr);
std::optional<QVariantMap> parsePropertyListDictionary(const QByteArray& data);

// The limits a list keeps before libplist expands it; a list beyond them is unreadable, as a
// malformed one is.
//
// Largest file read: bundle lists are a few kilobytes, and a larger file is refused before
// any of it is read.
constexpr qint64 kMaxPropertyListFileSize = 16 * 1024 * 1024;
// Deepest nesting of arrays and dictionaries (libplist recurses once per level).
constexpr int kMaxPropertyListDepth = 256;
// Values after expansion: libplist makes one node per reference, so a binary list whose
// containers are referred to more than once would grow exponentially with its depth.
constexpr std::uint64_t kMaxPropertyListNodes = std::uint64_t(1) << 20;
// Bytes of strings and data after expansion (a shared string is copied per reference).
constexpr std::uint64_t kMaxPropertyListTextBytes = std::uint64_t(64) << 20;

} // namespace platform
