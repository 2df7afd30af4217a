#pragma once

#include "platform/StatusCodes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <optional>

namespace platform {
class Bundle;
}

// Keys of a machine bundle's Setting.xml.
inline constexpr char kSettingKeyModel[] = "MODEL";
inline constexpr char kSettingKeyWorldWideOnly[] = "IsWorldWideOnly";
inline constexpr char kSettingKeyInitial[] = "INITIAL";
inline constexpr char kSettingKeyFunction[] = "FUNCTION";
inline constexpr char kSettingFileName[] = "Setting.xml";

// Why an entry of the machine-bundle folder adds no printer. The scan only skips such an
// entry; the installation checker tells its user the reason.
enum class BundleProblem : std::uint8_t {
    None,
    NotNamedBundle,    // the name does not end in "bundle"
    NotAFolder,        // no package can be opened at the place
    NoSettingFile,     // no Contents/Resources/Setting.xml
    SettingNotRegular, // Setting.xml is a FIFO, device, socket or folder
    SettingTooLarge,   // Setting.xml is larger than property lists may be
    SettingUnreadable, // Setting.xml cannot be read (permissions, a failed read)
    SettingMalformed,  // Setting.xml is not a property list whose root is a dictionary
    NoModel,           // no "MODEL"
    ModelNotStrings,   // "MODEL" is not an array of strings
    WorldWideOnly,     // "IsWorldWideOnly" under the Japanese localization
    InitialWrongKind,  // "INITIAL" is not a dictionary
    FunctionWrongKind, // "FUNCTION" is not a dictionary
    NoVersion,         // Contents/Info.plist has no CFBundleVersion string
};

// What the catalogue keeps of a machine bundle's Setting.xml. Keys and model names are exact.
struct MachineSetting {
    enum class Table : std::uint8_t { Absent, Read, WrongType };

    Table models = Table::Absent;    // "MODEL": Read when an array of strings
    Table initials = Table::Absent;  // "INITIAL": Read when a dictionary
    Table functions = Table::Absent; // "FUNCTION": Read when a dictionary
    bool worldWideOnly = false;      // "IsWorldWideOnly" present, whatever its value
    QStringList modelNames;

    // One key of "INITIAL" or "FUNCTION".
    struct Entry {
        QString model;
        QString initial; // null when absent or not a string
        std::int32_t function = 0;
        bool hasFunction = false; // a number that a signed 32-bit value holds exactly
    };
    QList<Entry> entries; // sorted by model, one per model

    static MachineSetting fromDictionary(const QVariantMap& dictionary);
    // Null when neither table names the model.
    const Entry* find(const QString& model) const;
};

// One machine bundle package: its bundle and the values of its Setting.xml that are used.
class CMachineBundle {
public:
    CMachineBundle();
    virtual ~CMachineBundle();
    CMachineBundle(const CMachineBundle&) = delete;
    CMachineBundle& operator=(const CMachineBundle&) = delete;

    // Opens the package and reads its Setting.xml; `problem`, when given, gets why no
    // Setting.xml was read.
    OSStatus OnInitialize(const QUrl& bundleURL, BundleProblem* problem = nullptr);
    OSStatus Create(const QUrl& bundleURL);
    void Release();
    void CleanupClass();

    // The property list at the file URL when its root is a dictionary; the out-parameter
    // is left untouched on failure.
    static OSStatus CreateDictionaryWithURLRef(const QUrl& fileURL, QVariantMap* dictionary);

    // Null when no Setting.xml has been read.
    const MachineSetting* GetSettingDictionary() const;
    // Only the four keys above are kept: "MODEL" as a list of strings, "INITIAL" and
    // "FUNCTION" as dictionaries of the entries that have a usable value, "IsWorldWideOnly"
    // by its presence alone (an invalid value); a table of the wrong type is an invalid value.
    OSStatus GetValue(const QString& key, QVariant* value) const;
    // The "MODEL" array; -50 when it is missing, is not an array of strings, or the bundle
    // is hidden under the Japanese localization (`problem` tells which).
    OSStatus GetSupportPrinter(QStringList* models, BundleProblem* problem = nullptr) const;

    // Asked by the set-up launchers only (MachineBundleLookup.cpp): the printer's plug-in
    // initial, and whether "MODEL" lists the device identifier exactly.
    OSStatus GetInitialString(const QString& deviceID, QString* initial) const;
    bool IsSupportPrinter(const QString& deviceID) const;

    // Whether the running program's own localized resources come from "Japanese.lproj".
    static bool IsJapaneseLanguage();

    // While one is alive, IsJapaneseLanguage is worked out at most once and then answered
    // from memory: a scan of many bundles asks it once, not once per bundle. Outside any
    // scope every call looks afresh.
    class LanguageScope {
    public:
        LanguageScope();
        ~LanguageScope();
        LanguageScope(const LanguageScope&) = delete;
        LanguageScope& operator=(const LanguageScope&) = delete;
    };

    // The package opened by Create; null when none is open.
    const platform::Bundle* GetBundle() const { return m_bundle.get(); }

private:
    OSStatus Open(const QUrl& bundleURL, BundleProblem* problem);

    std::shared_ptr<platform::Bundle> m_bundle;
    std::optional<MachineSetting> m_setting;
};
