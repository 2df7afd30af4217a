#pragma once

#include <QString>
#include <QVariant>
#include <memory>

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

// A store larger than this (1 MiB) counts as damaged, as does one that is not a plain file:
// it reads as empty and the next save starts it afresh.
constexpr qint64 kMaxPreferencesStoreBytes = qint64(1) << 20;

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

// Several saves to one application's store as one: while the object lives, this process is
// the store's only writer (an flock on "<store>.lock", a plain file, shared with other
// processes, freed when its holder dies and removed when it is done; a lock that cannot be
// had within 2 s is given up, and the saves inside the transaction then fail at once), and
// the saves made meanwhile reach the store together when it ends, through one rename. A
// writer killed halfway leaves the store as it was. Reads made in between see the pending
// saves. A transaction opened while another one on the same store is open in this process
// joins it.
class PreferencesTransaction {
public:
    explicit PreferencesTransaction(const QString& applicationID = kPreferencesCurrentApplication);
    ~PreferencesTransaction(); // commits when commit() was not called
    PreferencesTransaction(const PreferencesTransaction&) = delete;
    PreferencesTransaction& operator=(const PreferencesTransaction&) = delete;

    // False when the store has no path or its lock could not be had; saves then fail.
    bool isHeld() const;
    // Makes the saves so far visible in the store (the outermost transaction only; a
    // joined one leaves that to it). True when the store holds them.
    bool commit();

    struct Shared;

private:
    void release();

    std::shared_ptr<Shared> m_shared;
    bool m_owner = false;
    bool m_done = false;
    bool m_committed = false;
};

} // namespace platform
