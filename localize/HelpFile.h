#pragma once

#include "platform/StatusCodes.h"

#include <QString>
#include <QUrl>
#include <cstdint>

// The manual's settings file, a length-prefixed name of the settings folder.
inline constexpr unsigned char FILENAME_SETTING_MANUAL[] = "\x0aManual.ini";

// Opens a manual, "<folder level levels above the package>/Manual/<language>/<link>", in the
// user's default application for it.
class CHelpFileCommon {
public:
    CHelpFileCommon() = default;
    virtual ~CHelpFileCommon() = default;
    CHelpFileCommon(const CHelpFileCommon&) = delete;
    CHelpFileCommon& operator=(const CHelpFileCommon&) = delete;

    // The link of the manual into a 256-byte length-prefixed buffer.
    virtual OSStatus GetLinkString(std::uint32_t helpID, unsigned char* link) = 0;
    // Tells the user that the manual could not be opened.
    virtual void ErrorTreatement() = 0;

    void DoHelpFile(std::uint32_t helpID);
    // The manual that DoHelpFile opens: its path, empty when there is no folder for it
    // (*noLink false) or Manual.ini names no document (*noLink true).
    QString CreateManualPath(std::uint32_t helpID, bool* noLink = nullptr);
    // The first of the user's languages whose folder exists under "Manual", else "en"
    // (not tested); empty when the package or its folders cannot be reached.
    QUrl CreateLangageFolderURL();
    // 0, or the error of the desktop's URL handler.
    OSStatus LaunchURL(const char* url);

protected:
    std::int32_t level = 0;
};

class CHelpFile : public CHelpFileCommon {
public:
    CHelpFile() { level = 1; }

    // "MANUAL_0000" of "Manual.ini" whatever the identifier, "\" read as "/".
    OSStatus GetLinkString(std::uint32_t helpID, unsigned char* link) override;
    void ErrorTreatement() override;
};
