#include "Preferences.h"

#include "Bundle.h"
#include "FileSystem.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Arrays are kept as numbered entries so that order, emptiness and single-element lists
// survive the round trip; a plain value sits under the key itself.
constexpr char kArrayMarker[] = "@array";

QString resolvedApplicationID(const QString& applicationID) {
    if (applicationID != kPreferencesCurrentApplication)
        return applicationID;
    const auto bundle = Bundle::mainBundle();
    return bundle ? bundle->identifier() : QString();
}

bool isCurrentUser(const QString& userName) {
    return userName == kPreferencesCurrentUser;
}

bool isUsableKey(const QString& key) {
    return !key.isEmpty() && !key.contains(QLatin1Char('/')) && !key.contains(QLatin1Char('\\'));
}

// A store that may be parsed: a plain file (after links) within the size cap. Anything else
// counts as damaged and reads as empty.
bool isUsableStore(const QString& path) {
    const QFileInfo file(path);
    return !path.isEmpty() && file.isFile() && file.isReadable() &&
           file.size() <= kMaxPreferencesStoreBytes;
}

bool isStringArray(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return true;
    if (value.typeId() != QMetaType::QVariantList)
        return false;
    for (const QVariant& item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return false;
    }
    return true;
}

} // namespace

namespace {

// A living writer holds the lock for milliseconds.
constexpr int kLockWaitMs = 2000;
constexpr unsigned kLockRetryMicroseconds = 20000;
constexpr char kStagingInfix[] = ".txn-";

// The store's lock: an exclusive flock on "<store>.lock", a plain file opened without
// following links or blocking. The kernel frees it when its holder dies, so no lock is
// ever stale; the holder removes the file when done, and a taker checks that the file it
// locked is still the one at the path.
class StoreLock {
public:
    StoreLock() = default;
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    ~StoreLock() { unlock(); }

    bool take(const QString& path) {
        m_path = QFile::encodeName(path);
        const QDeadlineTimer deadline(kLockWaitMs);
        for (;;) {
            m_fd = open(m_path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                        0600);
            struct stat opened {};
            if (m_fd < 0 || fstat(m_fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
                release();
                return false;
            }
            if (flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
                struct stat current {};
                if (lstat(m_path.constData(), &current) == 0 && current.st_dev == opened.st_dev &&
                    current.st_ino == opened.st_ino)
                    return true;
                // Removed by its last holder meanwhile: lock the file that is there now.
            } else if (errno != EWOULDBLOCK && errno != EINTR) {
                release();
                return false;
            }
            release();
            if (deadline.hasExpired())
                return false;
            usleep(kLockRetryMicroseconds);
        }
    }
    void unlock() {
        if (m_fd >= 0)
            unlink(m_path.constData()); // still ours: takers check what they locked
        release();
    }

private:
    void release() {
        if (m_fd >= 0)
            close(m_fd); // also releases the flock
        m_fd = -1;
    }

    QByteArray m_path;
    int m_fd = -1;
};

} // namespace

struct PreferencesTransaction::Shared {
    QString storePath;
    QString stagingPath; // the pending store; empty when the lock was not had
    std::unique_ptr<StoreLock> lock;
};

namespace {

std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}

// The open transaction of each store in this process.
std::map<QString, std::weak_ptr<PreferencesTransaction::Shared>>& registry() {
    static std::map<QString, std::weak_ptr<PreferencesTransaction::Shared>> map;
    return map;
}

std::shared_ptr<PreferencesTransaction::Shared> openTransaction(const QString& storePath) {
    std::lock_guard<std::mutex> guard(registryMutex());
    const auto found = registry().find(storePath);
    return found == registry().end() ? nullptr : found->second.lock();
}

// The file that saves to the store go to: the pending copy while a transaction is open.
QString writablePath(const QString& storePath) {
    const auto open = openTransaction(storePath);
    return open && !open->stagingPath.isEmpty() ? open->stagingPath : storePath;
}

QString newStagingPath(const QString& storePath);

// Drops the pending copy of the open transaction for an empty one.
QString restartStaging(const QString& storePath) {
    const auto open = openTransaction(storePath);
    if (!open)
        return storePath;
    QFile::remove(open->stagingPath);
    open->stagingPath = newStagingPath(storePath);
    return open->stagingPath;
}

// Pending copies (and their own temporaries and locks) of writers that died; only the
// lock holder may call this.
void removeLeftovers(const QString& storePath) {
    const QFileInfo store(storePath);
    QDir folder = store.absoluteDir();
    const QStringList names =
        folder.entryList({store.fileName() + QLatin1String(kStagingInfix) + QLatin1Char('*')},
                         QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        folder.remove(name);
}

// A plain copy: a writer killed halfway leaves only a file that removeLeftovers knows. A
// store that is no plain file within the size cap is damaged: the copy starts empty.
bool copyStore(const QString& from, const QString& to) {
    const QByteArray bytes =
        readRegularFile(from, kMaxPreferencesStoreBytes).value_or(QByteArray());
    QFile target(to);
    return target.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
           target.write(bytes) == bytes.size();
}

QString newStagingPath(const QString& storePath) {
    static std::atomic<unsigned> counter{0};
    return storePath + QLatin1String(kStagingInfix) + QString::number(getpid()) + QLatin1Char('-') +
           QString::number(counter.fetch_add(1));
}

} // namespace

PreferencesTransaction::PreferencesTransaction(const QString& applicationID) {
    const QString path = preferencesPath(applicationID);
    if (path.isEmpty())
        return;
    if ((m_shared = openTransaction(path)))
        return; // joined: the outer one publishes, or failed for both
    auto shared = std::make_shared<Shared>();
    shared->storePath = path;
    if (QDir().mkpath(QFileInfo(path).absolutePath())) {
        shared->lock = std::make_unique<StoreLock>();
        if (shared->lock->take(path + QStringLiteral(".lock"))) {
            removeLeftovers(path);
            const QString staging = newStagingPath(path);
            if (!QFileInfo::exists(path) || copyStore(path, staging))
                shared->stagingPath = staging;
        }
    }
    if (shared->stagingPath.isEmpty())
        shared->lock.reset();
    // Registered even when the lock was not had, so that the saves inside fail at once
    // instead of each waiting for the lock again.
    m_shared = std::move(shared);
    std::lock_guard<std::mutex> guard(registryMutex());
    registry()[path] = m_shared;
    m_owner = true;
}

PreferencesTransaction::~PreferencesTransaction() {
    if (!m_done)
        commit();
}

bool PreferencesTransaction::isHeld() const {
    return m_shared && !m_shared->stagingPath.isEmpty();
}

void PreferencesTransaction::release() {
    std::lock_guard<std::mutex> guard(registryMutex());
    const auto found = registry().find(m_shared->storePath);
    if (found != registry().end() && found->second.lock() == m_shared)
        registry().erase(found);
}

bool PreferencesTransaction::commit() {
    if (m_done)
        return m_committed;
    m_done = true;
    if (!isHeld()) {
        if (m_owner && m_shared)
            release();
        return m_committed = false;
    }
    if (!m_owner)
        return m_committed = true;
    release();
    const QByteArray from = QFile::encodeName(m_shared->stagingPath);
    const QByteArray to = QFile::encodeName(m_shared->storePath);
    // Readers cache a store by its size and modification time (to the millisecond): a new
    // store of the same size must not carry the old one's time.
    const QFileInfo staged(m_shared->stagingPath), current(m_shared->storePath);
    if (staged.exists() && current.exists() && staged.size() == current.size() &&
        staged.lastModified() <= current.lastModified()) {
        QFile file(m_shared->stagingPath);
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(current.lastModified().addMSecs(1), QFileDevice::FileModificationTime);
    }
    // Nothing saved to a store that did not exist: nothing to publish.
    bool ok = !staged.exists() || std::rename(from.constData(), to.constData()) == 0;
    if (!ok)
        QFile::remove(m_shared->stagingPath);
    m_shared->lock->unlock();
    m_shared.reset();
    return m_committed = ok;
}

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
    if (!isUsableKey(key) || !isCurrentUser(userName))
        return QVariant();
    const QString path = writablePath(preferencesPath(applicationID));
    // QSettings keeps a copy of files it has seen; a store that can no longer be read must
    // read as empty all the same.
    if (!isUsableStore(path))
        return QVariant();
    QSettings store(path, QSettings::IniFormat);
    if (store.status() != QSettings::NoError)
        return QVariant();

    store.beginGroup(key);
    const bool isArray = store.contains(QLatin1String(kArrayMarker));
    store.endGroup();
    if (isArray) {
        QStringList list;
        const int size = store.beginReadArray(key);
        for (int i = 0; i < size; ++i) {
            store.setArrayIndex(i);
            list.append(store.value(QStringLiteral("value")).toString());
        }
        store.endArray();
        return list;
    }
    return store.value(key);
}

bool setPreferenceValue(const QString& key, const QVariant& value, const QString& applicationID,
                        const QString& userName, const QString& /*hostName*/) {
    if (!isUsableKey(key) || !isCurrentUser(userName))
        return false;
    // Every save goes to a pending copy that replaces the store whole, so that a writer
    // killed halfway never leaves a broken store; alone, a save is its own transaction.
    PreferencesTransaction transaction(applicationID);
    if (!transaction.isHeld())
        return false;
    const QString storePath = preferencesPath(applicationID);
    QString path = writablePath(storePath);

    auto opened = std::make_unique<QSettings>(path, QSettings::IniFormat);
    (void)opened->allKeys(); // sections are parsed lazily; a damaged one shows only now
    if (opened->status() == QSettings::FormatError) {
        // A damaged store would refuse every write from now on; start it afresh, under a
        // new name, since QSettings remembers what it parsed under the old one.
        opened.reset();
        path = restartStaging(storePath);
        opened = std::make_unique<QSettings>(path, QSettings::IniFormat);
    }
    QSettings& store = *opened;
    store.remove(key);
    if (isStringArray(value)) {
        const QStringList list = value.toStringList();
        store.beginGroup(key);
        store.setValue(QLatin1String(kArrayMarker), true);
        store.endGroup();
        store.beginWriteArray(key, static_cast<int>(list.size()));
        for (int i = 0; i < list.size(); ++i) {
            store.setArrayIndex(i);
            store.setValue(QStringLiteral("value"), list.at(i));
        }
        store.endArray();
    } else if (value.isValid()) {
        store.setValue(key, value);
    }
    store.sync();
    const bool written = store.status() == QSettings::NoError && QFileInfo(path).isFile();
    opened.reset();
    return transaction.commit() && written;
}

bool synchronizePreferences(const QString& applicationID) {
    const QString path = writablePath(preferencesPath(applicationID));
    if (!isUsableStore(path))
        return false;
    QSettings store(path, QSettings::IniFormat);
    store.sync();
    return store.status() == QSettings::NoError && QFileInfo(path).isFile();
}

} // namespace platform
