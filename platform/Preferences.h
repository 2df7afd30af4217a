#pragma once

#include <QString>
#include <QVariant>

namespace platform {

// Domain names with a special meaning, as the preference calls take them.
inline const QString kPreferencesCurrentApplication =
    QStringLiteral("kCFPreferencesCurrentApplication");
inline const QString kPreferencesCurrentUser = QStringLiteral("kCFPreferencesCurrentUser");
inline const QString kPreferencesAnyHost = QStringLiteral("kCFPreferencesAnyHost");
inline const QString kPreferencesCurrentHost = QStringLiteral("kCFPreferencesCurrentHost");

// A per-user store of values for one application, kept in the user's configuration folder
// under the application's identifier. kPreferencesCurrentApplication stands for the running
// program's bundle identifier. Only the current user's store is reachable; hosts are not
// kept apart. Strings and arrays of strings keep their type and order.

// The file that holds the application's store; empty when the application has no usable
// identifier.
QString preferencesPath(const QString& applicationID);

// The stored value, or an invalid QVariant when there is none, the store is missing or
// cannot be read.
QVariant copyPreferenceValue(const QString& key, const QString& applicationID,
                             const QString& userName = kPreferencesCurrentUser,
                             const QString& hostName = kPreferencesAnyHost);

// Stores the value (an invalid QVariant removes the key) and writes the store to disk at
// once; true only when the store reached the disk.
bool setPreferenceValue(const QString& key, const QVariant& value, const QString& applicationID,
                        const QString& userName = kPreferencesCurrentUser,
                        const QString& hostName = kPreferencesAnyHost);

// Writes whatever the store holds to disk; true when it is there.
bool synchronizePreferences(const QString& applicationID);

} // namespace platform
