#pragma once

#include "platform/StatusCodes.h"

#include <QString>
#include <string>
#include <vector>

// The string files, as length-prefixed names of the settings folder.
inline constexpr unsigned char FILENAME_LOCALIZE[] = "\x0cLocalize.ini";
inline constexpr unsigned char FILENAME_LOCALIZE_CONST[] = "\x0bL_Const.ini";
inline constexpr unsigned char FILENAME_LOCALIZE_FONT[] = "\x0aL_Font.ini";

// String identifiers of the launcher's own texts.
inline constexpr char STRID_MAIN_TITLE_WINDOWTITLE[] = "00000000";
inline constexpr char STRID_MAIN_TEXT_EXPLANATION[] = "00000002";
inline constexpr char STRID_MAIN_TEXT_PRINTER[] = "00000003";
inline constexpr char STRID_MAIN_BUTTON_HELP[] = "00000012";
inline constexpr char STRID_MAIN_BUTTON_QUIT[] = "00000013";
inline constexpr char STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND[] = "00010000";
inline constexpr char STRID_ALERT_TEXT_PARAM_ERR[] = "00010001";
inline constexpr char STRID_ALERT_TEXT_OS_VERSION_ERR[] = "00010002";
inline constexpr char STRID_ALERT_TEXT_MEMORY_ERR[] = "00010003";
inline constexpr char STRID_ALERT_TEXT_HELP_NOT_FOUND[] = "00010004";
inline constexpr char STRID_ALERT_TEXT_TOOL_NOT_STARTED[] = "00010005";
inline constexpr char STRID_ABOUT_TEXT_VERSION[] = "00020000";
inline constexpr char STRID_ABOUT_TEXT_COPYRIGHT[] = "00020001";
inline constexpr char STRID_MAIN_MENU_HELP[] = "00030000";
inline constexpr char STRID_MAIN_MENU_ABOUT[] = "00030002";
// The identifiers above that the launcher's windows, menus and alerts show and that have no
// built-in text to fall back on: the installation checker asks every table for them.
inline constexpr const char* kLauncherStringIDs[] = {
    STRID_MAIN_TITLE_WINDOWTITLE, STRID_MAIN_TEXT_EXPLANATION,
    STRID_MAIN_TEXT_PRINTER,      STRID_MAIN_BUTTON_HELP,
    STRID_MAIN_BUTTON_QUIT,       STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND,
    STRID_ALERT_TEXT_PARAM_ERR,   STRID_ALERT_TEXT_OS_VERSION_ERR,
    STRID_ALERT_TEXT_MEMORY_ERR,  STRID_ALERT_TEXT_HELP_NOT_FOUND,
    STRID_ABOUT_TEXT_VERSION,     STRID_ABOUT_TEXT_COPYRIGHT,
    STRID_MAIN_MENU_HELP,         STRID_MAIN_MENU_ABOUT};

// The "L_Font.ini" entry for strings without a usable one of their own.
inline constexpr char STRID_DEFAULT_FONT[] = "00999999";

class LocalizeFontIndex;

// One string record of "Localize.ini" or "L_Const.ini".
struct LocalizeRec {
    char stringID[9] = {};
    std::string text; // at most 1023 bytes, escapes converted
    short fontSize = 0;
    short fontStyle = 0; // 1 bold, 2 italic, 4 underline
};

// The string table: every record of "Localize.ini", then of "L_Const.ini", each with its
// font setting from "L_Font.ini". Built once, on the first GetInstance.
class CLocalize {
public:
    static CLocalize* GetInstance();
    // Tests start afresh.
    static void DestroyInstance();
    virtual ~CLocalize();

    OSErr ReadAllLocalizeString();
    OSErr ReadAllLocalizeStringFromLocalizeIni();
    OSErr ReadAllLocalizeStringFromConst();

    // Size and style of one identifier from "L_Font.ini", with the "00999999" default.
    void GetLocalizeFontSetting(const char* stringID, short* size, short* style);
    // True when the record exists and its text is not empty.
    bool GetLocalizeString(const char* stringID, QString& text, short* size, short* style);
    // True when the record exists and its text fits 255 bytes; text is a 256-byte
    // length-prefixed buffer (may be null).
    bool GetLocalizeString(const char* stringID, unsigned char* text, short* size, short* style);

    const std::vector<LocalizeRec>& Records() const { return m_records; }

    // Texts of windows, controls and menus from the table (LocalizeControl.cpp): 0, -50 for
    // an invalid target or a missing or empty string, -2114 for a control kind without a
    // text, or the window system's own error. The types are those of platform/WindowTypes.h.
    OSStatus LocalizeControl(struct OpaqueWindowPtr* window, struct ControlID id,
                             const char* stringID, long index);
    OSStatus LocalizeControlTitle(struct OpaqueControlRef* control, const char* stringID);
    OSStatus LocalizeControlStaticText(struct OpaqueControlRef* control, const char* stringID);
    OSStatus LocalizeControlTabs(struct OpaqueControlRef* control, const char* stringID,
                                 long index);
    OSStatus LocalizeControlRadioGroup(struct OpaqueControlRef* control, const char* stringID,
                                       long index);
    OSStatus LocalizeWindowTitle(struct OpaqueWindowPtr* window, const char* stringID);
    OSStatus LocalizeMenuItem(short menuID, unsigned short item, const char* stringID);
    OSStatus LocalizeMenuTitle(short menuID, const char* stringID);

protected:
    CLocalize();
    void Initialize();

private:
    // Appends the records of one string file, taking font settings from the index.
    OSErr ReadStringFile(const unsigned char* fileName, LocalizeFontIndex& fonts);

    static CLocalize* sLocalize;
    std::vector<LocalizeRec> m_records;
};
