#include "config/IniFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <span>
#include <string>

namespace {

using testsupport::TempTree;

// "#err" on failure plus what a section look-up left in the buffer: one comparison for both.
std::string lookUp(const QString& path, const char* section, const std::string& key,
                   long size = kIniLineBufferSize) {
    CIniFileEx file(FSSpec{path});
    char value[kIniLineBufferSize] = "untouched";
    const OSErr err = section ? file.GetValueEx(section, key.c_str(), value, size)
                              : file.GetValue(key.c_str(), value);
    if (err == noErr)
        return value;
    return std::string("#").append(std::to_string(err)).append(section ? value : "");
}

QByteArray longLine(int length) {
    return "Long=" + QByteArray(length - 5, 'v');
}
const std::string kKey(1022, 'K');
const std::string kValue1018(1018, 'v');
const QByteArray kFlat = "Alpha =1\n Gamma=3\ndelta=4\nBeta= 2\nPRINTER10=ten\nPRINTER1=one\n[S]\n"
                         "Dup=first\nDup=second\nSpaced=a b \nEsc=a\\nb\\\\nc\\\nLast=x";
const QByteArray kSections = "X=0\n[A]\nX=1\n[B]\nY=2\n";
const QByteArray kHeaders = "[C] \nZ=3\n[A]\nW=4\n[C]\nZ=5\n[A]\nV=6\n";

struct Row {
    const char* name;
    QByteArray text;
    const char* section; // null: the whole-file look-up
    std::string key, expected;
    long size = kIniLineBufferSize;
};

const Row kRows[] = {
    {"blank before '='", kFlat, nullptr, "Alpha", "#-39"},
    {"leading blank", kFlat, nullptr, "Gamma", "#-39"},
    {"keys are case-sensitive", kFlat, nullptr, "Delta", "#-39"},
    {"blank after '='", kFlat, nullptr, "Beta", "#-39"},
    {"a longer key is not the key", kFlat, nullptr, "PRINTER1", "one"},
    {"first duplicate wins", kFlat, nullptr, "Dup", "first"},
    {"trailing blanks kept", kFlat, nullptr, "Spaced", "a b "},
    {"last line without a line end", kFlat, nullptr, "Last", "x"},
    {"escapes become CR", kFlat, nullptr, "Esc", "a\rb\\\rc\\"},
    {"section look-up keeps escapes", kFlat, "S", "Esc", "a\\nb\\\\nc\\"},
    {"key in its section", kSections, "A", "X", "1"},
    {"section ended before the key", kSections, "A", "Y", "#-50untouched"},
    {"key only before the section", kSections, "B", "X", "#-39untouched"},
    {"section names are case-sensitive", kSections, "a", "X", "#-39untouched"},
    {"value one byte shorter than the buffer", kSections, "B", "Y", "2", 2},
    {"value as long as the buffer", kSections, "B", "Y", "#-108untouched", 1},
    {"no buffer", kSections, "B", "Y", "#-108untouched", 0},
    {"blank after ']' keeps a section closed", kHeaders, "C", "Z", "5"},
    {"only the first header counts", kHeaders, "A", "V", "#-50untouched"},
    {"1022-byte key", "[S]\n" + QByteArray::fromStdString(kKey) + "=", "S", kKey, ""},
    {"longer key sharing 1022 bytes", "[S]\n" + QByteArray::fromStdString(kKey) + "=", "S",
     kKey + "X", "#-39untouched"},
    {"1023-byte line", longLine(1023) + "\nNext=ok\n", nullptr, "Long", kValue1018},
    {"after a 1023-byte line", longLine(1023) + "\nNext=ok\n", nullptr, "Next", "ok"},
    {"1024-byte line ends the file", longLine(1024) + "\nNext=ok\n", nullptr, "Next", "#-19"},
    {"1023-byte last line", "A=1\n" + longLine(1023), nullptr, "Long", kValue1018},
    {"1024-byte last line", "A=1\n" + longLine(1024), nullptr, "Long", "#-19"},
    {"missing file", QByteArray(), nullptr, "A", "#-19"},
    {"empty file, section", "", "S", "A", "#-39untouched"},
};

// Bytes as written: no line-end conversion.
const Row kRawRows[] = {
    {"NUL ends a value", QByteArray("Cut=ab\0cd\r\n", 11), nullptr, "Cut", "ab"},
    {"bare LF is an ordinary byte", "A=1\nB=2\n", nullptr, "A", "1\nB=2\n"},
    {"no line after a bare LF", "A=1\nB=2\n", nullptr, "B", "#-39"},
    {"bare LFs count toward the line length", "A=1\n" + QByteArray(1100, '\n'), nullptr, "A",
     "#-19"},
};

class IniLineEnds : public ::testing::TestWithParam<const char*> {};

// The raw rows run under both names, which costs nothing and keeps one loop.
TEST_P(IniLineEnds, LookUps) {
    for (const auto& [rows, raw] :
         {std::pair{std::span<const Row>(kRows), false}, {std::span<const Row>(kRawRows), true}})
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            TempTree tree;
            const QByteArray text =
                raw ? row.text : testsupport::withLineEnds(row.text, GetParam());
            const QString path =
                row.text.isNull() ? tree.path("none.ini") : tree.write("t.ini", text);
            EXPECT_EQ(lookUp(path, row.section, row.key, row.size), row.expected);
        }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniLineEnds, ::testing::Values("\r", "\r\n"),
                         [](const auto& info) { return info.index ? "CRLF" : "CR"; });

} // namespace
