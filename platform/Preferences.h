#pragma once

#include <QString>
#include <QVariant>

namespace platform {

// Domain names with a special meaning, as the preference calls take them.
inline const QString kPreferencesCurrentApplication =
    QStringLiteral("kCFPreferencesCurrentApplication");
inline const QString kPreferencesCurrentUser = QStringLiteral("kCFPreferencesCurrentUser");
inline const QString kPreferencesAnyHost = QStringLiteral("kCFPreferencesAnyHost");

// A per-user store of values for one application, kept in the user's configuration folder
// under the application's identifier. kPreferencesCurrentApplication stands for the running
// program's bundle identifier. Only the current user's store is reachable; hosts are not
// kept apart. Strings and string lists (QStringList) keep their type and order; any other
// value is stored as its text.

// A store larger than this (1 MiB) counts as damaged, as does one that is not a plain file
// (a link is not followed): it reads as empty and the next save starts it afresh.
constexpr qint64 kMaxPreferencesStoreBytes = qint64(1) << 20;

// The file that holds the application's store; empty when the application has no usable
// identifier.
QString preferencesPath(const QString& applicationID);

// The stored value, or an invalid QVariant when there is none, the store is missing or
// cannot be read.
QVariant copyPreferenceValue(const QString& key, const QString& applicationID,
                             const QString& userName = kPreferencesCurrentUser,
                             const QString& hostName = kPreferencesAnyHost);

// Stores the values (an invalid QVariant removes its key) and writes the store to disk at
// once, whole, through one rename, under "<store>.lock" (given up after 2 s); nothing is
// written when the store already holds them. True only when the store holds them. A writer
// killed halfway leaves the store as it was.
bool setPreferenceValues(const QVariantMap& values, const QString& applicationID);

// setPreferenceValues for one value.
bool setPreferenceValue(const QString& key, const QVariant& value, const QString& applicationID,
                        const QString& userName = kPreferencesCurrentUser,
                        const QString& hostName = kPreferencesAnyHost);

// True when the store is on disk (every save writes it through).
bool synchronizePreferences(const QString& applicationID);

} // namespace platform
