#include "config/IniFile.h"

#include "config/UFile.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr long kMaxLineLength = kIniLineBufferSize - 1;

// The pattern <text><terminator>. The whole-file look-up cuts the text at kMaxLineLength - 1
// bytes; the section-scoped one keeps it whole, so that a longer key never matches a line
// that shares only its first bytes.
std::string makePattern(const char* text, char terminator, std::size_t limit = std::string::npos) {
    std::string pattern(text, strnlen(text, limit));
    pattern.push_back(terminator);
    return pattern;
}

bool beginsWith(const char* line, const std::string& pattern) {
    return std::strncmp(line, pattern.c_str(), pattern.size()) == 0;
}

} // namespace

// ---------------------------------------------------------------------------------------

CFile::CFile(const FSSpec& spec) : m_spec(spec) {}

CFile::~CFile() {
    CloseDataFork();
}

int CFile::OpenDataFork(short /*permission: the reader only ever reads*/) {
    CloseDataFork();
    if (m_spec.path.isEmpty())
        return m_refNum;
    // A FIFO standing where a file should be must not block the program.
    int fd = platform::openRegularFile(m_spec.path);
    if (fd < 0)
        return m_refNum;
    // A reference number of 0 means "not open" to the reader, so never hand out fd 0.
    if (fd == 0) {
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        ::close(fd);
        if (moved < 0)
            return m_refNum;
        fd = moved;
    }
    m_refNum = fd;
    return m_refNum;
}

void CFile::CloseDataFork() {
    if (m_refNum > 0)
        ::close(m_refNum);
    m_refNum = -1;
}

std::unique_ptr<std::vector<char>> CFile::ReadDataFork() {
    if (m_refNum <= 0)
        return nullptr;
    struct stat info {};
    if (::fstat(m_refNum, &info) != 0 || info.st_size < 0)
        return nullptr;
    std::unique_ptr<std::vector<char>> block;
    try {
        block = std::make_unique<std::vector<char>>(static_cast<size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
    if (::lseek(m_refNum, 0, SEEK_SET) != 0)
        return nullptr;
    size_t done = 0;
    while (done < block->size()) {
        const ssize_t got = ::read(m_refNum, block->data() + done, block->size() - done);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        // An error, or a file that shrank while being read, leaves nothing usable.
        if (got <= 0)
            return nullptr;
        done += static_cast<size_t>(got);
    }
    return block;
}

// ---------------------------------------------------------------------------------------

CIniFile::CIniFile(const FSSpec& spec) : m_file(std::make_unique<CFile>(spec)) {
    Open();
}

CIniFile::~CIniFile() {
    Close();
}

bool CIniFile::IsOpen() const {
    return m_openState > 0 && m_block;
}

void CIniFile::Open() {
    m_openState = m_file->OpenDataFork(1);
    if (m_openState > 0) {
        m_block = m_file->ReadDataFork();
        if (m_block) {
            Rewind();
            return;
        }
    }
    Close();
}

void CIniFile::Close() {
    m_block.reset();
    m_cursor = nullptr;
    m_unread = 0;
    m_size = 0;
    if (m_file)
        m_file->CloseDataFork();
    m_openState = 0;
}

void CIniFile::Rewind() {
    if (!m_block)
        return;
    m_size = static_cast<long>(m_block->size());
    m_unread = m_size;
    m_cursor = m_block->data();
}

OSErr CIniFile::ReadOneLine(char* buffer, long bufferSize) {
    if (!IsOpen())
        return readErr;
    if (buffer && bufferSize > 0)
        std::memset(buffer, 0, static_cast<size_t>(bufferSize));
    if (m_unread <= 0)
        return eofErr;
    // A smaller buffer than the usual one still gets its terminating NUL.
    const long limit = (!buffer || bufferSize <= 0)      ? -1
                       : bufferSize - 1 < kMaxLineLength ? bufferSize - 1
                                                         : kMaxLineLength;
    if (limit < 0)
        return readErr;
    long length = 0;
    while (m_unread > 0) {
        const char byte = *m_cursor;
        if (byte == '\r') {
            ++m_cursor;
            --m_unread;
            if (m_unread > 0 && *m_cursor == '\n') {
                ++m_cursor;
                --m_unread;
            }
            return noErr;
        }
        if (length >= limit)
            return readErr;
        buffer[length++] = byte;
        ++m_cursor;
        --m_unread;
    }
    return noErr; // the last line needs no line end
}

void CIniFile::ConvertCR(char* text) {
    if (!text)
        return;
    char* out = text;
    for (const char* in = text; *in; ++in) {
        if (in[0] == '\\' && in[1] == 'n') {
            *out++ = '\r';
            ++in;
        } else {
            *out++ = *in;
        }
    }
    *out = '\0';
}

OSErr CIniFile::GetValue(const char* key, char* value) {
    if (!IsOpen())
        return readErr;
    if (!key || !value)
        return paramErr;
    const std::string pattern = makePattern(key, '=', kMaxLineLength - 1);
    Rewind();
    char line[kIniLineBufferSize];
    for (;;) {
        const OSErr err = ReadOneLine(line, sizeof line);
        if (err != noErr)
            return err;
        // No blank may stand around "=": "Key= value" is not the key's line.
        if (beginsWith(line, pattern) && line[pattern.size()] != ' ') {
            std::strcpy(value, line + pattern.size());
            ConvertCR(value);
            return noErr;
        }
    }
}

OSErr CIniFileEx::GetValueEx(const char* section, const char* key, char* value, long valueSize) {
    if (!IsOpen())
        return readErr;
    if (!section || !key || !value)
        return paramErr;
    Rewind();
    const std::string header = makePattern(section, ']');
    const std::string pattern = makePattern(key, '=');
    bool entered = false;
    char line[kIniLineBufferSize];
    for (;;) {
        const OSErr err = ReadOneLine(line, sizeof line);
        if (err != noErr) {
            Rewind();
            return err;
        }
        if (line[0] == '[') {
            // The key's section ended without it.
            if (entered) {
                Rewind();
                return paramErr;
            }
            entered = std::strcmp(line + 1, header.c_str()) == 0;
            continue;
        }
        if (!entered || !beginsWith(line, pattern))
            continue;
        const char* found = line + pattern.size();
        const size_t length = std::strlen(found);
        Rewind();
        if (static_cast<long>(length) >= valueSize)
            return memFullErr;
        std::memcpy(value, found, length + 1);
        return noErr;
    }
}

// ---------------------------------------------------------------------------------------

OSErr GetValueFromIniFile(const unsigned char* fileName, const char* key, char* value) {
    FSSpec spec;
    const OSErr located = UFile::GetIniFileFSSpec(fileName, &spec);
    if (located != noErr)
        return located;
    CIniFile file(spec);
    char found[kIniLineBufferSize] = {};
    const OSErr err = file.GetValue(key, found);
    if (value) {
        if (err == noErr)
            std::strcpy(value, found);
        else
            value[0] = '\0';
    }
    return err;
}

OSErr GetValueExFromIniFile(const unsigned char* fileName, const char* section, const char* key,
                            char* value) {
    FSSpec spec;
    const OSErr located = UFile::GetIniFileFSSpec(fileName, &spec);
    if (located != noErr)
        return located;
    CIniFileEx file(spec);
    char found[kIniLineBufferSize] = {};
    const OSErr err = file.GetValueEx(section, key, found, kIniLineBufferSize);
    if (value) {
        if (err == noErr)
            std::strcpy(value, found);
        else
            value[0] = '\0';
    }
    return err;
}
