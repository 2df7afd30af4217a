#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace platform {

// A package folder (X.app, Y.bundle, Z.plugin) with the classic layout:
// Contents/Info.plist, Contents/MacOS/<executable>, Contents/Resources/.
class Bundle {
public:
    // Null when the path names no existing folder; `occupied`: whether anything is there.
    static std::shared_ptr<Bundle> create(const QString& path, bool* occupied = nullptr);
    // Without looking at the path: for a caller that shows it to be a folder by reading a file
    // inside it. Null for an empty path.
    static std::shared_ptr<Bundle> createUnchecked(const QString& path);

    // The package of the running program, found from its own executable
    // (X.app/Contents/MacOS/exe gives X.app), never from the current folder.
    static std::shared_ptr<Bundle> mainBundle();
    // A package stands in for the running program's (the checker examines another
    // installation's programs; tests use their own); an empty path goes back to the real one.
    static void setMainBundlePath(const QString& path);

    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    QString bundlePath() const { return m_path; }
    QString resourcesPath() const; // Contents/Resources, whether or not it exists
    // Contents/MacOS/<CFBundleExecutable>; empty without one, or when the name or a link would
    // lead out of the bundle.
    QString executablePath() const;

    // Contents/Info.plist; empty when missing or not a dictionary. Read when first asked for.
    const QVariantMap& infoDictionary() const;
    QString infoString(const QString& key) const; // null when absent or not a string
    QString name() const { return infoString(QStringLiteral("CFBundleName")); }
    QString version() const { return infoString(QStringLiteral("CFBundleVersion")); }
    QString identifier() const { return infoString(QStringLiteral("CFBundleIdentifier")); }
    QString executableName() const { return infoString(QStringLiteral("CFBundleExecutable")); }
    QString developmentRegion() const {
        return infoString(QStringLiteral("CFBundleDevelopmentRegion"));
    }

    // The names of the Resources/<name>.lproj folders, sorted.
    QStringList localizations() const;
    // The .lproj folders searched after the global resources, in order: the one that best
    // matches the user's preferred languages, then the development region's.
    QStringList searchLocalizations() const;

    // Path of the resource <subfolder>/<name>: the global resources first, then the
    // localizations of searchLocalizations(). Empty when there is none.
    QString resourcePath(const QString& name, const QString& subfolder = QString()) const;

    // Run-time loading of the executable (plug-ins).
    bool loadExecutable();
    bool isExecutableLoaded() const { return m_handle != nullptr; }
    void unloadExecutable();
    // Null when the executable is not loaded or has no such symbol.
    void* symbol(const char* name) const;

private:
    explicit Bundle(const QString& path);

    QString infoPlistPath() const;

    QString m_path;
    mutable std::optional<QVariantMap> m_info;
    // A package asked for one value (a machine bundle for its version) reads just that value;
    // asked again, it keeps the whole dictionary.
    mutable bool m_infoAsked = false;
    // Every localized look-up needs the search order; it is worked out again only when the
    // Resources folder or the user's languages change.
    mutable QStringList m_searchOrder;
    mutable qint64 m_searchOrderStamp = -1;
    mutable QStringList m_searchOrderLanguages;
    void* m_handle = nullptr;
};

// The localization of `available` (lproj names without extension) that best matches the
// ordered list of preferred languages; empty when none matches. Legacy names (English,
// Japanese, ...) match their language codes, and a region-less folder matches any region.
QString bestLocalization(const QStringList& available, const QStringList& preferredLanguages);

} // namespace platform
