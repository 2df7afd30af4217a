#pragma once

#include "config/MacTypes.h"

#include <QString>

#include <string>
#include <vector>

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

protected:
    CLocalize();
    void Initialize();

private:
    static CLocalize* sLocalize;
    std::vector<LocalizeRec> m_records;
};
