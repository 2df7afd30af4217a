#pragma once

#include "platform/StatusCodes.h"

#include <QString>
#include <QUrl>
#include <array>
#include <vector>

constexpr const char kVenderName[] = "Orvel ";
constexpr int kVenderNameLength = 6;
constexpr int kToolCount = 7;

struct SupportPrinterRec {
    long number = 0;
    QString name;                           // null when "PRINTER%d" is absent
    std::array<QUrl, kToolCount> pluginURL; // empty where there is none
    QString pluginVersion;                  // null when no plug-in has one
};

// "Setting.ini": the fixed list of tools and of printers without a machine bundle.
class CSettingFile {
public:
    static CSettingFile* GetInstance();
    // Tests and the set-up launchers start afresh.
    static void DestroyInstance();
    virtual ~CSettingFile();

    QUrl GetApplicationURL(long index) const;
    long GetSupportPrinterNum() const;
    QString GetSupportPrinterName(long index) const;
    // A copy of the matching record's name (with or without "Orvel "), or null;
    // index gets its position or -1; version a copy of its plug-in version.
    QString GetPrinterDevID(const QString& name, long* index, QString* version) const;
    bool IsSupportPrinter(const QString& name) const;
    bool IsSupportPrinter(long index, long function) const;
    bool IsSupportApplication(const QString& name, long function) const;

    long GetFunctionNum() const { return m_functionNum; }
    const std::vector<SupportPrinterRec>& GetPrinterList() const { return m_printers; }

    // A classic relative path (":" separated, each extra ":" climbs a folder) resolved
    // from the application package folder to an existing item.
    static OSErr GetAbsCFRULRef(const char* path, QUrl* url);
    // CFBundleVersion of the bundle at the URL; null when it has none.
    static QString CreatePluginVersion(const QUrl& pluginURL);
    // a when its decimal value is greater than b's, else b.
    static QString GetNewVersion(const QString& a, const QString& b);

protected:
    CSettingFile();
    void Initialize();
    OSErr ReadFunctionSection();
    OSErr ReadPrinterSection();

private:
    static CSettingFile* sSettingFile;

    std::array<QUrl, kToolCount> m_applicationURL;
    std::vector<SupportPrinterRec> m_printers;
    long m_functionNum = 0;
    long m_printerNum = 0;
};
