#!/usr/bin/env python3
"""Mutation check: does the test suite notice when the product breaks?

Each mutant is one exact text in a product file, its replacement, and the behaviour a
user would see broken. The script applies one mutant at a time to an unsanitized build,
rebuilds, runs the quick suite (ctest -LE slow), restores the file, and prints killed /
survived / n/a per mutant and a total. A mutant whose text is no longer in its file (or
is there more than once) is n/a, as is one that no longer compiles.

    scripts/mutants.py                     every mutant
    scripts/mutants.py --only ini-1023,ui-over
    scripts/mutants.py --check             only tells which mutants still apply
    scripts/mutants.py --save base.txt     then later: --compare base.txt

A developer tool, not part of the test command. Each mutant first runs the tests its
hint names (a regular expression over test names) and stops at the first failure; only
when they all pass does it run the whole quick suite.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (id, file, text, replacement, hint, behaviour)
MUTANTS = [
    # INI reader, file locations, Setting.ini, launch mode
    ("ini-lf", "config/IniFile.cpp", "if (byte == '\\r') {",
     "if (byte == '\\r' || byte == '\\n') {", "IniFile|LineEnds",
     "a bare line feed ends an INI line, so LF-only files split into lines"),
    ("ini-1023", "config/IniFile.cpp", "if (length >= limit)\n            return readErr;",
     "if (length >= limit - 1)\n            return readErr;", "IniFile|LineEnds",
     "an INI line of exactly 1023 bytes is refused"),
    ("ini-escape", "config/IniFile.cpp", "*out++ = '\\r';", "*out++ = '\\n';",
     "IniFile|LineEnds|Localize",
     "a backslash-n escape becomes a line feed instead of a carriage return"),
    ("ini-blank-after-equals", "config/IniFile.cpp",
     "if (beginsWith(line, pattern) && line[pattern.size()] != ' ') {",
     "if (beginsWith(line, pattern)) {", "IniFile|LineEnds",
     "'Key= value' is taken as the key's line by the whole-file look-up"),
    ("ini-section-ended", "config/IniFile.cpp",
     "if (entered) {\n                Rewind();\n                return paramErr;",
     "if (entered) {\n                Rewind();\n                return eofErr;",
     "IniFile|LineEnds", "a key missing from its section gives -39 instead of -50"),
    ("ini-value-size", "config/IniFile.cpp", "if (static_cast<long>(length) >= valueSize)",
     "if (static_cast<long>(length) > valueSize)", "IniFile|LineEnds",
     "a value as long as the caller's buffer is accepted instead of -108"),
    ("ini-header-suffix", "config/IniFile.cpp",
     "entered = std::strcmp(line + 1, header.c_str()) == 0;",
     "entered = std::strncmp(line + 1, header.c_str(), header.size()) == 0;",
     "IniFile|LineEnds", "a section header with text after ']' opens its section"),
    ("launch-ui-mode", "config/LaunchMode.cpp", "sMode = kModeUI;",
     "sMode = kModePresentation;", "LaunchMode|Application|WhatUsersSee",
     "Ope=U no longer turns on the UI mode (no review alerts)"),
    ("pstr-255", "config/UFile.cpp", "strnlen(source, 255)", "strnlen(source, 254)",
     "UFile|UtilityFunctions", "a 255-byte name loses its last byte as a length-prefixed string"),
    ("manual-zt", "config/UFile.cpp", 'return QStringLiteral("zt");',
     'return QStringLiteral("zh");', "UFile|HelpFile",
     "traditional Chinese opens the simplified Chinese manual folder"),
    ("required-files", "config/UFile.cpp",
     "if (UFile::GetIniFileFSSpec(names[i], &spec) != noErr)\n            return false;",
     "if (UFile::GetIniFileFSSpec(names[i], &spec) != noErr)\n            continue;",
     "UFile|Application|Programs|BothPrograms",
     "a missing required INI file passes the start-up check"),
    ("setting-function-num", "config/SettingFile.cpp", "if (count > kToolCount) {",
     "if (count > kToolCount + 1) {", "SettingFile|SettingIni",
     "FUNCTION_NUM=8 is accepted instead of refused"),
    ("setting-last-function", "config/SettingFile.cpp",
     "for (long j = 1; j <= functions; ++j) {", "for (long j = 1; j < functions; ++j) {",
     "SettingFile|SettingIni", "each printer's last tool plug-in path in Setting.ini is ignored"),
    ("setting-climb", "config/SettingFile.cpp",
     "folders.removeLast();\n            continue;", "continue;",
     "SettingFile|SettingIni", "'::' in a Setting.ini path no longer climbs one folder"),
    ("setting-newer-version", "config/SettingFile.cpp",
     "leadingDecimalValue(a) > leadingDecimalValue(b) ? a : b",
     "leadingDecimalValue(a) < leadingDecimalValue(b) ? a : b", "SettingFile",
     "the older plug-in version is reported in the About box"),
    ("setting-vendor-prefix", "config/SettingFile.cpp",
     "name.startsWith(vendor) ? name.mid(kVenderNameLength) : QString()",
     "name.startsWith(vendor) ? name.mid(kVenderNameLength - 1) : QString()",
     "SettingFile|SettingFileEx",
     "a Setting.ini printer is not found by its display name 'Orvel ...'"),
    # String tables, localization, help
    ("strings-eight", "localize/Localize.cpp",
     "if (std::strchr(line.get(), '=') != line.get() + kStringIDLength)",
     "if (line.get()[kStringIDLength] != '=')", "Localize|StringTables",
     "a line whose first eight bytes hold an '=' becomes a string record"),
    ("strings-const-after-eof", "localize/Localize.cpp",
     "if (err != noErr && err != eofErr)\n        return err;",
     "if (err != noErr)\n        return err;", "Localize|StringTables",
     "L_Const.ini is never read after a complete Localize.ini"),
    ("font-bold-exact", "localize/Localize.cpp", "(numbers.bold == 1 ? 1 : 0)",
     "(numbers.bold != 0 ? 1 : 0)", "Localize|StringTables",
     "a bold flag of 2 makes a string bold"),
    ("font-size-zero", "localize/Localize.cpp", "return numbers.size > 0;",
     "return numbers.size >= 0;", "Localize|StringTables",
     "a font entry of size 0 does not fall back to 00999999"),
    ("strings-empty-text", "localize/Localize.cpp",
     "if (!record || record->text.empty())\n        return false;",
     "if (!record)\n        return false;", "Localize|StringTables|LocalizeControl",
     "an empty text counts as found and blanks the interface file's wording"),
    ("strings-255", "localize/Localize.cpp", "record->text.size() > kMaxPascalLength",
     "record->text.size() >= kMaxPascalLength", "Localize|StringTables|Alert",
     "a text of exactly 255 bytes fails the length-prefixed look-up"),
    ("strings-id-prefix", "localize/Localize.cpp",
     "if (std::strcmp(record.stringID, stringID) == 0)",
     "if (std::strncmp(record.stringID, stringID, 7) == 0)", "Localize|StringTables",
     "an identifier matches a record that differs in its last character"),
    ("menu-item-range", "localize/LocalizeControl.cpp",
     "if (item > platform::CountMenuItems(menu))\n        return paramErr;", "",
     "LocalizeControl", "localizing a menu item past the menu's end is not refused"),
    ("help-english-fallback", "localize/HelpFile.cpp",
     'return QUrl::fromLocalFile(manual + QStringLiteral("/en/"));',
     'return QUrl::fromLocalFile(manual + QStringLiteral("/ja/"));', "HelpFile",
     "without a manual in the user's language, the English one is not opened"),
    ("help-backslash", "localize/HelpFile.cpp",
     "std::replace(value, value + std::strlen(value), '\\\\', '/');", "", "HelpFile",
     "backslashes in the manual link are not turned into slashes"),
    ("help-link-key", "localize/HelpFile.cpp", '"MANUAL_0000"', '"MANUAL_0001"', "HelpFile",
     "Help opens no manual: the link is looked up under the wrong key"),
    # Machine catalogue
    ("tool-prefix-spe", "catalogue/SupportMachine.cpp", '{"Stock Profile Editor", "SPE"}',
     '{"Stock Profile Editor", "SPF"}', "SupportMachine|SettingFileEx|MainDialog",
     "Stock Profile Editor's plug-in is looked for under the wrong name"),
    ("vault-setup-newer", "catalogue/SupportMachine.cpp",
     "if (index == kStockVaultSetupIndex && platform::systemVersion() >= kNewerSystemVersion)",
     "if (index == kStockVaultSetupIndex && platform::systemVersion() > kNewerSystemVersion)",
     "SupportMachine|SettingFileEx",
     "on system 10.6.0 exactly, Stock Vault Setup still needs its plug-in"),
    ("tool-bit", "catalogue/SupportMachine.cpp", "return std::int32_t{1} << index;",
     "return std::int32_t{1} << (index + 1);", "SupportMachine|SettingFileEx|MainDialog",
     "each tool reads the FUNCTION bit of the next tool index"),
    ("bundle-suffix-case", "catalogue/SupportMachine.cpp",
     'if (!name.endsWith(QLatin1String("bundle"), Qt::CaseSensitive))',
     'if (!name.endsWith(QLatin1String("bundle"), Qt::CaseInsensitive))',
     "SupportMachine|MachineBundles", "a folder ending in 'BUNDLE' is scanned as a machine bundle"),
    ("scan-every-other", "catalogue/SupportMachine.cpp",
     "next.fetch_add(1, std::memory_order_relaxed)", "next.fetch_add(2, std::memory_order_relaxed)",
     "SupportMachine", "a scan on several cores skips every other package"),
    ("listing-case-tie", "platform/FileSystem.cpp", "view(a->bytes) < view(b->bytes)",
     "view(b->bytes) < view(a->bytes)", "SupportMachine",
     "names that differ only in case are listed lower case first"),
    ("duplicate-model-first", "catalogue/SupportMachine.cpp",
     "if (!m_firstRecordOfModel.contains(model))", "if (true)",
     "SupportMachine|SettingFileEx", "a model listed twice resolves to its last bundle, not its first"),
    ("initial-path-check", "catalogue/SupportMachine.cpp",
     "return text.isEmpty() || platform::isPathComponent(text) ? text : QString();",
     "return text;", "SupportMachine|Attack",
     "an initial such as '../x' leads the plug-in path out of PrinterPlugin"),
    ("function-fraction", "catalogue/MachineBundle.cpp",
     "!std::isfinite(number) || number != std::trunc(number) ||", "!std::isfinite(number) ||",
     "SupportMachine", "a FUNCTION of 3.5 counts as the mask 3"),
    ("plain-repeated-key", "platform/PropertyList.cpp",
     "                map.insert(key, std::move(item));",
     "                map.insert(map.contains(key) ? QString() : key, std::move(item));",
     "PropertyList", "a key written twice in a plain list keeps its first value"),
    ("plain-octal", "platform/PropertyList.cpp",
     "(*digits == '0' && m_at - digits > 1)", "false",
     "PropertyList", "an integer written 010 reads as ten instead of eight"),
    ("worldwide-only", "catalogue/MachineBundle.cpp",
     "if (m_setting->worldWideOnly && IsJapaneseLanguage())",
     "if (m_setting->worldWideOnly && !IsJapaneseLanguage())",
     "MachineBundle|SupportMachine",
     "IsWorldWideOnly bundles are hidden in English instead of in Japanese"),
    ("special-vault", "catalogue/SettingFileEx.cpp",
     "if ((index == kStockProfileVaultIndex && newer) ||",
     "if ((index == kStockProfileVaultIndex && !newer) ||", "SettingFileEx",
     "on a newer system the special models offer Stock Profile Vault instead of Setup"),
    ("special-model-name", "catalogue/SettingFileEx.cpp",
     'deviceID == QLatin1String("MX-R54400 Series") ||',
     'deviceID == QLatin1String("MX-R54400 Serie") ||', "SettingFileEx",
     "MX-R54400 Series is not treated as a special model"),
    ("vendor-prefix-twice", "catalogue/SettingFileEx.cpp",
     "return name.startsWith(vender) ? name : vender + name;", "return vender + name;",
     "SettingFileEx|PrinterPopup|MainDialog",
     "a name that already begins with 'Orvel ' gets the prefix twice"),
    ("preference-key", "catalogue/Preference.cpp", 'QStringLiteral("SelectPrinterModelName")',
     'QStringLiteral("SelectPrinterModel")', "Preference|PrinterPopup|MainDialog",
     "the selected printer is stored under a key other than SelectPrinterModelName"),
    ("preference-list-type", "catalogue/Preference.cpp",
     "if (stored.typeId() != QMetaType::QStringList)\n        return false;", "",
     "Preference|PrinterPopup", "a lone string stored as PrinterModelList is taken as a list"),
    # Main dialog, tool launching, About box, start-up
    ("popup-unknown-first", "app/CMainDialog.cpp",
     "return settings->CopyUnlistedPrinterNames(&listed) + list;",
     "return list + settings->CopyUnlistedPrinterNames(&listed);", "PrinterPopup|MainDialog",
     "printers the saved list did not know go last instead of first"),
    ("popup-saved-supported", "app/CMainDialog.cpp",
     "if (!name.isNull() && settings->IsSupportPrinter(name) && !listed.contains(name)) {",
     "if (!name.isNull() && !listed.contains(name)) {", "PrinterPopup|MainDialog",
     "a saved printer that is no longer installed stays in the popup"),
    ("popup-selection-saved-first", "app/CMainDialog.cpp",
     "if (!fSelectedPrinterName.isNull())\n        list.append(fSelectedPrinterName);", "",
     "PrinterPopup|MainDialog|Preference", "the selected printer is not saved at the head of the list"),
    ("buttons-stack", "app/CMainDialog.cpp", "112.0 + 68.0 * shown", "112.0 + 68.0 * slot",
     "MainDialog|WhatUsersSee", "tool buttons keep their slot's place instead of stacking"),
    ("command-c102", "app/CMainDialog.cpp", "case \"C102\"_4cc:\n        OnApp03Button();",
     "case \"C102\"_4cc:\n        OnApp04Button();", "MainDialog|ToolLaunch|EndToEnd",
     "the command 'C102' starts tool 4 instead of tool 3"),
    ("review-alerts", "app/CApplication.cpp", "if (CLaunchMode::IsUIMode())\n        ShowAllAlert();",
     "if (false)\n        ShowAllAlert();", "Application|WhatUsersSee",
     "the UI mode shows no review alerts"),
    ("review-alert-order", "app/CApplication.cpp",
     "STRID_ALERT_TEXT_MEMORY_ERR, STRID_ALERT_TEXT_HELP_NOT_FOUND}) {",
     "STRID_ALERT_TEXT_HELP_NOT_FOUND, STRID_ALERT_TEXT_MEMORY_ERR}) {", "Application",
     "the review alerts come in the wrong order"),
    ("about-no-printer", "app/CAboutDialog.cpp", 'return QString(""); // no printer: an empty line',
     'return QStringLiteral(" (Version )");', "Application|MainDialog|About",
     "the About box shows a machine line when no printer is selected"),
    ("vault-child-task", "app/ToolLaunch.cpp", 'QLatin1String("Stock Vault Setup.app")',
     'QLatin1String("Stock Vault Setup")', "ToolLaunch|ToolStartFailure",
     "Stock Vault Setup is started through the launcher service, not as a child task"),
    ("launch-descriptor-type", "app/ToolLaunch.cpp", 'typeUTF8Text = "utf8"_4cc;',
     'typeUTF8Text = "TEXT"_4cc;', "ToolLaunch|EndToEnd|LaunchDescriptor",
     "a started tool receives the identifier under the wrong descriptor type"),
    ("tool-start-alert", "app/ToolLaunch.cpp",
     "if (result != noErr)\n        TellToolNotStarted();", "", "ToolLaunch",
     "a tool that cannot be started gives no alert"),
    ("alert-width", "platform/Alert.cpp",
     "explanation->setMinimumWidth(explanationWidth(explanationText, explanation->font()));",
     "(void)explanationText;", "AlertLayout",
     "an alert's message wraps into a narrow column, a short one over two lines"),
    # Image push button, window and event framework
    ("button-pressed-picture", "ui/CImagePushButton.cpp", 'tag = "IMG2"_4cc;',
     'tag = "IMG1"_4cc;', "ImagePushButton", "a pressed tool button shows the mouse-over picture"),
    ("button-hover", "ui/CImagePushButton.cpp",
     "case kEventMouseEntered:\n        platform::HiliteControl(GetViewRef(), kMouseOverPart);",
     "case kEventMouseEntered:\n        platform::HiliteControl(GetViewRef(), kControlNoPart);",
     "ImagePushButton", "hovering a tool button does not show its mouse-over picture"),
    ("window-swallows-commands", "ui/TWindow.cpp",
     "return handled ? noErr : eventNotHandledErr;", "return noErr;", "Framework|MainDialog",
     "a window swallows commands it does not handle, so the application never sees them"),
    ("view-command-status", "ui/TView.cpp",
     "if (event.GetKind() == kEventCommandProcess)\n            return ProcessCommand(command);",
     "if (event.GetKind() == kEventCommandProcess)\n            return UpdateCommandStatus(command);",
     "Framework", "a view's process-command event runs its update-status handler"),
    # Set-up launchers and plug-ins
    ("media-ini-required", "localize/RequiredFiles.h",
     "FILENAME_LOCALIZE_CONST, FILENAME_LOCALIZE_FONT,  FILENAME_SETTING_MEDIA};",
     "FILENAME_LOCALIZE_CONST, FILENAME_LOCALIZE_FONT};",
     "BothPrograms|Programs", "a missing Media.ini no longer stops the set-up launchers"),
    ("device-id-255", "setup_launcher/SetupLauncher.cpp", "sizeof gDeviceID - 1);",
     "sizeof gDeviceID - 2);", "BothPrograms|Programs|LaunchDescriptor",
     "a 255-byte identifier loses its last byte"),
    ("prdt-type", "setup_launcher/SetupLauncher.cpp", "if (parameter->type == typeUTF8Text) {",
     "if (true) {", "BothPrograms|Programs|LaunchDescriptor",
     "a 'prdt' parameter of another type is taken as the identifier"),
    ("sgt-param-alert", "setup_launcher/SetupLauncher.cpp",
     "if (!CreateDeviceID(&deviceID)) {\n        AlertWithStringID(sgt::STRID_ALERT_TEXT_PARAM_ERR);",
     "if (!CreateDeviceID(&deviceID)) {\n        AlertWithStringID(sgt::STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND);",
     "BothPrograms|Programs", "SheetGlideTuner2 without an identifier shows the wrong alert"),
    ("plugin-path-climb", "setup_launcher/SettingDictionary.cpp",
     'return !components.contains(QStringLiteral(".."));', "return true;",
     "PluginLocation|Attack", "a PLUGIN_PATH with '..' leads out of the tool's folder"),
    ("plugin-path-backslash", "setup_launcher/SettingDictionary.cpp",
     "path.replace(QLatin1Char('\\\\'), QLatin1Char('/'));", "", "PluginLocation",
     "backslashes in PLUGIN_PATH are not turned into slashes"),
    ("plugin-bundle-lists-printer", "setup_launcher/SettingDictionary.cpp",
     "if (candidate->OnInitialize(url) == noErr && candidate->IsSupportPrinter(m_deviceID)) {",
     "if (candidate->OnInitialize(url) == noErr) {", "PluginLocation",
     "the first machine bundle is used even when it does not list the printer"),
    ("plugin-model-case", "catalogue/MachineBundleLookup.cpp",
     "models.contains(deviceID, Qt::CaseSensitive)",
     "models.contains(deviceID, Qt::CaseInsensitive)", "PluginLocation",
     "a device identifier that differs from a bundle's MODEL entry only in case counts as listed"),
    ("sgt-entry-point", "setup_launcher/PluginHolder.cpp",
     "m_plugin.Load(m_relativePath, kSGT_OpenSetUpDialogProcName)",
     "m_plugin.Load(m_relativePath, kSPE_OpenSetUpDialogProcName)",
     "PluginHolder|BothPrograms|EndToEnd", "SheetGlideTuner2 looks for the other program's entry point"),
    # The installation checker and the reasons it reports
    ("reason-model-kind", "catalogue/MachineBundle.cpp",
     "m_setting->models == Table::Absent ? BundleProblem::NoModel",
     "m_setting->models != Table::Absent ? BundleProblem::NoModel", "CheckAgreement",
     "a \"MODEL\" that is a string is reported as missing"),
    ("reason-table-kind", "catalogue/SupportMachine.cpp",
     "*problem = setting->initials == Table::WrongType ? BundleProblem::InitialWrongKind",
     "*problem = setting->initials != Table::WrongType ? BundleProblem::InitialWrongKind",
     "CheckAgreement", "an \"INITIAL\" of the wrong kind is blamed on \"FUNCTION\""),
    ("reason-setting-fifo", "catalogue/MachineBundle.cpp",
     "        *problem = BundleProblem::SettingNotRegular;",
     "        *problem = BundleProblem::SettingMalformed;", "CheckAgreement|HostileFiles",
     "a FIFO in Setting.xml's place is reported as a malformed property list"),
    ("reason-no-version", "catalogue/SupportMachine.cpp",
     "        *problem = BundleProblem::NoVersion;",
     "        *problem = BundleProblem::NoSettingFile;", "CheckAgreement",
     "a bundle without CFBundleVersion is reported as one without Setting.xml"),
    ("reason-plugin-not-folder", "catalogue/SupportMachine.cpp",
     ": occupied ? ToolVerdict::PluginNotBundle", ": !occupied ? ToolVerdict::PluginNotBundle",
     "CheckAgreement", "a missing plug-in and a plug-in that is a plain file swap their reasons"),
    ("reason-duplicate-model", "catalogue/SupportMachine.cpp",
     "if (FirstRecordOf(model) >= 0 || named.contains(model))", "if (named.contains(model))",
     "CheckAgreement", "a model an earlier bundle already gave is not reported as left out"),
    ("check-elf-machine", "check/ElfImage.cpp", "|| header->e_machine != kMachine) {",
     ") {", "CheckAgreement",
     "a set-up plug-in built for another machine is reported as loadable"),
    ("check-elf-symbol", "check/ElfImage.cpp",
     "return exports(bytes, *header, symbol) ? Verdict::Loadable : Verdict::SymbolMissing;",
     "return Verdict::Loadable;", "CheckAgreement",
     "a set-up plug-in without its entry point is reported as loadable"),
    ("check-app-startable", "check/Checker.cpp",
     "else if (platform::startableExecutable(package.get()).isEmpty())", "else if (false)",
     "CheckAgreement", "a tool application without an executable is reported as startable"),
    ("check-stop-first-missing", "check/Checker.cpp", "if (!found && !stopped) {",
     "if (!found && stopped) {", "CheckAgreement",
     "a missing required file is not reported as a stop"),
]

def run(command, cwd=ROOT, quiet=True, timeout=None):
    out = subprocess.DEVNULL if quiet else None
    try:
        return subprocess.run(command, cwd=cwd, stdout=out, stderr=out, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return 124


def configure(build):
    command = ["cmake", "-S", ROOT, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
               "-DTRELLIS_SANITIZE=OFF", "-DTRELLIS_BUILD_BENCH=OFF"]
    if shutil.which("ccache"):
        command += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    return run(command)


def ctest(build, jobs, regex=None):
    command = ["ctest", "--test-dir", build, "-LE", "slow", "-j", str(jobs), "--stop-on-failure",
               "--timeout", "300"]
    if regex:
        command += ["-R", regex]
    return run(command, timeout=3600)


def applies(mutant):
    _, path, text, _, _, _ = mutant
    try:
        with open(os.path.join(ROOT, path), encoding="utf-8") as f:
            return f.read().count(text) == 1
    except OSError:
        return False


def try_mutant(mutant, build, jobs):
    ident, path, text, replacement, hint, _ = mutant
    full = os.path.join(ROOT, path)
    with open(full, encoding="utf-8") as f:
        original = f.read()
    if original.count(text) != 1:
        return "n/a"
    try:
        with open(full, "w", encoding="utf-8") as f:
            f.write(original.replace(text, replacement, 1))
        if run(["cmake", "--build", build, "-j", str(jobs)]) != 0:
            return "n/a"  # does not compile: no behaviour to test
        if hint and ctest(build, jobs, hint) != 0:
            return "killed"
        return "killed" if ctest(build, jobs) != 0 else "survived"
    finally:
        with open(full, "w", encoding="utf-8") as f:
            f.write(original)


def read_results(path):
    results = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 2:
                results[parts[0]] = parts[1]
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "mutants"))
    parser.add_argument("--only", help="comma-separated mutant ids")
    parser.add_argument("--check", action="store_true", help="only tell which mutants apply")
    parser.add_argument("--save", help="write 'id result' lines to this file")
    parser.add_argument("--compare", help="an earlier --save file: report what it killed and this run did not")
    parser.add_argument("-j", "--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()

    ids = [m[0] for m in MUTANTS]
    if len(set(ids)) != len(ids):
        sys.exit("duplicate mutant ids")
    chosen = MUTANTS
    if args.only:
        wanted = set(args.only.split(","))
        unknown = wanted - set(ids)
        if unknown:
            sys.exit("unknown mutants: " + ", ".join(sorted(unknown)))
        chosen = [m for m in MUTANTS if m[0] in wanted]

    if args.check:
        missing = [m for m in chosen if not applies(m)]
        for m in chosen:
            print(f"{m[0]:30} {'applies' if applies(m) else 'n/a':8} {m[1]}")
        print(f"{len(chosen) - len(missing)} of {len(chosen)} apply")
        return 1 if missing else 0

    build = os.path.abspath(args.build)
    if configure(build) != 0 or run(["cmake", "--build", build, "-j", str(args.jobs)], quiet=False) != 0:
        sys.exit("the unmutated tree does not build")
    if ctest(build, args.jobs) != 0:
        sys.exit("the quick suite fails without a mutant: fix that first")

    results = {}
    started = time.time()
    try:
        for n, mutant in enumerate(chosen, 1):
            t0 = time.time()
            results[mutant[0]] = try_mutant(mutant, build, args.jobs)
            print(f"[{n}/{len(chosen)}] {mutant[0]:30} {results[mutant[0]]:8} "
                  f"{time.time() - t0:5.0f}s  {mutant[5]}", flush=True)
    finally:
        # Leave the build matching the sources again.
        run(["cmake", "--build", build, "-j", str(args.jobs)])

    counts = {k: sum(1 for r in results.values() if r == k) for k in ("killed", "survived", "n/a")}
    print(f"\nkilled {counts['killed']}, survived {counts['survived']}, n/a {counts['n/a']}, "
          f"of {len(results)} ({(time.time() - started) / 60:.0f} min)")
    if args.save:
        with open(args.save, "w", encoding="utf-8") as f:
            for ident, result in results.items():
                f.write(f"{ident} {result}\n")
    if args.compare:
        before = read_results(args.compare)
        lost = [i for i, r in results.items() if before.get(i) == "killed" and r != "killed"]
        for ident in lost:
            print(f"killed before, not now: {ident} ({results[ident]})")
        print(f"killed before: {sum(1 for r in before.values() if r == 'killed')}, now: {counts['killed']}")
        return 1 if lost else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
