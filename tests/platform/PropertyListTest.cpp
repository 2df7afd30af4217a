// The one property-list reader: values of every kind, and hostile lists that are small on disk
// but huge or deep once expanded, or hold integers that libplist alone would misread.
#include "platform/PropertyList.h"

#include "platform/PropertyListWalk.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QtEndian>
#include <gtest/gtest.h>
#include <limits>

using platform::parsePropertyList;

namespace {

QByteArray xml(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>";
}

QByteArray bigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// A binary list: objects in order, the first on top, references of refSize bytes (ref() for two).
QByteArray binaryList(const QList<QByteArray>& objects, int refSize = 1) {
    QByteArray out = "bplist00", offsets;
    for (const QByteArray& object : objects) {
        offsets += bigEndian(quint32(out.size()));
        out += object;
    }
    // Offset and reference sizes, then object count, top object and table offset in 8 bytes each.
    return out + offsets + QByteArray(6, '\0') + char(4) + char(refSize) + QByteArray(4, '\0') +
           bigEndian(quint32(objects.size())) + QByteArray(12, '\0') +
           bigEndian(quint32(out.size()));
}

QByteArray ref(int index) {
    return QByteArray(1, char(index >> 8)) + char(index & 0xFF);
}

// Arrays 0..depth-1, each referring to the next one `fanOut` times; a short string ends it.
QByteArray sharedChain(int depth, int fanOut) {
    QList<QByteArray> objects;
    for (int i = 0; i < depth; ++i)
        objects.append(char(0xA0 | fanOut) + ref(i + 1).repeated(fanOut));
    return binaryList(objects << "\x54leaf", 2);
}

QByteArray nested(int depth, const QByteArray& open = "<array>",
                  const QByteArray& close = "</array>") {
    return xml(open.repeated(depth) + close.repeated(depth));
}

QByteArray integer(const QByteArray& text) {
    return xml("<integer>" + text + "</integer>");
}
QByteArray binaryInteger(const QByteArray& bigEndian16) {
    return binaryList({"\x14" + bigEndian16});
}

} // namespace

TEST(PropertyList, ReadsWhatIsSoundAndRefusesTheRestWithinItsBounds) {
    constexpr qint64 max = std::numeric_limits<qint64>::max(),
                     min = std::numeric_limits<qint64>::min();
    const QVariant any;             // read, whatever the value
    QList<QByteArray> chainObjects; // 300 arrays each holding the next
    for (int i = 0; i < 300; ++i)
        chainObjects << (i + 1 < 300 ? "\xA1" + ref(i + 1) : QByteArray("\xA0"));
    const QByteArray manyRefs = "\xAF\x11" + ref(4100) + ref(1).repeated(4100);
    const std::uint64_t tooMany = platform::kMaxPropertyListNodes + 1;
    QByteArray tooManyRefs("\xAF\x12", 2);
    for (int shift = 24; shift >= 0; shift -= 8)
        tooManyRefs += char((tooMany >> shift) & 0xFF);
    struct Row {
        const char* name;
        QByteArray data;
        std::optional<QVariant> expected; // std::nullopt: refused
    } rows[] = {
        {"XML of every kind",
         xml("<dict><key>MODEL</key><array><string>MX-R74400 Series</string><string>A &amp; "
             "B</string>"
             "</array><key>FUNCTION</key><dict><key>m</key><integer>-5</integer></dict><key>flag</"
             "key><false/>"
             "<key>ratio</key><real>1.5</real><key>blob</key><data>AAEC</data><key>when</key>"
             "<date>2001-01-01T00:00:10Z</date></dict>"),
         QVariantMap{{"MODEL", QVariantList{"MX-R74400 Series", "A & B"}},
                     {"FUNCTION", QVariantMap{{"m", qint64(-5)}}},
                     {"flag", false},
                     {"ratio", 1.5},
                     {"blob", QByteArray("\x00\x01\x02", 3)},
                     {"when", QDateTime::fromSecsSinceEpoch(978307210)}}},
        {"binary",
         binaryList(
             {"\xD2\x01\x02\x03\x04", "\x55MODEL", "\x51n", "\xA1\x05", "\x10\x07", "\x52P1"}),
         QVariantMap{{"MODEL", QVariantList{"P1"}}, {"n", qint64(7)}}},
        {"empty", QByteArray(), std::nullopt},
        {"garbage", "garbage", std::nullopt},
        {"unterminated string", xml("<dict><key>a</key><string>unterminated"), std::nullopt},
        {"cut short", xml("<dict><key>a</key>").left(30), std::nullopt},
        {"binary header alone", "bplist00", std::nullopt},
        {"binary of 0xFF", "bplist00" + QByteArray(40, '\xFF'), std::nullopt},
        {"100 nested arrays", nested(100), any},
        {"20000 nested arrays", nested(20000), std::nullopt},
        {"binary chain of 300", binaryList(chainObjects, 2), std::nullopt},
        {"binary array holding itself", binaryList({QByteArray("\xA1\x00", 2)}), std::nullopt},
        {"NUL in an ASCII string",
         binaryList({"\xA1\x01", QByteArray("\x53"
                                            "A\0B",
                                            4)}),
         std::nullopt},
        {"NUL in a UTF-16 key",
         binaryList({"\xD1\x01\x02", QByteArray("\x62\x00\x41\x00\x00", 5), "\x51x"}),
         std::nullopt},
        {"NUL in an XML string", xml(QByteArray("<array><string>A\0B</string></array>", 35)),
         std::nullopt},
        {"UTF-16 key", binaryList({"\xD1\x01\x02", QByteArray("\x62\x00\x41\x30\x00", 5), "\x51x"}),
         QVariantMap{{QString::fromUtf16(u"A\u3000"), "x"}}},
        {"shared chain 2x2", sharedChain(2, 2), std::nullopt},
        {"shared chain 64x2 (2^64 nodes)", sharedChain(64, 2), std::nullopt},
        {"shared chain 1000x15", sharedChain(1000, 15), std::nullopt},
        {"unshared chain of 200", sharedChain(200, 1), any},
        {"container referred to twice",
         binaryList({"\xD2" + ref(1) + ref(2) + ref(3) + ref(3),
                     "\x51"
                     "a",
                     "\x51"
                     "b",
                     "\xA0"},
                    2),
         std::nullopt},
        {"shared leaves",
         binaryList({"\xA3" + ref(1) + ref(1) + ref(2), "\x55MODEL", "\x10\x05"}, 2),
         QVariantList{"MODEL", "MODEL", qint64(5)}},
        {"16 KiB string referred to 4100 times",
         binaryList({manyRefs, "\x5F\x11\x40\x00" + QByteArray(16384, 'x')}, 2), std::nullopt},
        {"short string referred to 4100 times", binaryList({manyRefs, "\x51x"}, 2), any},
        {"binary array above the node bound",
         binaryList({tooManyRefs + ref(1).repeated(qsizetype(tooMany)), "\x09"}, 2), std::nullopt},
        {"XML array at the node bound",
         xml("<array>" +
             QByteArray("<true/>").repeated(qsizetype(platform::kMaxPropertyListNodes)) +
             "</array>"),
         std::nullopt},
        {"1000 Booleans", xml("<array>" + QByteArray("<true/>").repeated(1000) + "</array>"), any},
        // libplist alone reads the first two as -1 and the negative ones as small positives.
        {"2^64-1", integer("18446744073709551615"), max},
        {"10^23", integer("99999999999999999999999"), max},
        {"2^63", integer("9223372036854775808"), max},
        {"hex 2^64-1", integer("0xFFFFFFFFFFFFFFFF"), max},
        {"-(2^64-1)", integer("-18446744073709551615"), min},
        {"-2^63-1", integer("-9223372036854775809"), min},
        {"2^63-1", integer("9223372036854775807"), max},
        {"-2^63", integer("-9223372036854775808"), min},
        {"spaces", integer(" -5 "), qint64(-5)},
        {"plus", integer("+127"), qint64(127)},
        {"hex", integer("0x10"), qint64(16)},
        {"2^32", integer("4294967296"), qint64(4294967296)},
        {"two minus signs", integer("--99999999999999999999"), std::nullopt},
        {"trailing letters", integer("12abc"), std::nullopt},
        {"character reference", integer("&#49;8446744073709551615"), std::nullopt},
        {"octal-looking", integer("09"), std::nullopt},
        {"comment inside", integer("1<!-- -->8"), std::nullopt},
        // Binary 16-byte integers: the sign extension of the low half fits, anything else
        // saturates.
        {"binary 7", binaryInteger(QByteArray(15, '\0') + '\x07'), qint64(7)},
        {"binary -1", binaryInteger(QByteArray(16, '\xFF')), qint64(-1)},
        {"binary 2^64-1", binaryInteger(QByteArray(8, '\0') + QByteArray(8, '\xFF')), max},
        {"binary high and low",
         binaryInteger(QByteArray(7, '\0') + '\x01' + QByteArray(7, '\0') + '\x01'), max},
        {"binary -2^64", binaryInteger(QByteArray(8, '\xFF') + QByteArray(8, '\0')), min},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto value = parsePropertyList(row.data);
        ASSERT_EQ(value.has_value(), row.expected.has_value());
        if (value && row.expected->isValid()) {
            EXPECT_EQ(*value, *row.expected);
        }
    }
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
    } rows[] = {
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
        EXPECT_FALSE(value && value->isNull());
        const auto whole = platform::readPropertyListDictionary(path);
        const QVariant entry = whole ? whole->value("CFBundleVersion") : QVariant();
        EXPECT_EQ(value, entry.typeId() == QMetaType::QString ? std::optional(entry.toString())
                                                              : std::nullopt);
    }
}

TEST(PropertyList, AFunctionMaskIsANumberThatThirtyTwoBitsHoldExactly) {
    const struct Row {
        const char* value;
        std::optional<int> mask;
    } rows[] = {{"<integer>127</integer>", 127},
                {"<integer>-5</integer>", -5},
                {"<real>3.0</real>", 3},
                {"<real>3.5</real>", std::nullopt},
                {"<integer>2147483648</integer>", std::nullopt},
                {"<integer>18446744073709551615</integer>", std::nullopt},
                {"<string>3</string>", std::nullopt}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        const auto setting =
            platform::parseMachineSetting(xml("<dict><key>FUNCTION</key><dict><key>m</key>" +
                                              QByteArray(row.value) + "</dict></dict>"));
        ASSERT_TRUE(setting && setting->find("m"));
        EXPECT_EQ(setting->find("m")->hasFunction ? std::optional(setting->find("m")->function)
                                                  : std::nullopt,
                  row.mask);
    }
}
