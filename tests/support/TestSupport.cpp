#include "TestSupport.h"

#include "platform/Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamWriter>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

QByteArray withLineEnds(const QByteArray& lfText, const QByteArray& eol) {
    QByteArray result = lfText;
    result.replace("\n", eol);
    return result;
}

TempTree::TempTree() {
    m_dir.setAutoRemove(true);
}

QString TempTree::path(const QString& relative) const {
    return relative.isEmpty() ? m_dir.path() : m_dir.path() + QLatin1Char('/') + relative;
}

QString TempTree::write(const QString& relative, const QByteArray& bytes) const {
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(full));
    file.write(bytes);
    return full;
}

QString TempTree::mkdir(const QString& relative) const {
    const QString full = path(relative);
    QDir().mkpath(full);
    return full;
}

namespace {
void writeValue(QXmlStreamWriter& xml, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        xml.writeStartElement(QStringLiteral("dict"));
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            xml.writeTextElement(QStringLiteral("key"), it.key());
            writeValue(xml, it.value());
        }
        xml.writeEndElement();
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        xml.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : value.toList())
            writeValue(xml, item);
        xml.writeEndElement();
        break;
    }
    case QMetaType::Bool:
        xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        xml.writeTextElement(QStringLiteral("integer"), value.toString());
        break;
    case QMetaType::Double:
        xml.writeTextElement(QStringLiteral("real"), value.toString());
        break;
    default:
        xml.writeTextElement(QStringLiteral("string"), value.toString());
        break;
    }
}
} // namespace

QByteArray xmlPropertyList(const QVariant& value) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writeValue(xml, value);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

FakeApplication::FakeApplication(const QString& appName, const QVariantMap& extraInfo,
                                 const QString& folder)
    : m_package((folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + appName +
                QStringLiteral(".app")) {
    QVariantMap info{
        {QStringLiteral("CFBundleName"), appName},
        {QStringLiteral("CFBundleExecutable"), appName},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("test.trellis.") + appName},
        {QStringLiteral("CFBundleVersion"), QStringLiteral("1.0.0")},
        {QStringLiteral("CFBundleDevelopmentRegion"), QStringLiteral("English")},
    };
    for (auto it = extraInfo.constBegin(); it != extraInfo.constEnd(); ++it)
        info.insert(it.key(), it.value());
    m_tree.write(m_package + QStringLiteral("/Contents/Info.plist"), xmlPropertyList(info));
    m_tree.mkdir(m_package + QStringLiteral("/Contents/MacOS"));
    m_tree.mkdir(m_package + QStringLiteral("/Contents/Resources"));
    platform::Bundle::setMainBundlePath(packagePath());
}

FakeApplication::~FakeApplication() {
    platform::Bundle::setMainBundlePath(QString());
}

QString FakeApplication::packagePath() const {
    return m_tree.path(m_package);
}

QString FakeApplication::resourcesPath() const {
    return packagePath() + QStringLiteral("/Contents/Resources");
}

QString FakeApplication::writeSetting(const QString& name, const QByteArray& lfText,
                                      const QByteArray& eol, const QString& folder) const {
    return m_tree.write(m_package + QStringLiteral("/Contents/Resources/") + folder +
                            QLatin1Char('/') + name,
                        withLineEnds(lfText, eol));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList recordedAlertMessages(const QString& log) {
    QStringList messages;
    for (const QByteArray& line : readFile(log).split('\n')) {
        if (!line.isEmpty())
            messages.append(QJsonDocument::fromJson(line).object().value("message").toString());
    }
    return messages;
}

ScopedEnvironment::ScopedEnvironment(const char* name, const QByteArray& value)
    : m_name(name), m_saved(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_wasSet)
        qputenv(m_name, m_saved);
    else
        qunsetenv(m_name);
}

TemporaryFolderNamed::TemporaryFolderNamed(const QString& name)
    : m_path(m_base.mkdir(name)), m_tmpdir("TMPDIR", QFile::encodeName(m_path)) {}

TemporaryFolderNamed::~TemporaryFolderNamed() = default;

void dieWithParent(pid_t parent) {
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(3);
}

bool asOrdinaryUser(const QStringList& folders, const std::function<void()>& body) {
    if (::geteuid() != 0) {
        body();
        return !::testing::Test::HasFailure();
    }
    for (const QString& folder : folders)
        for (QString path = folder; path.count(QLatin1Char('/')) > 1;
             path = QFileInfo(path).absolutePath())
            ::chmod(QFile::encodeName(path).constData(), 0755);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        // After the change of user, which clears it: a test program killed at its timeout
        // takes the child along instead of leaving it on the test runner's output.
        dieWithParent(parent);
        body();
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

QString writeBundle(const TempTree& tree, const QString& relative, const QVariantMap& info) {
    tree.write(relative + QStringLiteral("/Contents/Info.plist"), xmlPropertyList(info));
    return tree.path(relative);
}

QVariantMap machineSetting(const QStringList& models, const QVariantMap& initials,
                           const QVariantMap& functions) {
    QVariantMap map{{QStringLiteral("MODEL"), models}};
    if (!initials.isEmpty())
        map.insert(QStringLiteral("INITIAL"), initials);
    if (!functions.isEmpty())
        map.insert(QStringLiteral("FUNCTION"), functions);
    return map;
}

QString writeMachineBundle(const TempTree& tree, const QString& relative,
                           const QByteArray& settingXml, const QString& version) {
    QVariantMap info{{QStringLiteral("CFBundleName"), relative.section(QLatin1Char('/'), -1)}};
    if (!version.isNull())
        info.insert(QStringLiteral("CFBundleVersion"), version);
    tree.write(relative + QStringLiteral("/Contents/Resources/Setting.xml"), settingXml);
    return writeBundle(tree, relative, info);
}

QString writeMachineBundle(const TempTree& tree, const QString& relative,
                           const QVariantMap& setting, const QString& version) {
    return writeMachineBundle(tree, relative, xmlPropertyList(setting), version);
}

QString writePluginBundle(const TempTree& tree, const QString& relative,
                          const QString& executableSource, const QByteArray& executableBytes) {
    QVariantMap info{{QStringLiteral("CFBundleVersion"), QStringLiteral("3.1.4")}};
    if (!executableSource.isEmpty() || !executableBytes.isEmpty())
        info.insert(QStringLiteral("CFBundleExecutable"), QStringLiteral("plugin"));
    tree.write(relative + QStringLiteral("/Contents/Resources/Media.json"), "[]");
    const QString executable = relative + QStringLiteral("/Contents/MacOS/plugin");
    if (!executableSource.isEmpty()) {
        tree.mkdir(relative + QStringLiteral("/Contents/MacOS"));
        QFile::copy(executableSource, tree.path(executable));
    } else if (!executableBytes.isEmpty()) {
        tree.write(executable, executableBytes);
    }
    return writeBundle(tree, relative, info);
}

} // namespace testsupport
