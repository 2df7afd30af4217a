#include "localize/Localize.h"

#include "config/IniFile.h"
#include "config/UFile.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>

namespace {

constexpr size_t kStringIDLength = 8;
constexpr size_t kMaxTextLength = kIniLineBufferSize - 1;
constexpr size_t kMaxPascalLength = 255;

bool isScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d" of sscanf: leading white space, a sign, at least one digit. Out-of-range numbers
// saturate instead of overflowing. Returns the position after the number, null when none.
const char* scanInt(const char* p, int& out) {
    while (isScanSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return nullptr;
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value <= static_cast<long long>(INT_MAX) + 1)
            value = value * 10 + (*p - '0');
    }
    if (negative)
        value = -value;
    out = static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
    return p;
}

struct FontNumbers {
    int size = 0;
    int bold = 0;
    int italic = 0;
    int underline = 0;
};

// The value's "%d,%d,%d,%d"; every number that cannot be read stays 0.
FontNumbers parseFontValue(const char* value) {
    FontNumbers numbers;
    int* fields[] = {&numbers.size, &numbers.bold, &numbers.italic, &numbers.underline};
    const char* p = value;
    for (size_t i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*p != ',')
                break;
            ++p;
        }
        p = scanInt(p, *fields[i]);
        if (!p)
            break;
    }
    return numbers;
}

// lookup(id, value) fills a 1024-byte value buffer and tells whether the entry exists.
template <class Lookup>
bool usableFontEntry(Lookup& lookup, const char* stringID, FontNumbers& numbers) {
    char value[kIniLineBufferSize] = {};
    if (!lookup(stringID, value))
        return false;
    numbers = parseFontValue(value);
    return numbers.size > 0;
}

template <class Lookup>
void resolveFontSetting(Lookup& lookup, const char* stringID, short* size, short* style) {
    if (size)
        *size = 0;
    if (style)
        *style = 0;
    FontNumbers numbers;
    if (!usableFontEntry(lookup, stringID, numbers) &&
        !usableFontEntry(lookup, STRID_DEFAULT_FONT, numbers))
        return;
    if (size)
        *size = static_cast<short>(numbers.size > SHRT_MAX ? SHRT_MAX : numbers.size);
    if (style) {
        *style = static_cast<short>((numbers.bold == 1 ? 1 : 0) | (numbers.italic == 1 ? 2 : 0) |
                                    (numbers.underline == 1 ? 4 : 0));
    }
}

const LocalizeRec* findRecord(const std::vector<LocalizeRec>& records, const char* stringID) {
    if (!stringID)
        return nullptr;
    for (const LocalizeRec& record : records) {
        if (std::strcmp(record.stringID, stringID) == 0)
            return &record;
    }
    return nullptr;
}

void giveFont(const LocalizeRec& record, short* size, short* style) {
    if (size)
        *size = record.fontSize;
    if (style)
        *style = record.fontStyle;
}

} // namespace

// "L_Font.ini" read once for a whole load. Its answers are those of a one-shot look-up of
// the file per identifier: the first line that begins with the identifier and "=", among
// the lines before the first one that is too long, with the escapes converted. Identifiers
// of string records never hold "=", so each line is filed under the text before its first
// "=".
class LocalizeFontIndex {
public:
    bool lookup(const char* stringID, char* value) {
        if (!stringID)
            return false;
        if (!m_loaded)
            load();
        const auto it = m_values.find(stringID);
        if (it == m_values.end())
            return false;
        std::memcpy(value, it->second.c_str(), it->second.size() + 1);
        return true;
    }

private:
    void load() {
        m_loaded = true;
        FSSpec spec;
        if (UFile::GetIniFileFSSpec(FILENAME_LOCALIZE_FONT, &spec) != noErr)
            return;
        CIniFile file(spec);
        std::unique_ptr<char[]> line(new char[kIniLineBufferSize]());
        while (file.ReadOneLine(line.get(), kIniLineBufferSize) == noErr) {
            char* equals = std::strchr(line.get(), '=');
            // As in the whole-file look-up, a blank after "=" makes no key line.
            if (!equals || equals[1] == ' ')
                continue;
            std::string key(line.get(), equals);
            if (m_values.contains(key))
                continue;
            CIniFile::ConvertCR(equals + 1);
            m_values.emplace(std::move(key), std::string(equals + 1));
        }
    }

    bool m_loaded = false;
    std::unordered_map<std::string, std::string> m_values;
};

CLocalize* CLocalize::sLocalize = nullptr;

CLocalize* CLocalize::GetInstance() {
    if (!sLocalize)
        sLocalize = new CLocalize();
    return sLocalize;
}

void CLocalize::DestroyInstance() {
    delete sLocalize;
    sLocalize = nullptr;
}

CLocalize::CLocalize() {
    Initialize();
}

CLocalize::~CLocalize() = default;

void CLocalize::Initialize() {
    m_records.clear();
    ReadAllLocalizeString();
}

OSErr CLocalize::ReadAllLocalizeString() {
    LocalizeFontIndex fonts;
    const OSErr err = ReadStringFile(FILENAME_LOCALIZE, fonts);
    if (err != noErr && err != eofErr)
        return err;
    return ReadStringFile(FILENAME_LOCALIZE_CONST, fonts);
}

OSErr CLocalize::ReadAllLocalizeStringFromLocalizeIni() {
    LocalizeFontIndex fonts;
    return ReadStringFile(FILENAME_LOCALIZE, fonts);
}

OSErr CLocalize::ReadAllLocalizeStringFromConst() {
    LocalizeFontIndex fonts;
    return ReadStringFile(FILENAME_LOCALIZE_CONST, fonts);
}

OSErr CLocalize::ReadStringFile(const unsigned char* fileName, LocalizeFontIndex& fonts) {
    std::unique_ptr<char[]> line(new (std::nothrow) char[kIniLineBufferSize]());
    if (!line)
        return memFullErr;
    FSSpec spec;
    OSErr err = UFile::GetIniFileFSSpec(fileName, &spec);
    if (err != noErr)
        return err;
    CIniFile file(spec);
    auto lookup = [&fonts](const char* id, char* value) { return fonts.lookup(id, value); };
    while ((err = file.ReadOneLine(line.get(), kIniLineBufferSize)) == noErr) {
        // A record's "=" is its ninth byte and the line's first.
        if (std::strchr(line.get(), '=') != line.get() + kStringIDLength)
            continue;
        LocalizeRec record;
        std::memcpy(record.stringID, line.get(), kStringIDLength);
        char* text = line.get() + kStringIDLength + 1;
        resolveFontSetting(lookup, record.stringID, &record.fontSize, &record.fontStyle);
        CIniFile::ConvertCR(text);
        record.text.assign(text, strnlen(text, kMaxTextLength));
        m_records.push_back(std::move(record));
    }
    return err;
}

void CLocalize::GetLocalizeFontSetting(const char* stringID, short* size, short* style) {
    auto lookup = [](const char* id, char* value) {
        return id && GetValueFromIniFile(FILENAME_LOCALIZE_FONT, id, value) == noErr;
    };
    resolveFontSetting(lookup, stringID, size, style);
}

bool CLocalize::GetLocalizeString(const char* stringID, QString& text, short* size, short* style) {
    const LocalizeRec* record = findRecord(m_records, stringID);
    if (!record || record->text.empty())
        return false;
    text = QString::fromUtf8(record->text.data(), static_cast<qsizetype>(record->text.size()));
    giveFont(*record, size, style);
    return true;
}

bool CLocalize::GetLocalizeString(const char* stringID, unsigned char* text, short* size,
                                  short* style) {
    const LocalizeRec* record = findRecord(m_records, stringID);
    if (!record || record->text.size() > kMaxPascalLength)
        return false;
    if (text) {
        text[0] = static_cast<unsigned char>(record->text.size());
        std::memcpy(text + 1, record->text.data(), record->text.size());
    }
    giveFont(*record, size, style);
    return true;
}
