#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace platform {

// What the catalogue keeps of a machine bundle's Setting.xml, read straight from the parsed
// list with no dictionary of the whole file in between. Keys and model names are exact.
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

    // Null when neither table names the model.
    const Entry* find(const QString& model) const;
};

// The same bounds and guarded read as readPropertyListDictionary; std::nullopt when the file
// cannot be read or its root is not a dictionary.
std::optional<MachineSetting> readMachineSetting(const QString& path);
std::optional<MachineSetting> parseMachineSetting(const QByteArray& data);

// The string under `key` in the root dictionary of the list at `path`, without converting the
// rest; std::nullopt when the file cannot be read as a dictionary or the value is missing or
// not a string.
std::optional<QString> readPropertyListDictionaryString(const QString& path, const char* key);

} // namespace platform
