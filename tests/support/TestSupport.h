#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>
#include <functional>
#include <sys/types.h>

namespace testsupport {

// "a\nb\n" with each line end replaced by eol ("\r", "\r\n").
QByteArray withLineEnds(const QByteArray& lfText, const QByteArray& eol);

// A scratch folder tree, removed when the object goes.
class TempTree {
public:
    TempTree();
    QString path(const QString& relative = QString()) const;
    // Writes the bytes, creating the folders above; returns the absolute path.
    QString write(const QString& relative, const QByteArray& bytes) const;
    QString mkdir(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// The file's bytes; empty when it cannot be read.
QByteArray readFile(const QString& path);

// The messages of the alerts recorded in a TRELLIS_ALERT_LOG file, in order.
QStringList recordedAlertMessages(const QString& log);

// Sets an environment variable while it lives; the old value, or its absence, comes back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    QByteArray m_saved;
    bool m_wasSet;
};

// In a child just forked from `parent`: it gets SIGKILL when the parent ends (and ends at once
// when the parent is already gone). A change of user clears this, so call it afterwards.
void dieWithParent(pid_t parent);

// Runs body where permissions bind: inline for an ordinary user, and for root (whom they do
// not bind) in a child process of user `nobody`, with the folders and the folders above them
// opened to it. True when no assertion of body failed.
bool asOrdinaryUser(const QStringList& folders, const std::function<void()>& body);

// Points TMPDIR at a fresh folder of the given name while it lives, so that the scratch
// folders made meanwhile lie below that name.
class TemporaryFolderNamed {
public:
    explicit TemporaryFolderNamed(const QString& name);
    ~TemporaryFolderNamed();
    TemporaryFolderNamed(const TemporaryFolderNamed&) = delete;
    TemporaryFolderNamed& operator=(const TemporaryFolderNamed&) = delete;
    QString path() const { return m_path; }

private:
    TempTree m_base;
    QString m_path;
    ScopedEnvironment m_tmpdir;
};

// An XML property list of the value (maps, lists, strings, integers, Booleans).
QByteArray xmlPropertyList(const QVariant& value);

// Bundle writers below a scratch tree; each returns the bundle's absolute path.
//   <relative>/Contents/Info.plist holding info.
QString writeBundle(const TempTree& tree, const QString& relative, const QVariantMap& info);
// The Setting.xml values of a machine bundle: MODEL, and INITIAL and FUNCTION when given.
QVariantMap machineSetting(const QStringList& models, const QVariantMap& initials = {},
                           const QVariantMap& functions = {});
//   <relative>/Contents/{Info.plist, Resources/Setting.xml} with the Setting.xml bytes as given.
QString writeMachineBundle(const TempTree& tree, const QString& relative,
                           const QByteArray& settingXml,
                           const QString& version = QStringLiteral("2.0.1"));
QString writeMachineBundle(const TempTree& tree, const QString& relative,
                           const QVariantMap& setting,
                           const QString& version = QStringLiteral("2.0.1"));
//   <relative>/Contents/{Info.plist, Resources/Media.json, MacOS/plugin}: the executable is a
// copy of executableSource (a built shared object), or the given bytes, or none at all.
QString writePluginBundle(const TempTree& tree, const QString& relative,
                          const QString& executableSource = QString(),
                          const QByteArray& executableBytes = QByteArray());

// A package [folder/]X.app/Contents/{Info.plist, MacOS, Resources/<settings>} in a scratch
// tree, standing in for the running program's own package while the object lives.
class FakeApplication {
public:
    explicit FakeApplication(const QString& appName = QStringLiteral("Trellis"),
                             const QVariantMap& extraInfo = {}, const QString& folder = {});
    ~FakeApplication();
    FakeApplication(const FakeApplication&) = delete;
    FakeApplication& operator=(const FakeApplication&) = delete;

    const TempTree& tree() const { return m_tree; }
    QString basePath() const { return m_tree.path(); } // the scratch tree
    QString packagePath() const;                       // .../X.app
    QString resourcesPath() const;                     // .../X.app/Contents/Resources
    // Writes an INI file into Resources/<folder>/ with CR LF line ends (or eol).
    QString writeSetting(const QString& name, const QByteArray& lfText,
                         const QByteArray& eol = "\r\n",
                         const QString& folder = QStringLiteral("Settings")) const;

private:
    TempTree m_tree;
    QString m_package; // relative to the tree
};

} // namespace testsupport
