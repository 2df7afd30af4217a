#include "config/IniFile.h"

#include "config/UFile.h"
#include "support/TestSupport.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testsupport::TempTree;

// "#err" on failure, so that one comparison checks both the code and the value.
std::string get(CIniFile& file, const char* key) {
    char value[kIniLineBufferSize] = {};
    const OSErr err = file.GetValue(key, value);
    return err == noErr ? std::string(value) : "#" + std::to_string(err);
}

std::string getEx(CIniFileEx& file, const char* section, const char* key,
                  long size = kIniLineBufferSize) {
    char value[kIniLineBufferSize] = "untouched";
    const OSErr err = file.GetValueEx(section, key, value, size);
    return err == noErr ? std::string(value) : "#" + std::to_string(err) + value;
}

class IniLineEnds : public ::testing::TestWithParam<const char*> {
protected:
    std::unique_ptr<CIniFileEx> open(const QByteArray& lfText) {
        const QString path = tree.write("t.ini", testsupport::withLineEnds(lfText, GetParam()));
        return std::make_unique<CIniFileEx>(FSSpec{path});
    }
    TempTree tree;
};

TEST_P(IniLineEnds, KeyLookUpAnywhereInTheFile) {
    auto file = open("Alpha =1\n Gamma=3\ndelta=4\nBeta= 2\nPRINTER10=ten\nPRINTER1=one\n[S]\n"
                     "Dup=first\nDup=second\nSpaced=a b \nEsc=a\\nb\\\\nc\\\nLast=x");
    EXPECT_EQ(get(*file, "Alpha"), "#-39");
    EXPECT_EQ(get(*file, "Gamma"), "#-39");
    EXPECT_EQ(get(*file, "Delta"), "#-39");
    EXPECT_EQ(get(*file, "Beta"), "#-39");
    EXPECT_EQ(get(*file, "PRINTER1"), "one");
    EXPECT_EQ(get(*file, "Dup"), "first");
    EXPECT_EQ(get(*file, "Spaced"), "a b ");
    EXPECT_EQ(get(*file, "Last"), "x");
    EXPECT_EQ(get(*file, "Esc"), "a\rb\\\rc\\");
    EXPECT_EQ(getEx(*file, "S", "Esc"), "a\\nb\\\\nc\\");
}

TEST_P(IniLineEnds, SectionRules) {
    auto file = open("X=0\n[A]\nX=1\n[B]\nY=2\n");
    EXPECT_EQ(getEx(*file, "A", "X"), "1");
    EXPECT_EQ(getEx(*file, "A", "Y"), "#-50untouched");
    EXPECT_EQ(getEx(*file, "B", "X"), "#-39untouched");
    EXPECT_EQ(getEx(*file, "a", "X"), "#-39untouched");
    EXPECT_EQ(getEx(*file, "B", "Y", 2), "2");
    EXPECT_EQ(getEx(*file, "B", "Y", 1), "#-108untouched");
    EXPECT_EQ(getEx(*file, "B", "Y", 0), "#-108untouched");

    // A blank after "]" keeps a section closed; only the first header of a section counts.
    file = open("[C] \nZ=3\n[A]\nW=4\n[C]\nZ=5\n[A]\nV=6\n");
    EXPECT_EQ(getEx(*file, "C", "Z"), "5");
    EXPECT_EQ(getEx(*file, "A", "V"), "#-50untouched");

    // The key pattern is the whole key, however long: a line that shares only its first
    // 1022 bytes is not the key's line.
    const std::string key(1022, 'K');
    file = open("[S]\n" + QByteArray::fromStdString(key) + "=");
    EXPECT_EQ(getEx(*file, "S", (key + "X").c_str()), "#-39untouched");
    EXPECT_EQ(getEx(*file, "S", key.c_str()), "");
}

TEST_P(IniLineEnds, LinesHoldAtMost1023Bytes) {
    for (int length = 1022; length <= 1026; ++length) {
        SCOPED_TRACE(length);
        const QByteArray line = "Long=" + QByteArray(length - 5, 'v');
        const std::string value = length <= 1023 ? std::string(length - 5, 'v') : "#-19";
        auto file = open(line + "\nNext=ok\n");
        EXPECT_EQ(get(*file, "Next"), length <= 1023 ? "ok" : "#-19");
        EXPECT_EQ(get(*file, "Long"), value);
        file = open("A=1\n" + line);
        EXPECT_EQ(get(*file, "Long"), value);
        EXPECT_EQ(get(*file, "A"), "1");
    }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniLineEnds, ::testing::Values("\r", "\r\n"),
                         [](const auto& info) { return info.index ? "CRLF" : "CR"; });

TEST(IniFile, ReadOneLineSplitsAtCROrCRLFOnly) {
    TempTree tree;
    CIniFile file(FSSpec{tree.write("x.ini", "a\r\n\nb\r\rc")});
    char line[kIniLineBufferSize];
    for (const char* expected : {"a", "\nb", "", "c"}) {
        EXPECT_EQ(file.ReadOneLine(line, sizeof line), noErr);
        EXPECT_STREQ(line, expected);
    }
    EXPECT_EQ(file.ReadOneLine(line, sizeof line), eofErr);
    EXPECT_STREQ(line, "");

    CIniFile small(FSSpec{tree.write("y.ini", "abcd\r")});
    char tiny[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(small.ReadOneLine(tiny, 3), readErr);
    EXPECT_EQ(tiny[3], 'x');
}

TEST(IniFile, FilesThatCannotBeReadAreNotOpen) {
    TempTree tree;
    const QString fifo = tree.path("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QStringList paths{tree.path("missing.ini"), tree.mkdir("folder.ini"), fifo, QString()};
    // Root reads files whatever their mode.
    if (::geteuid() != 0) {
        paths << tree.write("locked.ini", "A=1\r");
        ASSERT_EQ(::chmod(QFile::encodeName(paths.last()).constData(), 0), 0);
    }
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        CIniFileEx file(FSSpec{path});
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(get(file, "A"), "#-19");
        EXPECT_EQ(getEx(file, "S", "A"), "#-19untouched");
    }
    CIniFileEx empty(FSSpec{tree.write("empty.ini", "")});
    EXPECT_TRUE(empty.IsOpen());
    EXPECT_EQ(get(empty, "A"), "#-39");
    EXPECT_EQ(getEx(empty, "S", "A"), "#-39untouched");
}

TEST(IniFile, OddBytes) {
    TempTree tree;
    const char raw[] = "Cut=ab\0cd\r\nKe\0y=1\r\n\0Hidden=1\r\n[S\0]\r\n[T]\r\nAfter=\0x\r\nKey=2";
    CIniFileEx nul(FSSpec{tree.write("nul.ini", QByteArray(raw, sizeof raw - 1))});
    EXPECT_EQ(get(nul, "Cut"), "ab");
    EXPECT_EQ(get(nul, "Key"), "2");
    EXPECT_EQ(get(nul, "Hidden"), "#-39");
    EXPECT_EQ(getEx(nul, "S", "Key"), "#-39untouched");
    EXPECT_EQ(getEx(nul, "T", "After"), "");

    CIniFile bom(FSSpec{tree.write("bom.ini", "\xEF\xBB\xBF"
                                              "First=1\r\nSecond=2\r\n")});
    EXPECT_EQ(get(bom, "First"), "#-39");
    EXPECT_EQ(get(bom, "Second"), "2");

    // Bare line feeds are ordinary bytes: the file is one line.
    CIniFile lf(FSSpec{tree.write("lf.ini", "A=1\nB=2\n")});
    EXPECT_EQ(get(lf, "A"), "1\nB=2\n");
    EXPECT_EQ(get(lf, "B"), "#-39");
    CIniFile longLf(FSSpec{tree.write("long.ini", "A=1\n" + QByteArray(1100, '\n'))});
    EXPECT_EQ(get(longLf, "A"), "#-19");

    QByteArray noise;
    quint32 state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        noise.append(i % 700 == 500 ? '\r' : static_cast<char>(state >> 16));
    }
    CIniFile binary(FSSpec{tree.write("noise.bin", noise + "\rMarker=found\r")});
    EXPECT_EQ(get(binary, "Marker"), "found");
}

TEST(IniFile, LargeFileIsReadWhole) {
    TempTree tree;
    QByteArray text;
    for (int i = 0; text.size() < (4 << 20); ++i)
        text += "[S" + QByteArray::number(i) + "]\r\nKey" + QByteArray::number(i) + "=v\r\n";
    CIniFileEx file(FSSpec{tree.write("large.ini", text + "[Last]\r\nKey=last")});
    EXPECT_EQ(getEx(file, "Last", "Key"), "last");
}

TEST(IniFileOneShot, LooksUpInTheProgramsSettingsFolder) {
    testsupport::FakeApplication app;
    app.writeSetting("One.ini", "[S]\nKey=a\\nb\n");
    app.writeSetting("One.ini", "Key=tuner\n", "\r", QStringLiteral("SGT_Settings"));
    Str255 name;
    char value[kIniLineBufferSize] = "untouched";
    UString::CopyCstrToPstr("Missing.ini", name);
    EXPECT_EQ(GetValueFromIniFile(name, "Key", value), paramErr);
    EXPECT_EQ(GetValueExFromIniFile(name, "S", "Key", value), paramErr);
    EXPECT_STREQ(value, "untouched");

    UString::CopyCstrToPstr("One.ini", name);
    EXPECT_EQ(GetValueExFromIniFile(name, "T", "Key", value), eofErr);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(GetValueExFromIniFile(name, "S", "Key", value), noErr);
    EXPECT_STREQ(value, "a\\nb");
    EXPECT_EQ(GetValueFromIniFile(name, "Key", value), noErr);
    EXPECT_STREQ(value, "a\rb");

    UFile::SetSettingFolderName(QStringLiteral("SGT_Settings"));
    const OSErr err = GetValueFromIniFile(name, "Key", value);
    UFile::SetSettingFolderName(QStringLiteral("Settings"));
    EXPECT_EQ(err, noErr);
    EXPECT_STREQ(value, "tuner");
}

} // namespace
