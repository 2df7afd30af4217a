// Property lists, and hostile ones that are small on disk but huge once expanded or hold
// integers that libplist would misread.
#include "platform/PropertyList.h"

#include "platform/PropertyListWalk.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <limits>

using platform::parsePropertyList;

namespace {

QByteArray xml(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>";
}

// A binary list: objects in order, references of refSize bytes (ref() for two).
QByteArray binaryList(const QList<QByteArray>& objects, int top, int refSize = 1) {
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
    trailer[7] = char(refSize);
    trailer[14] = char(objects.size() >> 8);
    trailer[15] = char(objects.size() & 0xFF);
    trailer[22] = char(top >> 8);
    trailer[23] = char(top & 0xFF);
    trailer[30] = char(table >> 8);
    trailer[31] = char(table & 0xFF);
    return out + trailer;
}

QByteArray ref(int index) {
    return QByteArray(1, char(index >> 8)) + char(index & 0xFF);
}

// Arrays 0..depth-1, each referring to the next one `fanOut` times; a short string ends it.
QByteArray sharedChain(int depth, int fanOut) {
    QList<QByteArray> objects;
    for (int i = 0; i < depth; ++i)
        objects.append(char(0xA0 | fanOut) + ref(i + 1).repeated(fanOut));
    objects.append("\x54leaf");
    return binaryList(objects, 0, 2);
}

qint64 xmlInteger(const QByteArray& text) {
    const auto value = parsePropertyList(xml("<integer>" + text + "</integer>"));
    EXPECT_TRUE(value.has_value()) << text.toStdString();
    return value ? value->toLongLong() : 0;
}

qint64 binaryInteger(const QByteArray& bigEndian16) {
    const auto value = parsePropertyList(binaryList({"\x14" + bigEndian16}, 0));
    EXPECT_TRUE(value.has_value());
    return value ? value->toLongLong() : 0;
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
        chain.append(i + 1 < 300 ? QByteArray("\xA1") + ref(i + 1) : QByteArray("\xA0"));
    EXPECT_FALSE(parsePropertyList(binaryList(chain, 0, 2)).has_value());
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

TEST(PropertyListBounds, SharedContainerChainsAreRefusedWithoutExpanding) {
    // 2^64 nodes once expanded, a few hundred bytes on disk.
    for (int depth : {2, 30, 64, 1000}) {
        for (int fanOut : {2, 3, 15}) {
            const QByteArray list = sharedChain(depth, fanOut);
            EXPECT_FALSE(parsePropertyList(list).has_value()) << depth << "x" << fanOut;
        }
    }
    // A container referred to twice from one dictionary, and a chain with one reference
    // each (nothing shared) side by side.
    EXPECT_FALSE(parsePropertyList(binaryList({"\xD2" + ref(1) + ref(2) + ref(3) + ref(3),
                                               "\x51"
                                               "a",
                                               "\x51"
                                               "b",
                                               "\xA0"},
                                              0, 2))
                     .has_value());
    const auto single = parsePropertyList(sharedChain(200, 1));
    ASSERT_TRUE(single.has_value());
    QVariant inner = *single;
    for (int i = 0; i < 200; ++i)
        inner = inner.toList().value(0);
    EXPECT_EQ(inner.toString(), "leaf");
}

TEST(PropertyListBounds, SharedLeavesAreReadButCountTowardsTheBounds) {
    // Writers share equal strings and numbers; that is fine.
    const auto shared = parsePropertyList(
        binaryList({"\xA3" + ref(1) + ref(1) + ref(2), "\x55MODEL", "\x10\x05"}, 0, 2));
    ASSERT_TRUE(shared.has_value());
    EXPECT_EQ(shared->toList(), (QVariantList{"MODEL", "MODEL", qint64(5)}));

    // A 16 KiB string referred to 4,100 times is 64 MiB once copied per reference.
    QByteArray refs;
    for (int i = 0; i < 4100; ++i)
        refs += ref(1);
    const QByteArray big = "\x5F\x11\x40\x00" + QByteArray(16384, 'x');
    const QByteArray manyRefs = "\xAF\x11" + ref(4100) + refs;
    EXPECT_FALSE(parsePropertyList(binaryList({manyRefs, big}, 0, 2)).has_value());
    // The same number of references to a short string stays well inside.
    const auto small = parsePropertyList(binaryList({manyRefs, "\x51x"}, 0, 2));
    ASSERT_TRUE(small.has_value());
    EXPECT_EQ(small->toList().size(), 4100);
}

TEST(PropertyListBounds, NodeCountIsBounded) {
    // One array with more references than the node bound.
    const std::uint64_t count = platform::kMaxPropertyListNodes + 1;
    QByteArray array("\xAF\x12", 2);
    for (int shift = 24; shift >= 0; shift -= 8)
        array += char((count >> shift) & 0xFF);
    array += ref(1).repeated(qsizetype(count));
    EXPECT_FALSE(parsePropertyList(binaryList({array, "\x09"}, 0, 2)).has_value());

    QByteArray many = "<array>";
    for (std::uint64_t i = 0; i < platform::kMaxPropertyListNodes; ++i)
        many += "<true/>";
    EXPECT_FALSE(parsePropertyList(xml(many + "</array>")).has_value());
    const auto fewer =
        parsePropertyList(xml("<array>" + QByteArray("<true/>").repeated(1000) + "</array>"));
    ASSERT_TRUE(fewer.has_value());
    EXPECT_EQ(fewer->toList().size(), 1000);
}

TEST(PropertyListBounds, IntegersBeyondSixtyFourBitsReadAsTheNearestValue) {
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    // libplist alone reads the first two as -1 and the negative ones as small positives.
    EXPECT_EQ(xmlInteger("18446744073709551615"), max);
    EXPECT_EQ(xmlInteger("99999999999999999999999"), max);
    EXPECT_EQ(xmlInteger("9223372036854775808"), max);
    EXPECT_EQ(xmlInteger("0xFFFFFFFFFFFFFFFF"), max);
    EXPECT_EQ(xmlInteger("-18446744073709551615"), min);
    EXPECT_EQ(xmlInteger("-9223372036854775809"), min);
    // In range: unchanged.
    EXPECT_EQ(xmlInteger("9223372036854775807"), max);
    EXPECT_EQ(xmlInteger("-9223372036854775808"), min);
    EXPECT_EQ(xmlInteger(" -5 "), -5);
    EXPECT_EQ(xmlInteger("+127"), 127);
    EXPECT_EQ(xmlInteger("0x10"), 16);
    EXPECT_EQ(xmlInteger("4294967296"), 4294967296);
    // Text that is no plain number makes the list unreadable.
    for (const QByteArray& text :
         {QByteArray("--99999999999999999999"), QByteArray("12abc"),
          QByteArray("&#49;8446744073709551615"), QByteArray("09"), QByteArray("1<!-- -->8")})
        EXPECT_FALSE(parsePropertyList(xml("<integer>" + text + "</integer>")).has_value())
            << text.toStdString();

    // Binary 16-byte integers: the sign extension of the low half fits, anything else
    // saturates.
    EXPECT_EQ(binaryInteger(QByteArray(15, '\0') + '\x07'), 7);
    EXPECT_EQ(binaryInteger(QByteArray(16, '\xFF')), -1);
    EXPECT_EQ(binaryInteger(QByteArray(8, '\0') + QByteArray(8, '\xFF')), max);
    EXPECT_EQ(binaryInteger(QByteArray(7, '\0') + '\x01' + QByteArray(7, '\0') + '\x01'), max);
    EXPECT_EQ(binaryInteger(QByteArray(8, '\xFF') + QByteArray(8, '\0')), min);
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
