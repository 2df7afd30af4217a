#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the launcher and the set-up launchers would make of one installation, worked out
// with their own code. Nothing of a maker's code is loaded or run, and nothing is written.
namespace check {

struct RequiredFile {
    QString program; // "Trellis", "SheetGlideTuner2", "StockProfileEditor2"
    QString folder;  // the settings folder the program looks in
    QString file;
    bool found = false;
};

// A program that would stop at start-up with an alert.
struct Stop {
    QString program;
    QString cause; // the missing file, or why there is nothing to show
    QString alert;
};

struct Bundle {
    QString name;
    bool accepted = false;
    QString version;      // null unless accepted
    QStringList printers; // the device identifiers it adds
    QString problem;      // null when none
    QString ignored;      // why an entry that is no package was passed over; null otherwise
};

struct Tool {
    int index = 0;
    QString name;
    bool shown = false;
    QString reason;  // why hidden or how shown, when that needs saying; null otherwise
    QString problem; // null when none
};

struct Printer {
    QString displayName;
    QString deviceID;
    QString source; // "MachineBundle" or "Setting.ini"
    QString bundle; // the machine bundle that gives it; null for "Setting.ini"
    QList<Tool> tools;
};

struct Texts {
    QString program;
    QString localization;
    QStringList missing; // string identifiers the tables lack
};

struct Manual {
    QString language;
    QString path;
    bool found = false;
    QString problem;
};

struct Report {
    QString root;
    QStringList languages;
    bool japanese = false;
    QList<RequiredFile> required;
    QList<Stop> stops;
    QList<Bundle> bundles;
    QList<Printer> printers;
    QList<Texts> texts;
    QList<Manual> manuals;
    QStringList notes; // other things left out, in plain words

    int problemCount() const;
    // 0 nothing left out, 1 something left out or failing on use, 2 a program stops.
    int status() const;
};

// `languages`: the user's preferred languages to answer for; none: the user's own.
Report checkInstallation(const QString& root, const std::optional<QStringList>& languages);

} // namespace check
