#pragma once

#include "platform/StatusCodes.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <memory>

class CSupportMachine;
struct ToolReason;

// The one object the launcher asks about printers and tools: the machine catalogue first,
// "Setting.ini" for whatever the catalogue does not know.
class CSettingFileEx {
public:
    static CSettingFileEx* GetInstance();
    // Tests start afresh; the running program never tears the facade down.
    static void DestroyInstance();
    virtual ~CSettingFileEx();
    CSettingFileEx(const CSettingFileEx&) = delete;
    CSettingFileEx& operator=(const CSettingFileEx&) = delete;

    OSStatus InitializeMember();

    static OSStatus GetApplicationBundlePath(QString* path);
    static OSStatus GetApplicationBasePath(QString* path);
    static OSStatus GetMachineBundleBasePath(QString* path);

    // Combined index: the catalogue's printers, then those of "Setting.ini".
    long GetSupportPrinterNum() const;
    QString GetSupportPrinterName(long index) const;
    QString GetSupportPrinterNameWithVenderName(long index) const;
    QUrl GetApplicationURL(long index) const;
    bool IsSupportPrinter(const QString& name) const;
    bool IsSupportApplication(const QString& deviceID, long index, ToolReason* why = nullptr) const;
    // Whether the main window shows the tool's button while the printer is selected: the
    // tool has a place for its application and the printer supports it.
    bool IsToolButtonShown(const QString& deviceID, long index, ToolReason* why = nullptr) const;
    // The display names of the printers, in catalogue order and each once, that are not in
    // `listed` yet; they join it. With an empty set: the popup of a first run.
    QStringList CopyUnlistedPrinterNames(QSet<QString>* listed) const;
    // index gets the position within whichever source answered.
    QString CreateCopyPrinterDevID(const QString& name, long* index) const;
    OSStatus CreateMachineVersion(const QString& deviceID, QString* version) const;

    const CSupportMachine* GetSupportMachine() const { return m_supportMachine.get(); }

protected:
    CSettingFileEx();

private:
    static CSettingFileEx* sSettingFileEx;
    std::unique_ptr<CSupportMachine> m_supportMachine;
};
