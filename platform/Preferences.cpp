#include "Preferences.h"

#include "Bundle.h"
#include "FileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Arrays are kept as numbered entries so that order, emptiness and single-element lists
// survive the round trip; a plain value sits under the key itself.
constexpr char kArrayMarker[] = "@array";
// A living writer holds the lock for milliseconds.
constexpr int kLockWaitMs = 2000;
// A lock that names no living process and is this old was left by a writer that died.
constexpr int kStaleLockMs = 1000;
// A lock file as QLockFile writes it is far smaller.
constexpr qint64 kMaxLockBytes = 4096;

QString resolvedApplicationID(const QString& applicationID) {
    if (applicationID != kPreferencesCurrentApplication)
        return applicationID;
    const auto bundle = Bundle::mainBundle();
    return bundle ? bundle->identifier() : QString();
}

bool isUsableKey(const QString& key) {
    return !key.isEmpty() && !key.contains(QLatin1Char('/')) && !key.contains(QLatin1Char('\\'));
}

// One version of a store: a renamed-in store is a new inode.
struct Version {
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = -1; // -1: no usable store
    qint64 modifiedNs = 0;
    bool operator==(const Version&) const = default;
};

QVariantMap parseStore(const QString& path) {
    QSettings store(path, QSettings::IniFormat);
    (void)store.allKeys(); // sections are parsed lazily; a damaged one shows only now
    QVariantMap values;
    if (store.status() != QSettings::NoError)
        return values;
    for (const QString& key : store.childKeys())
        values.insert(key, store.value(key));
    for (const QString& key : store.childGroups()) {
        if (!store.contains(key + QLatin1Char('/') + QLatin1String(kArrayMarker)))
            continue;
        QStringList list;
        const int size = store.beginReadArray(key);
        for (int i = 0; i < size; ++i) {
            store.setArrayIndex(i);
            list.append(store.value(QStringLiteral("value")).toString());
        }
        store.endArray();
        values.insert(key, list);
    }
    return values;
}

// The store's values, parsed once per version. Anything but a plain file (a link is not
// followed) within the size cap reads as empty; nothing waits on a FIFO.
QVariantMap readStore(const QString& path, Version* version = nullptr) {
    static std::mutex mutex;
    static QString cachedPath;
    static Version cachedVersion;
    static QVariantMap cachedValues;

    const int fd = openRegularFile(path, nullptr, false);
    struct stat info {};
    Version found;
    if (fd >= 0 && fstat(fd, &info) == 0 && info.st_size <= kMaxPreferencesStoreBytes)
        found = {info.st_dev, info.st_ino, info.st_size,
                 qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    if (version)
        *version = found;
    std::lock_guard<std::mutex> guard(mutex);
    if (found.size < 0 || (cachedPath == path && cachedVersion == found)) {
        if (fd >= 0)
            close(fd);
        return found.size < 0 ? QVariantMap() : cachedValues;
    }
    // Parsed through the open descriptor: the version that was checked, whatever the path
    // holds meanwhile.
    cachedValues = parseStore(QStringLiteral("/proc/self/fd/%1").arg(fd));
    close(fd);
    cachedPath = path;
    cachedVersion = found;
    return cachedValues;
}

// Keys as QSettings writes them in INI files.
QByteArray escapedKey(const QString& key) {
    if (key == QLatin1String("General"))
        return "%General";
    QByteArray result;
    for (const QChar c : key) {
        const char16_t ch = c.unicode();
        if ((ch < 0x80 && std::isalnum(ch)) || ch == '_' || ch == '-' || ch == '.')
            result += char(ch);
        else if (ch <= 0xFF)
            result += '%' + QByteArray::number(ch, 16).toUpper().rightJustified(2, '0');
        else
            result += "%U" + QByteArray::number(ch, 16).toUpper().rightJustified(4, '0');
    }
    return result;
}

// A string value as QSettings reads it back: always quoted, with control characters
// escaped (and a hex digit right after such an escape, which would extend it).
void appendValue(QByteArray& out, const QString& value) {
    const QByteArray utf8 =
        value.startsWith(QLatin1Char('@')) ? (QLatin1Char('@') + value).toUtf8() : value.toUtf8();
    out += '"';
    const auto plain = [](char ch) { return uchar(ch) >= 0x20 && ch != '"' && ch != '\\'; };
    if (std::all_of(utf8.cbegin(), utf8.cend(), plain)) {
        out += utf8;
        out += '"';
        return;
    }
    bool escapeHexDigit = false;
    for (const char ch : utf8) {
        if (uchar(ch) < 0x20 || (escapeHexDigit && std::isxdigit(uchar(ch)))) {
            out += "\\x" + QByteArray::number(uchar(ch), 16);
            escapeHexDigit = true;
            continue;
        }
        escapeHexDigit = false;
        if (!plain(ch))
            out += '\\';
        out += ch;
    }
    out += '"';
}

// The whole store in the INI form QSettings reads: plain values under [General], each
// array in a section of its own.
QByteArray serialize(const QVariantMap& values) {
    QByteArray out;
    bool general = false;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it->typeId() == QMetaType::QStringList)
            continue;
        out += general ? "" : "[General]\n";
        general = true;
        out += escapedKey(it.key()) + '=';
        appendValue(out, it->toString());
        out += '\n';
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it->typeId() != QMetaType::QStringList)
            continue;
        const QStringList list = it->toStringList();
        out += (out.isEmpty() ? "[" : "\n[") + escapedKey(it.key()) + "]\n";
        for (qsizetype i = 0; i < list.size(); ++i) {
            out += QByteArray::number(i + 1);
            out += "\\value=";
            appendValue(out, list.at(i));
            out += '\n';
        }
        out += "%40array=true\nsize=" + QByteArray::number(list.size()) + '\n';
    }
    return out;
}

// QLockFile reads a lock it finds, waiting on a FIFO and following a link: only a small
// plain file, or nothing, may stand where it looks.
bool isSafeForLockFile(const QString& path) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT;
    return S_ISREG(info.st_mode) && info.st_size <= kMaxLockBytes;
}

// QSaveFile names its temporary "<store>.XXXXXX" just before the rename: one of a writer
// killed in between is removed by the next lock holder.
void removeLeftovers(const QString& path) {
    const QFileInfo store(path);
    QDir folder = store.absoluteDir();
    for (const QString& name : folder.entryList({store.fileName() + QStringLiteral(".??????")},
                                                QDir::Files | QDir::Hidden | QDir::System))
        folder.remove(name);
}

} // namespace

QString preferencesPath(const QString& applicationID) {
    const QString id = resolvedApplicationID(applicationID);
    if (!isPathComponent(id))
        return QString();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/trellis/") + id + QStringLiteral(".ini");
}

QVariant copyPreferenceValue(const QString& key, const QString& applicationID,
                             const QString& userName, const QString& /*hostName*/) {
    if (!isUsableKey(key) || userName != kPreferencesCurrentUser)
        return QVariant();
    const QString path = preferencesPath(applicationID);
    return path.isEmpty() ? QVariant() : readStore(path).value(key);
}

bool setPreferenceValues(const QVariantMap& values, const QString& applicationID) {
    const QString path = preferencesPath(applicationID);
    const QString lockPath = path + QStringLiteral(".lock");
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath()) ||
        !isSafeForLockFile(lockPath) || !isSafeForLockFile(lockPath + QStringLiteral(".rmlock")))
        return false;
    QLockFile lock(lockPath);
    // A lock is taken from a holder only once the kernel has released the holder's flock on
    // it, that is when the holder died; a lock of a second that names no living process is
    // one whose writer died while making it.
    lock.setStaleLockTime(kStaleLockMs);
    // QLockFile clears a stale lock while holding "<lock>.rmlock", and waits half a minute
    // on one that a writer killed in those microseconds left behind: such a leftover is
    // removed once it is as old as a stale lock.
    const QString clearing = lockPath + QStringLiteral(".rmlock");
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryLock(kStaleLockMs / 4)) {
        if (waited.hasExpired(kLockWaitMs) || !isSafeForLockFile(clearing))
            return false;
        const QFileInfo leftover(clearing);
        if (leftover.exists() &&
            leftover.lastModified().msecsTo(QDateTime::currentDateTime()) > kStaleLockMs)
            QFile::remove(clearing);
    }

    Version old;
    QVariantMap store = readStore(path, &old);
    const QVariantMap before = store;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!isUsableKey(it.key()))
            return false;
        if (it->typeId() == QMetaType::QStringList)
            store.insert(it.key(), it->toStringList());
        else if (it->isValid())
            store.insert(it.key(), it->toString());
        else
            store.remove(it.key());
    }
    if (store == before)
        return true;

    removeLeftovers(path);
    // QSaveFile writes through a link; the store is never one.
    struct stat info {};
    const QByteArray encoded = QFile::encodeName(path);
    if (lstat(encoded.constData(), &info) == 0 && S_ISLNK(info.st_mode))
        unlink(encoded.constData());
    const QByteArray bytes = serialize(store);
    QSaveFile file(path);
    // Flushed first: a write still buffered at the commit would set the time afresh.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return false;
    // QSettings readers keep a store by its size and modification time (to the
    // millisecond): a new store of the same size must not carry the old one's time.
    if (old.size == bytes.size()) {
        const QDateTime after = QDateTime::fromMSecsSinceEpoch(old.modifiedNs / 1000000 + 1);
        file.setFileTime(std::max(after, QDateTime::currentDateTime()),
                         QFileDevice::FileModificationTime);
    }
    return file.commit();
}

bool setPreferenceValue(const QString& key, const QVariant& value, const QString& applicationID,
                        const QString& userName, const QString& /*hostName*/) {
    return isUsableKey(key) && userName == kPreferencesCurrentUser &&
           setPreferenceValues({{key, value}}, applicationID);
}

bool synchronizePreferences(const QString& applicationID) {
    const QString path = preferencesPath(applicationID);
    struct stat info {};
    return !path.isEmpty() && lstat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

} // namespace platform
