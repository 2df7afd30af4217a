#include "localize/Localize.h"

#include "support/TestSupport.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>

namespace {

using Font = std::pair<short, short>;

template <size_t N>
QByteArray bytes(const char (&literal)[N]) { // NUL bytes included
    return QByteArray(literal, N - 1);
}

const QByteArray kTooLong = "99999999=" + QByteArray(1100, 'x');

class LocalizeTest : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override { CLocalize::DestroyInstance(); }
    // A null text leaves the file out.
    CLocalize* load(const QByteArray& strings, const QByteArray& constants,
                    const QByteArray& fonts = QByteArray()) {
        const std::pair<QString, QByteArray> files[] = {
            {"Localize.ini", strings}, {"L_Const.ini", constants}, {"L_Font.ini", fonts}};
        for (const auto& [name, text] : files) {
            QFile::remove(app.resourcesPath() + "/Settings/" + name);
            if (!text.isNull())
                app.writeSetting(name, text, GetParam());
        }
        CLocalize::DestroyInstance();
        return CLocalize::GetInstance();
    }
    static std::optional<QString> text(CLocalize* localize, const char* id) {
        QString value = "untouched";
        if (!localize->GetLocalizeString(id, value, nullptr, nullptr)) {
            EXPECT_EQ(value, "untouched");
            return std::nullopt;
        }
        return value;
    }
    static std::optional<QByteArray> pascal(CLocalize* localize, const char* id) {
        unsigned char buffer[256];
        std::memset(buffer, 0xAA, sizeof buffer);
        short size = -1;
        if (!localize->GetLocalizeString(id, buffer, &size, nullptr)) {
            EXPECT_TRUE(buffer[0] == 0xAA && size == -1) << "written on failure";
            return std::nullopt;
        }
        return QByteArray(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
    }
    // The font a record got while loading, checked against the public look-up.
    static Font font(CLocalize* localize, const char* id) {
        Font record{-1, -1};
        Font lookup{-1, -1};
        EXPECT_TRUE(localize->GetLocalizeString(id, nullptr, &record.first, &record.second));
        localize->GetLocalizeFontSetting(id, &lookup.first, &lookup.second);
        EXPECT_EQ(record, lookup) << id;
        return record;
    }

    testsupport::FakeApplication app;
};

TEST_P(LocalizeTest, RecordsOfBothFilesAndTheLookupRules) {
    CLocalize* localize = load(bytes("[Main]\n; comment\n00000000=Window title\n"
                                     "0001000=seven\n000100040=nine\n0000=000=equals early\n"
                                     "abc=defgh=x\n\n00010004= Help is missing \n"
                                     "00000002=One\\nTwo\n00000002=duplicate\n"
                                     "00000005=ab\0cd\n0000\0"
                                     "006=nul in key\n00000003=a=b"),
                               "00020000=Version\n00000000=constant title\n");
    std::vector<std::string> ids;
    for (const LocalizeRec& record : localize->Records())
        ids.push_back(record.stringID);
    EXPECT_EQ(ids, (std::vector<std::string>{"00000000", "00010004", "00000002", "00000002",
                                             "00000005", "00000003", "00020000", "00000000"}));
    EXPECT_EQ(text(localize, "00000000"), "Window title"); // "Localize.ini" first
    EXPECT_EQ(text(localize, "00010004"), " Help is missing ");
    EXPECT_EQ(text(localize, "00000002"), "One\rTwo"); // first line wins
    EXPECT_EQ(text(localize, "00000005"), "ab");
    EXPECT_EQ(text(localize, "00000003"), "a=b"); // last line without line end
    EXPECT_EQ(pascal(localize, "00020000"), QByteArray("Version"));
    for (const char* id : {"0001000", "000100040", "0000=000", "abc=defg", "00000001"}) {
        EXPECT_EQ(text(localize, id), std::nullopt) << id;
        EXPECT_EQ(pascal(localize, id), std::nullopt) << id;
    }
    EXPECT_EQ(text(localize, nullptr), std::nullopt);
}

TEST_P(LocalizeTest, TextLengthDecidesBetweenTheTwoForms) {
    const QByteArray long300(300, 'w');
    const QByteArray long255(255, 'v');
    const QByteArray longest(1023 - 9, 'z'); // the longest line a reader takes
    CLocalize* localize = load("00000001=" + long300 + "\n00000002=\n00000003=" + long255 +
                                   "\n00000004=" + longest + "\n",
                               "");
    EXPECT_EQ(text(localize, "00000001"), QString(long300));
    EXPECT_EQ(pascal(localize, "00000001"), std::nullopt);
    EXPECT_EQ(pascal(localize, "00000003"), long255);
    EXPECT_EQ(text(localize, "00000004"), QString(longest));
    EXPECT_EQ(text(localize, "00000002"), std::nullopt);
    EXPECT_EQ(pascal(localize, "00000002"), QByteArray(""));
}

TEST_P(LocalizeTest, FontSettings) {
    CLocalize* localize =
        load("00000000=a\n00000001=a\n00000002=b\n00000003=c\n00000004=d\n00000005=e\n"
             "00000006=f\n00000007=g\n00000008=h\n00000009=i\n00000010=j\n00000011=k\n",
             "00000012=l\n00000013=m\n",
             bytes("[Font]\n0000000=30,1,1,1\n00000000=12,1,0,1\n00000000=99,0,0,0\n"
                   "00000001=0,1,1,1\n00000002=9,2,1,-1\n00000003=12,x,1,1\n00000004=-3,1,1,1\n"
                   "00000005=\\n 16,1,1,1\n00000006 =13,0,0,0\n 00000007=14,0,0,0\n"
                   "00000008=15,0,1,1=junk\n00000009==16,1,0,0\n000000100=17,0,0,0\n"
                   "00000011=18\0,1,1,1\n00000012\0=19,1,1,1\n00000013=  21 ,1,1,1\n"
                   "00999999=10,0,0,0\n"));
    const std::vector<std::pair<const char*, Font>> expected{
        {"00000000", {12, 5}}, // the first entry; a shorter key does not match
        {"00000001", {10, 0}}, // size 0: the default
        {"00000002", {9, 2}},  // flags count only when exactly 1
        {"00000003", {12, 0}}, // reading stops at "x"
        {"00000004", {10, 0}}, {"00000005", {16, 7}}, // escapes converted before reading
        {"00000006", {10, 0}}, {"00000007", {10, 0}}, // no blanks around the key
        {"00000008", {15, 6}}, {"00000009", {10, 0}}, {"00000010", {10, 0}}, {"00000011", {18, 0}},
        {"00000012", {10, 0}}, {"00000013", {10, 0}}, // a blank after "=": not the identifier's
                                                      // line
    };
    for (const auto& [id, setting] : expected)
        EXPECT_EQ(font(localize, id), setting) << id;
    short style = 0;
    localize->GetLocalizeFontSetting("00000000", nullptr, &style);
    EXPECT_EQ(style, 5);
}

TEST_P(LocalizeTest, FontWithoutUsableEntry) {
    CLocalize* localize = load("00000000=a\n00000002=b\n", "", "00999999=0,1,1,1\n");
    EXPECT_EQ(font(localize, "00000000"), Font(0, 0));
    localize = load("00000000=a\n", "00020000=b\n"); // no font file at all
    EXPECT_EQ(text(localize, "00020000"), "b");
    EXPECT_EQ(font(localize, "00000000"), Font(0, 0));
    // Entries after a line that is too long are never reached.
    localize = load("00000000=a\n00000002=b\n", "",
                    "00000000=12,1,0,1\n" + kTooLong + "\n00000002=20,0,0,0\n00999999=10\n");
    EXPECT_EQ(font(localize, "00000000"), Font(12, 5));
    EXPECT_EQ(font(localize, "00000002"), Font(0, 0));
    localize = load("00000002=b\n", "", "00999999=10\n" + kTooLong + "\n00000002=20\n");
    EXPECT_EQ(font(localize, "00000002"), Font(10, 0));
}

TEST_P(LocalizeTest, WhatEndsTheLoading) {
    CLocalize* localize =
        load("00000000=kept\n" + kTooLong + "\n00000002=lost\n", "00020000=never read\n");
    EXPECT_EQ(localize->Records().size(), 1u);
    EXPECT_EQ(text(localize, "00000000"), "kept");
    EXPECT_EQ(localize->ReadAllLocalizeStringFromLocalizeIni(), readErr);

    localize = load("00000000=a\n", QByteArray()); // "L_Const.ini" missing
    EXPECT_EQ(localize->ReadAllLocalizeStringFromConst(), paramErr);
    EXPECT_EQ(text(localize, "00000000"), "a");

    localize = load(QByteArray(), "00020000=constant\n");
    EXPECT_TRUE(localize->Records().empty());
    EXPECT_EQ(localize->ReadAllLocalizeString(), paramErr);
    EXPECT_TRUE(localize->Records().empty());
}

INSTANTIATE_TEST_SUITE_P(LineEnds, LocalizeTest, ::testing::Values("\r", "\r\n"),
                         [](const auto& info) {
                             return std::string(info.param[1] ? "CRLF" : "CR");
                         });

} // namespace
