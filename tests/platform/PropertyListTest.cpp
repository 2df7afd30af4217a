#include "platform/PropertyList.h"

#include "platform/PropertyListWalk.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <gtest/gtest.h>

using platform::parsePropertyList;

namespace {

QByteArray xml(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>";
}

// A minimal binary list writer: objects in order, one-byte references and offsets.
QByteArray binaryList(const QList<QByteArray>& objects, int top) {
    QByteArray out = "bplist00";
    QList<int> offsets;
    for (const QByteArray& object : objects) {
        offsets.append(static_cast<int>(out.size()));
        out += object;
    }
    const int table = static_cast<int>(out.size());
    const int offsetSize = table > 255 ? 2 : 1;
    for (int offset : offsets) {
        if (offsetSize == 2)
            out += char(offset >> 8);
        out += char(offset & 0xFF);
    }
    QByteArray trailer(32, '\0');
    trailer[6] = char(offsetSize);
    trailer[7] = 1;
    trailer[15] = char(objects.size());
    trailer[23] = char(top);
    trailer[30] = char(table >> 8);
    trailer[31] = char(table & 0xFF);
    return out + trailer;
}

} // namespace

TEST(PropertyList, ReadsXmlValuesOfEveryKind) {
    const auto value = parsePropertyList(xml(
        "<dict><key>MODEL</key><array><string>MX-R74400 Series</string><string>A &amp; B</string>"
        "</array><key>FUNCTION</key><dict><key>m</key><integer>-5</integer></dict>"
        "<key>flag</key><false/><key>ratio</key><real>1.5</real>"
        "<key>blob</key><data>AAEC</data><key>when</key><date>2001-01-01T00:00:10Z</date></dict>"));
    ASSERT_TRUE(value);
    const QVariantMap map = value->toMap();
    EXPECT_EQ(map["MODEL"].toList(), (QVariantList{"MX-R74400 Series", "A & B"}));
    EXPECT_EQ(map["FUNCTION"].toMap()["m"].toLongLong(), -5);
    EXPECT_EQ(map["flag"].typeId(), QMetaType::Bool);
    EXPECT_FALSE(map["flag"].toBool());
    EXPECT_DOUBLE_EQ(map["ratio"].toDouble(), 1.5);
    EXPECT_EQ(map["blob"].toByteArray(), QByteArray("\x00\x01\x02", 3));
    EXPECT_EQ(map["when"].toDateTime().toSecsSinceEpoch(), 978307210);
}

TEST(PropertyList, ReadsBinaryLists) {
    // {"MODEL": ["P1"], "n": 7}
    const QByteArray list = binaryList(
        {"\xD2\x01\x02\x03\x04", "\x55MODEL", "\x51n", "\xA1\x05", "\x10\x07", "\x52P1"}, 0);
    const auto value = parsePropertyList(list);
    ASSERT_TRUE(value);
    const QVariantMap map = value->toMap();
    EXPECT_EQ(map["MODEL"].toList(), QVariantList{"P1"});
    EXPECT_EQ(map["n"].toLongLong(), 7);
}

TEST(PropertyList, RejectsBadInputWithoutCrashing) {
    const QList<QByteArray> bad{
        QByteArray(),
        "garbage",
        xml("<dict><key>a</key><string>unterminated"),
        xml("<dict><key>a</key>").left(30),
        QByteArray("bplist00"),
        QByteArray("bplist00") + QByteArray(40, '\xFF'),
        QByteArray("\x00\x01\x02\x03", 4),
    };
    for (const QByteArray& data : bad)
        EXPECT_FALSE(parsePropertyList(data).has_value()) << data.left(40).toStdString();
}

TEST(PropertyList, RejectsDeepNestingInsteadOfOverflowingTheStack) {
    QByteArray deep;
    for (int i = 0; i < 20000; ++i)
        deep += "<array>";
    for (int i = 0; i < 20000; ++i)
        deep += "</array>";
    EXPECT_FALSE(parsePropertyList(xml(deep)).has_value());

    QByteArray allowed;
    for (int i = 0; i < 100; ++i)
        allowed += "<array>";
    for (int i = 0; i < 100; ++i)
        allowed += "</array>";
    EXPECT_TRUE(parsePropertyList(xml(allowed)).has_value());

    // Binary: 300 arrays each holding the next; then a list whose array holds itself.
    QList<QByteArray> chain;
    for (int i = 0; i < 300; ++i)
        chain.append(i + 1 < 300 ? QByteArray("\xA1") + char(i + 1) : QByteArray("\xA0"));
    EXPECT_FALSE(parsePropertyList(binaryList(chain, 0)).has_value());
    EXPECT_FALSE(parsePropertyList(binaryList({QByteArray("\xA1\x00", 2)}, 0)).has_value());
}

TEST(PropertyList, RejectsBinaryStringsHoldingNulInsteadOfAborting) {
    // {"MODEL": ["A\0B"]} in ASCII, then the same text in UTF-16 as the key.
    EXPECT_FALSE(parsePropertyList(binaryList({"\xD1\x01\x02", "\x55MODEL", "\xA1\x03",
                                               QByteArray("\x53"
                                                          "A\0B",
                                                          4)},
                                              0))
                     .has_value());
    EXPECT_FALSE(
        parsePropertyList(
            binaryList({"\xD1\x01\x02", QByteArray("\x62\x00\x41\x00\x00", 5), "\x51x"}, 0))
            .has_value());
    EXPECT_FALSE(
        parsePropertyList(xml(QByteArray("<array><string>A\0B</string></array>", 35))).has_value());
    const auto fine = parsePropertyList(
        binaryList({"\xD1\x01\x02", QByteArray("\x62\x00\x41\x30\x00", 5), "\x51x"}, 0));
    ASSERT_TRUE(fine);
    EXPECT_EQ(fine->toMap().value(QString::fromUtf16(u"A\u3000")).toString(), "x");
}

TEST(PropertyList, OnlyADictionaryRootCountsAsADictionary) {
    testsupport::TempTree tree;
    EXPECT_FALSE(platform::readPropertyListDictionary(
                     tree.write("a.plist", xml("<array><string>x</string></array>")))
                     .has_value());
    EXPECT_FALSE(platform::readPropertyListDictionary(tree.path("missing.plist")).has_value());
    EXPECT_FALSE(platform::readPropertyListDictionary(tree.mkdir("folder.plist")).has_value());
    const auto dict = platform::readPropertyListDictionary(
        tree.write("d.plist", xml("<dict><key>k</key><string>v</string></dict>")));
    ASSERT_TRUE(dict);
    EXPECT_EQ(dict->value("k").toString(), "v");
}

TEST(PropertyList, OneStringOfAnInformationListReadsAsTheWholeListWouldGiveIt) {
    // Plain lists are answered without libplist, the rest through it: both the same.
    const QByteArray doctype = "<!DOCTYPE plist PUBLIC \"-//X//DTD PLIST 1.0//EN\" "
                               "\"http://example.com/PropertyList-1.0.dtd\">";
    const QByteArray pair = "<key>CFBundleVersion</key><string>2.0</string>";
    struct Row {
        const char* name;
        QByteArray text;
        std::optional<QString> expected;
    };
    const Row rows[] = {
        {"plain", xml("<dict>" + pair + "</dict>"), "2.0"},
        {"with document type",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + doctype +
             "\n<plist version=\"1.0\">\n<dict>\n\t" + pair + "\n</dict>\n</plist>\n",
         "2.0"},
        {"no declaration", "<plist><dict>" + pair + "</dict></plist>", "2.0"},
        {"repeated key keeps the last",
         xml("<dict>" + pair + "<key>CFBundleVersion</key><string>3.0</string></dict>"), "3.0"},
        {"empty string", xml("<dict><key>CFBundleVersion</key><string></string></dict>"), ""},
        {"entity", xml("<dict><key>CFBundleVersion</key><string>a&amp;b</string></dict>"), "a&b"},
        {"comment", xml("<dict><!-- c -->" + pair + "</dict>"), "2.0"},
        {"missing key", xml("<dict><key>CFBundleName</key><string>2.0</string></dict>"),
         std::nullopt},
        {"number", xml("<dict><key>CFBundleVersion</key><integer>2</integer></dict>"),
         std::nullopt},
        {"root array", xml("<array><string>2.0</string></array>"), std::nullopt},
        {"unclosed", xml("<dict>" + pair), std::nullopt},
        {"broken document type",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + doctype.left(40) +
             "<plist version=\"1.0\"><dict>" + pair + "</dict></plist>",
         std::nullopt},
        {"NUL in the document type",
         "<?xml version=\"1.0\"?>" + doctype.left(30) + QByteArray(1, '\0') + doctype.mid(30) +
             "<plist><dict>" + pair + "</dict></plist>",
         std::nullopt},
        {"markup after the list", xml("<dict>" + pair + "</dict>") + "<x/>", "2.0"},
    };
    testsupport::TempTree tree;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = tree.write("Info.plist", row.text);
        const auto value = platform::readPropertyListDictionaryString(path, "CFBundleVersion");
        EXPECT_EQ(value, row.expected);
        if (value) {
            EXPECT_FALSE(value->isNull());
        }
        const auto whole = platform::readPropertyListDictionary(path);
        const QVariant entry = whole ? whole->value("CFBundleVersion") : QVariant();
        EXPECT_EQ(value, entry.typeId() == QMetaType::QString ? std::optional(entry.toString())
                                                              : std::nullopt);
    }
}
