#include "Bundle.h"

#include "FileSystem.h"
#include "Languages.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>
#include <sys/stat.h>

namespace platform {

namespace {

QString& mainBundleOverride() {
    static QString path;
    return path;
}

// The executable does not move while it runs: its package is worked out once.
const QString& ownPackagePath() {
    static const QString path = [] {
        const QFileInfo exe(platform::executablePath());
        QDir dir = exe.absoluteDir();
        // X.app/Contents/MacOS/exe: the package is two folders above the executable's.
        if (dir.dirName() == QLatin1String("MacOS") && dir.cdUp() &&
            dir.dirName() == QLatin1String("Contents") && dir.cdUp())
            return dir.absolutePath();
        return exe.absolutePath();
    }();
    return path;
}

QString baseLanguage(const QString& canonical) {
    return canonical.section(QLatin1Char('-'), 0, 0);
}

} // namespace

QString bestLocalization(const QStringList& available, const QStringList& preferredLanguages) {
    QStringList canonical;
    canonical.reserve(available.size());
    for (const QString& name : available)
        canonical.append(canonicalLanguage(name));

    for (const QString& wanted : preferredLanguages) {
        const QString want = canonicalLanguage(wanted);
        if (want.isEmpty())
            continue;
        const qsizetype exact = canonical.indexOf(want);
        if (exact >= 0)
            return available.at(exact);
        // en-US is served by en, and en by en-GB when nothing closer exists.
        const QString base = baseLanguage(want);
        const qsizetype plain = canonical.indexOf(base);
        if (plain >= 0)
            return available.at(plain);
        for (qsizetype i = 0; i < canonical.size(); ++i) {
            if (baseLanguage(canonical.at(i)) == base)
                return available.at(i);
        }
    }
    return QString();
}

std::shared_ptr<Bundle> Bundle::create(const QString& path, bool* occupied) {
    // A plain stat: a scan creates one bundle per machine package.
    struct stat info {};
    const bool there = !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0;
    if (occupied)
        *occupied = there;
    if (!there || !S_ISDIR(info.st_mode))
        return nullptr;
    return std::shared_ptr<Bundle>(new Bundle(path));
}

std::shared_ptr<Bundle> Bundle::createUnchecked(const QString& path) {
    return path.isEmpty() ? nullptr : std::shared_ptr<Bundle>(new Bundle(path));
}

std::shared_ptr<Bundle> Bundle::mainBundle() {
    static std::shared_ptr<Bundle> cached;
    static QString cachedFor;
    const QString& path = mainBundleOverride().isEmpty() ? ownPackagePath() : mainBundleOverride();
    if (!cached || cachedFor != path) {
        cached = create(path);
        cachedFor = path;
    }
    return cached;
}

void Bundle::setMainBundlePath(const QString& path) {
    mainBundleOverride() = path;
}

Bundle::Bundle(const QString& path)
    : m_path(QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                        : QFileInfo(path).absoluteFilePath())) {}

Bundle::~Bundle() {
    unloadExecutable();
}

QString Bundle::resourcesPath() const {
    return m_path + QStringLiteral("/Contents/Resources");
}

QString Bundle::executablePath() const {
    const QString name = executableName();
    // The executable lies inside the bundle: no absolute name, no step up, and no link
    // that leads out of it.
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QChar(u'\0')) ||
        name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return QString();
    const QString path = m_path + QStringLiteral("/Contents/MacOS/") + name;
    const QString real = QFileInfo(path).canonicalFilePath();
    if (!real.isEmpty() &&
        !real.startsWith(QFileInfo(m_path).canonicalFilePath() + QLatin1Char('/')))
        return QString();
    return path;
}

QString Bundle::infoPlistPath() const {
    return m_path + QStringLiteral("/Contents/Info.plist");
}

const QVariantMap& Bundle::infoDictionary() const {
    if (!m_info)
        m_info = readPropertyListDictionary(infoPlistPath()).value_or(QVariantMap());
    return *m_info;
}

QString Bundle::infoString(const QString& key) const {
    // The first question is answered without keeping the list: a machine bundle asks only
    // for its version, and a scan holds many of them.
    std::optional<QVariantMap> once;
    if (!m_info && !m_infoAsked) {
        m_infoAsked = true;
        once = readPropertyListDictionary(infoPlistPath()).value_or(QVariantMap());
    }
    const QVariantMap& info = once ? *once : infoDictionary();
    const auto it = info.constFind(key);
    if (it == info.constEnd() || it->typeId() != QMetaType::QString)
        return QString();
    return it->toString();
}

QStringList Bundle::localizations() const {
    QStringList result;
    const auto entries = listFolder(resourcesPath());
    if (!entries)
        return result;
    for (const QString& entry : *entries) {
        if (entry.endsWith(QLatin1String(".lproj")) &&
            QFileInfo(resourcesPath() + QLatin1Char('/') + entry).isDir())
            result.append(entry.chopped(6));
    }
    return result;
}

QStringList Bundle::searchLocalizations() const {
    // A folder added to or removed from Resources changes its modification time.
    struct stat info {};
    const qint64 stamp = ::stat(QFile::encodeName(resourcesPath()).constData(), &info) == 0
                             ? qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec
                             : 0;
    const QStringList languages = preferredLanguages();
    if (stamp == m_searchOrderStamp && languages == m_searchOrderLanguages)
        return m_searchOrder;

    const QStringList available = localizations();
    QStringList order;
    const QString best = bestLocalization(available, languages);
    if (!best.isEmpty())
        order.append(best);
    const QString region = developmentRegion();
    if (!region.isEmpty()) {
        const QString development = bestLocalization(available, {region});
        if (!development.isEmpty() && !order.contains(development))
            order.append(development);
    }
    m_searchOrder = order;
    m_searchOrderStamp = stamp;
    m_searchOrderLanguages = languages;
    return order;
}

QString Bundle::resourcePath(const QString& name, const QString& subfolder) const {
    if (name.isEmpty())
        return QString();
    const QString relative = subfolder.isEmpty() ? name : subfolder + QLatin1Char('/') + name;
    const QString global = resourcesPath() + QLatin1Char('/') + relative;
    if (QFileInfo::exists(global))
        return global;
    for (const QString& localization : searchLocalizations()) {
        const QString localized = resourcesPath() + QLatin1Char('/') + localization +
                                  QStringLiteral(".lproj/") + relative;
        if (QFileInfo::exists(localized))
            return localized;
    }
    return QString();
}

bool Bundle::loadExecutable() {
    if (m_handle)
        return true;
    const QString path = executablePath();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    m_handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    return m_handle != nullptr;
}

void Bundle::unloadExecutable() {
    if (m_handle) {
        dlclose(m_handle);
        m_handle = nullptr;
    }
}

void* Bundle::symbol(const char* name) const {
    if (!m_handle || !name)
        return nullptr;
    return dlsym(m_handle, name);
}

} // namespace platform
