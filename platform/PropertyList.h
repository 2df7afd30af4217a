#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

namespace platform {

// Property lists, XML or binary, as Qt values: dict -> QVariantMap, array -> QVariantList,
// string -> QString, integer -> qint64 (a value beyond 64 signed bits reads as the nearest
// one, INT64_MAX or INT64_MIN), real -> double,
// true/false -> bool, date -> QDateTime, data -> QByteArray.
// Bad, truncated, too deeply nested or too large input (PropertyListBounds.h) gives
// std::nullopt, never a crash.
std::optional<QVariant> parsePropertyList(const QByteArray& data);

// Largest property-list file read: bundle lists are a few kilobytes, and a larger file is
// refused before any of it is read.
constexpr qint64 kMaxPropertyListFileSize = 16 * 1024 * 1024;

// Only a regular file of at most kMaxPropertyListFileSize bytes is read, and the read never
// waits: a FIFO, a device, a folder or a larger file gives std::nullopt at once.
std::optional<QVariant> readPropertyList(const QString& path);

// Only a root dictionary counts; anything else gives std::nullopt.
std::optional<QVariantMap> readPropertyListDictionary(const QString& path);
// As above; `bytes` also gets the file's bytes when they hold a dictionary.
std::optional<QVariantMap> readPropertyListDictionary(const QString& path, QByteArray* bytes);
std::optional<QVariantMap> parsePropertyListDictionary(const QByteArray& data);

// Deepest nesting of arrays and dictionaries that the reader accepts.
constexpr int kMaxPropertyListDepth = 256;

} // namespace platform
