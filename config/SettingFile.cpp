#include "config/SettingFile.h"

#include "config/IniFile.h"
#include "config/UFile.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char FILENAME_SETTING[] = "Setting.ini";
constexpr const char SECTION_FUNCTION[] = "FUNCTION";
constexpr const char KEY_FUNCTION_NUM[] = "FUNCTION_NUM";
constexpr const char KEY_FUNCTION[] = "FUNCTION%ld";
constexpr const char SECTION_PRINTER[] = "PRINTER";
constexpr const char KEY_PRINTER_NUM[] = "PRINTER_NUM";
constexpr const char KEY_PRINTER_NAME[] = "PRINTER%ld";
constexpr const char KEY_PRINTER_PLUGIN[] = "PRINTER%ld_PATH_F%ld";

// Every printer number gets a record even without keys, so an absurd PRINTER_NUM would
// otherwise keep the program scanning the file for ever.
constexpr long kMaxPrinterCount = 1024;

OSErr locateSettingFile(FSSpec* spec) {
    Str255 name;
    UString::CopyCstrToPstr(FILENAME_SETTING, name);
    return UFile::GetIniFileFSSpec(name, spec);
}

// Null for bytes that are not UTF-8, as the system encoding's conversion would fail.
QString stringFromSystemEncoding(const char* text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result =
        decoder.decode(QByteArrayView(text, static_cast<qsizetype>(std::strlen(text))));
    if (decoder.hasError())
        return QString();
    return result.isNull() ? QString(QLatin1String("")) : result;
}

// The decimal value at the start of the text: blanks, a sign, digits, a fraction.
double leadingDecimalValue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    std::string number = "0";
    auto takeDigits = [&]() {
        bool any = false;
        while (i < text.size() && text.at(i) >= QLatin1Char('0') &&
               text.at(i) <= QLatin1Char('9')) {
            number.push_back(static_cast<char>(text.at(i).unicode()));
            ++i;
            any = true;
        }
        return any;
    };
    takeDigits();
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        number.push_back('.');
        takeDigits();
        number.push_back('0');
    }
    double value = 0.0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return negative ? -value : value;
}

} // namespace

CSettingFile* CSettingFile::sSettingFile = nullptr;

CSettingFile* CSettingFile::GetInstance() {
    if (!sSettingFile) {
        sSettingFile = new CSettingFile;
        sSettingFile->Initialize();
    }
    return sSettingFile;
}

void CSettingFile::DestroyInstance() {
    delete sSettingFile;
    sSettingFile = nullptr;
}

CSettingFile::CSettingFile() = default;
CSettingFile::~CSettingFile() = default;

void CSettingFile::Initialize() {
    // The printer section needs the function count.
    ReadFunctionSection();
    ReadPrinterSection();
}

OSErr CSettingFile::ReadFunctionSection() {
    m_functionNum = 0;
    FSSpec spec;
    OSErr err = locateSettingFile(&spec);
    if (err != noErr)
        return err;
    CIniFileEx file(spec);
    char value[kIniLineBufferSize] = {};
    err = file.GetValueEx(SECTION_FUNCTION, KEY_FUNCTION_NUM, value, sizeof value);
    if (err != noErr)
        return err;
    const long count = std::strtol(value, nullptr, 10);
    if (count > kToolCount) {
        m_functionNum = 0;
        return paramErr;
    }
    m_functionNum = count;
    for (long i = 1; i <= count; ++i) {
        char key[64];
        std::snprintf(key, sizeof key, KEY_FUNCTION, i);
        err = file.GetValueEx(SECTION_FUNCTION, key, value, sizeof value);
        if (err == noErr)
            GetAbsCFRULRef(value, &m_applicationURL[static_cast<size_t>(i - 1)]);
    }
    return err;
}

OSErr CSettingFile::ReadPrinterSection() {
    m_printerNum = 0;
    FSSpec spec;
    OSErr err = locateSettingFile(&spec);
    if (err != noErr)
        return err;
    CIniFileEx file(spec);
    char value[kIniLineBufferSize] = {};
    err = file.GetValueEx(SECTION_PRINTER, KEY_PRINTER_NUM, value, sizeof value);
    if (err == noErr)
        m_printerNum = std::strtol(value, nullptr, 10);
    const long records = std::min(m_printerNum, kMaxPrinterCount);
    const long functions = std::min<long>(m_functionNum, kToolCount);
    for (long i = 1; i <= records; ++i) {
        SupportPrinterRec record;
        record.number = i;
        char key[64];
        std::snprintf(key, sizeof key, KEY_PRINTER_NAME, i);
        err = file.GetValueEx(SECTION_PRINTER, key, value, sizeof value);
        if (err == noErr)
            record.name = stringFromSystemEncoding(value);
        for (long j = 1; j <= functions; ++j) {
            std::snprintf(key, sizeof key, KEY_PRINTER_PLUGIN, i, j);
            err = file.GetValueEx(SECTION_PRINTER, key, value, sizeof value);
            if (err != noErr)
                continue;
            QUrl& plugin = record.pluginURL[static_cast<size_t>(j - 1)];
            GetAbsCFRULRef(value, &plugin);
            record.pluginVersion = GetNewVersion(record.pluginVersion, CreatePluginVersion(plugin));
        }
        m_printers.push_back(std::move(record));
    }
    return err;
}

OSErr CSettingFile::GetAbsCFRULRef(const char* path, QUrl* url) {
    if (!url)
        return paramErr;
    *url = QUrl();
    if (!path)
        return paramErr;
    FSSpec package;
    const OSErr err = UFile::GetApplicationPackageFSSpec(&package);
    if (err != noErr)
        return err;

    Str255 partial;
    UString::CopyCstrToPstr(path, partial);
    const QByteArray text(reinterpret_cast<const char*>(partial + 1), partial[0]);
    // An empty value would name the launcher's own package.
    if (text.isEmpty())
        return bdNamErr;

    QList<QByteArray> pieces;
    if (text.startsWith(':')) {
        const QByteArray rest = text.mid(1);
        if (!rest.isEmpty())
            pieces = rest.split(':');
        // A trailing ":" only marks a folder; every other empty piece climbs one.
        if (pieces.size() > 1 && pieces.constLast().isEmpty())
            pieces.removeLast();
    } else {
        // "Volume:folder:item" is a full path, which names nothing here.
        if (text.contains(':'))
            return bdNamErr;
        pieces.append(text);
    }

    QStringList folders = package.path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        const QByteArray& piece = pieces.at(k);
        if (piece.isEmpty()) {
            if (folders.isEmpty())
                return dirNFErr;
            folders.removeLast();
            continue;
        }
        // A classic path component may not be a Linux path of its own.
        const QString name = QString::fromUtf8(piece);
        if (!platform::isPathComponent(name))
            return bdNamErr;
        folders.append(name);
        const QString here = QLatin1Char('/') + folders.join(QLatin1Char('/'));
        const bool last = k == pieces.size() - 1;
        if (!last && !QFileInfo(here).isDir())
            return dirNFErr;
    }
    const QString resolved = QLatin1Char('/') + folders.join(QLatin1Char('/'));
    if (!QFileInfo::exists(resolved))
        return fnfErr;
    *url = QUrl::fromLocalFile(resolved);
    return noErr;
}

QString CSettingFile::CreatePluginVersion(const QUrl& pluginURL) {
    if (pluginURL.isEmpty() || !pluginURL.isLocalFile())
        return QString();
    const auto bundle = platform::Bundle::create(pluginURL.toLocalFile());
    if (!bundle)
        return QString();
    const QString version = bundle->version();
    return version.isEmpty() ? QString() : version;
}

QString CSettingFile::GetNewVersion(const QString& a, const QString& b) {
    // A missing version never replaces one that is there.
    if (b.isNull())
        return a;
    if (a.isNull())
        return b;
    return leadingDecimalValue(a) > leadingDecimalValue(b) ? a : b;
}

QUrl CSettingFile::GetApplicationURL(long index) const {
    if (index < 0 || index >= kToolCount)
        return QUrl();
    return m_applicationURL[static_cast<size_t>(index)];
}

long CSettingFile::GetSupportPrinterNum() const {
    return static_cast<long>(m_printers.size());
}

QString CSettingFile::GetSupportPrinterName(long index) const {
    if (index < 0 || index >= GetSupportPrinterNum())
        return QString();
    return m_printers[static_cast<size_t>(index)].name;
}

QString CSettingFile::GetPrinterDevID(const QString& name, long* index, QString* version) const {
    if (index)
        *index = -1;
    if (name.isNull() || m_printers.empty())
        return QString();
    const QLatin1String vendor(kVenderName, kVenderNameLength);
    const QString bare = name.startsWith(vendor) ? name.mid(kVenderNameLength) : QString();
    for (size_t i = 0; i < m_printers.size(); ++i) {
        const SupportPrinterRec& record = m_printers[i];
        if (record.name.isNull())
            continue;
        if (record.name != name && (bare.isNull() || record.name != bare))
            continue;
        if (index)
            *index = static_cast<long>(i);
        if (version)
            *version = record.pluginVersion;
        return record.name;
    }
    return QString();
}

bool CSettingFile::IsSupportPrinter(const QString& name) const {
    long index = -1;
    if (GetPrinterDevID(name, &index, nullptr).isNull())
        return false;
    return IsSupportPrinter(index, -1);
}

bool CSettingFile::IsSupportPrinter(long index, long function) const {
    if (index < 0 || index >= GetSupportPrinterNum() || function >= kToolCount)
        return false;
    const SupportPrinterRec& record = m_printers[static_cast<size_t>(index)];
    if (function >= 0)
        return !record.pluginURL[static_cast<size_t>(function)].isEmpty();
    for (const QUrl& url : record.pluginURL) {
        if (!url.isEmpty())
            return true;
    }
    return false;
}

bool CSettingFile::IsSupportApplication(const QString& name, long function) const {
    if (name.isNull() || function < 0 || function >= kToolCount)
        return false;
    for (const SupportPrinterRec& record : m_printers) {
        if (!record.name.isNull() && record.name == name)
            return !record.pluginURL[static_cast<size_t>(function)].isEmpty();
    }
    return false;
}
