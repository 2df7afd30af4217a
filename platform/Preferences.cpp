#include "Preferences.h"

#include "Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

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

// An identifier becomes a file name; anything that would name another folder is refused.
bool isUsableIdentifier(const QString& id) {
    return !id.isEmpty() && !id.contains(QLatin1Char('/')) && !id.contains(QChar(u'\0')) &&
           id != QLatin1String(".") && id != QLatin1String("..");
}

bool isCurrentUser(const QString& userName) {
    return userName == kPreferencesCurrentUser;
}

bool isUsableKey(const QString& key) {
    return !key.isEmpty() && !key.contains(QLatin1Char('/')) && !key.contains(QLatin1Char('\\'));
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

QString preferencesPath(const QString& applicationID) {
    const QString id = resolvedApplicationID(applicationID);
    if (!isUsableIdentifier(id))
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
    const QString path = preferencesPath(applicationID);
    // QSettings keeps a copy of files it has seen; a store that can no longer be read must
    // read as empty all the same.
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile() || !file.isReadable())
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
    const QString path = preferencesPath(applicationID);
    if (path.isEmpty())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;

    auto opened = std::make_unique<QSettings>(path, QSettings::IniFormat);
    if (opened->status() == QSettings::FormatError) {
        // A damaged store would refuse every write from now on; start it afresh.
        opened.reset();
        QFile::remove(path);
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
    return store.status() == QSettings::NoError && QFileInfo(path).isFile();
}

bool synchronizePreferences(const QString& applicationID) {
    const QString path = preferencesPath(applicationID);
    if (path.isEmpty())
        return false;
    QSettings store(path, QSettings::IniFormat);
    store.sync();
    return store.status() == QSettings::NoError && QFileInfo(path).isFile();
}

} // namespace platform
