// The INI reader on arbitrary files: line reading, whole-file and section look-ups.
#include "FuzzSupport.h"
#include "config/IniFile.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Input: <key>\x01<section>\x01<file bytes>; missing parts are empty.
    auto [key, rest] = splitInput(data, size, '\x01');
    auto [section, content] = splitInput(reinterpret_cast<const uint8_t*>(rest.constData()),
                                         static_cast<size_t>(rest.size()), '\x01');
    const QString path = fuzzScratch() + QStringLiteral("/fuzz.ini");
    writeFile(path, content);

    CIniFileEx file(FSSpec{path});
    char line[kIniLineBufferSize];
    for (int i = 0; i < 4096 && file.ReadOneLine(line, sizeof line) == noErr; ++i) {
        if (std::memchr(line, '\0', sizeof line) == nullptr)
            __builtin_trap(); // a line must always end inside its buffer
    }
    char value[kIniLineBufferSize];
    file.GetValue(key.constData(), value);
    for (long size : {1L, 8L, 1024L}) {
        std::memset(value, 'x', sizeof value);
        file.GetValueEx(section.constData(), key.constData(), value, size);
    }
    // A small caller buffer still gets whole, terminated lines or an error.
    char small[16];
    file.ReadOneLine(small, sizeof small);
    return 0;
}
