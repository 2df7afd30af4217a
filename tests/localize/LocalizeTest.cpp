#include "localize/Localize.h"

#include "support/TestSupport.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>

namespace {

using Font = std::pair<short, short>;
using Text = std::optional<QByteArray>; // nullopt: not found
using Texts = std::pair<Text, Text>;

using namespace std::string_literals; // "..."s keeps NUL bytes

const QByteArray k255(255, 'v'), k300(300, 'w'), kLongest(1023 - 9, 'z');

// CR LF line ends: the INI reader's own table runs under both kinds.
class LocalizeTest : public ::testing::Test {
protected:
    void TearDown() override { CLocalize::DestroyInstance(); }
    // A null text leaves the file out.
    CLocalize* load(const QByteArray& strings, const QByteArray& constants,
                    const QByteArray& fonts = QByteArray()) {
        for (const auto& [name, text] : {std::pair{"Localize.ini", strings},
                                         {"L_Const.ini", constants},
                                         {"L_Font.ini", fonts}}) {
            QFile::remove(app.resourcesPath() + "/Settings/" + name);
            if (!text.isNull())
                app.writeSetting(name, text);
        }
        CLocalize::DestroyInstance();
        return CLocalize::GetInstance();
    }
    // Both look-ups (as text, length-prefixed), which leave their outputs alone on failure.
    static Texts texts(CLocalize* localize, const char* id) {
        QString value = "untouched";
        unsigned char buffer[256];
        std::memset(buffer, 0xAA, sizeof buffer);
        const bool asText = localize->GetLocalizeString(id, value, nullptr, nullptr);
        const bool asPascal = localize->GetLocalizeString(id, buffer, nullptr, nullptr);
        EXPECT_TRUE((asText || value == "untouched") && (asPascal || buffer[0] == 0xAA));
        const QByteArray pascal(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
        return {asText ? Text(value.toUtf8()) : std::nullopt,
                asPascal ? Text(pascal) : std::nullopt};
    }
    // The font a record got while loading, checked against the public look-up.
    static Font font(CLocalize* localize, const char* id) {
        Font record{-1, -1}, lookup{-1, -1};
        EXPECT_TRUE(localize->GetLocalizeString(id, nullptr, &record.first, &record.second));
        localize->GetLocalizeFontSetting(id, &lookup.first, &lookup.second);
        EXPECT_EQ(record, lookup) << id;
        return record;
    }

    testsupport::FakeApplication app;
};

TEST_F(LocalizeTest, RecordsOfBothFilesAndTheirLookUps) {
    CLocalize* localize = load(
        QByteArray::fromStdString(
            "[Main]\n; comment\n00000000=Window title\n0001000=seven\n000100040=nine\n"
            "0000=000=equals early\nabc=defgh=x\n\n00010004= Help is missing \n"
            "00000002=One\\nTwo\n00000002=duplicate\n00000005=ab\0cd\n0000\0"
            "006=nul in key\n00000007=\n"s) +
            "00000001=" + k300 + "\n00000003=" + k255 + "\n00000004=" + kLongest + "\n00000008=a=b",
        "00020000=Version\n00000000=constant title\n");
    // name, identifier, text look-up, length-prefixed look-up
    const std::tuple<const char*, const char*, Text, Text> rows[] = {
        {"Localize.ini before L_Const.ini", "00000000", "Window title", "Window title"},
        {"blanks kept", "00010004", " Help is missing ", " Help is missing "},
        {"first duplicate, escapes", "00000002", "One\rTwo", "One\rTwo"},
        {"NUL ends the text", "00000005", "ab", "ab"},
        {"last line without a line end", "00000008", "a=b", "a=b"},
        {"L_Const.ini after a complete Localize.ini", "00020000", "Version", "Version"},
        {"empty text: only the short form", "00000007", std::nullopt, ""},
        {"255 bytes in both forms", "00000003", k255, k255},
        {"300 bytes: text form only", "00000001", k300, std::nullopt},
        {"longest line", "00000004", kLongest, std::nullopt},
        {"seven-byte key", "0001000", std::nullopt, std::nullopt},
        {"nine-byte key", "000100040", std::nullopt, std::nullopt},
        {"'=' inside the first eight bytes", "0000=000", std::nullopt, std::nullopt},
        {"'=' early, then after eight bytes", "abc=defg", std::nullopt, std::nullopt},
        {"differs in the last character", "00000006", std::nullopt, std::nullopt},
        {"no identifier", nullptr, std::nullopt, std::nullopt}};
    for (const auto& [name, id, asText, asPascal] : rows)
        EXPECT_EQ(texts(localize, id), Texts(asText, asPascal)) << name;
}

TEST_F(LocalizeTest, FontSettings) {
    QByteArray strings;
    for (int i = 0; i <= 13; ++i)
        strings += QByteArray::number(i).rightJustified(8, '0') + "=x\n";
    CLocalize* localize = load(
        strings, "",
        QByteArray::fromStdString("[Font]\n0000000=30,1,1,1\n00000000=12,1,0,1\n00000000=99,0,0,0\n"
                                  "00000001=0,1,1,1\n00000002=9,2,1,-1\n00000003=12,x,1,1\n"
                                  "00000004=-3,1,1,1\n00000005=\\n 16,1,1,1\n00000006 =13,0,0,0\n"
                                  " 00000007=14,0,0,0\n00000008=15,0,1,1=junk\n00000009==16,1,0,0\n"
                                  "000000100=17,0,0,0\n00000011=18\0,1,1,1\n00000012\0=19,1,1,1\n"
                                  "00000013=  21 ,1,1,1\n00999999=10,0,0,0\n"s));
    const std::pair<const char*, Font> rows[] = {
        {"00000000", {12, 5}}, // the first entry; a shorter key does not match
        {"00000001", {10, 0}}, // size 0: the default
        {"00000002", {9, 2}},  // flags count only when exactly 1
        {"00000003", {12, 0}}, // reading stops at "x"
        {"00000005", {16, 7}}, // escapes converted before reading
        {"00000007", {10, 0}}, // no blanks around the key
        {"00000009", {10, 0}}, {"00000011", {18, 0}},
        {"00000013", {10, 0}}}; // a blank after "=": not the identifier's line
    for (const auto& [id, setting] : rows)
        EXPECT_EQ(font(localize, id), setting) << id;
}

TEST_F(LocalizeTest, WhatEndsTheLoading) {
    CLocalize* localize = load("00000000=a\n", QByteArray()); // "L_Const.ini" missing
    EXPECT_EQ(localize->ReadAllLocalizeStringFromConst(), paramErr);
    EXPECT_EQ(texts(localize, "00000000").first, "a");
    localize = load(QByteArray(), "00020000=constant\n");
    EXPECT_EQ(localize->ReadAllLocalizeString(), paramErr);
    EXPECT_TRUE(localize->Records().empty());
}

} // namespace
