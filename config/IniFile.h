#pragma once

#include "config/MacTypes.h"

#include <memory>
#include <vector>

// Line and value buffers of every caller hold 1024 bytes, so a line holds at most 1023.
constexpr long kIniLineBufferSize = 1024;

// One file's bytes on disk.
class CFile {
public:
    explicit CFile(const FSSpec& spec);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens the file for reading; returns the reference number, -1 on failure.
    virtual int OpenDataFork(short permission);
    virtual void CloseDataFork();
    // The whole file, or null when it cannot be sized, allocated, positioned or read.
    virtual std::unique_ptr<std::vector<char>> ReadDataFork();

private:
    FSSpec m_spec;
    int m_refNum = -1;
};

// Loads a whole INI file when constructed and answers look-ups from the top each time.
// Lines end with CR or CR LF; a bare LF is an ordinary byte.
class CIniFile {
public:
    explicit CIniFile(const FSSpec& spec);
    virtual ~CIniFile();
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // Next line into the buffer (NUL-filled first): 0, -39 at the end of the data,
    // -19 when not open or the line is longer than 1023 bytes.
    OSErr ReadOneLine(char* buffer, long bufferSize);
    // Every backslash + 'n' becomes one CR, in place.
    static void ConvertCR(char* text);
    // First line of the whole file that begins with key + "=" and no blank after it;
    // value needs 1024 bytes.
    OSErr GetValue(const char* key, char* value);

    bool IsOpen() const;

protected:
    void Open();
    void Close();
    void Rewind();

    std::unique_ptr<CFile> m_file;
    std::unique_ptr<std::vector<char>> m_block;
    int m_openState = 0;
    const char* m_cursor = nullptr;
    long m_unread = 0;
    long m_size = 0;
};

class CIniFileEx : public CIniFile {
public:
    explicit CIniFileEx(const FSSpec& spec) : CIniFile(spec) {}
    ~CIniFileEx() override = default;

    // The key within [section], without escape conversion, when shorter than valueSize:
    // 0, -39 absent, -50 another section began first, -108 too long (value unchanged).
    OSErr GetValueEx(const char* section, const char* key, char* value, long valueSize);
};

// One-shot look-ups of a file of the settings folder by its length-prefixed name.
// The value buffer must hold 1024 bytes; it is untouched when the file is not found and
// emptied when the look-up fails.
OSErr GetValueFromIniFile(const unsigned char* fileName, const char* key, char* value);
OSErr GetValueExFromIniFile(const unsigned char* fileName, const char* section, const char* key,
                            char* value);
