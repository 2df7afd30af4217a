// The one property-list reader: values of every kind, and hostile lists that are small on disk
// but huge or deep once expanded, or hold integers that libplist alone would misread.
#include "platform/PropertyList.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

QByteArray xml(const QByteArray& body) {
    return "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">" + body + "</plist>";
}

QByteArray be32(quint32 value) {
    return QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(8, '0'));
}

// A binary list: objects in order, the first on top, references of refSize bytes (ref() for two).
QByteArray binary(const QList<QByteArray>& objects, char refSize = 1) {
    QByteArray out = "bplist00", offsets;
    for (const QByteArray& object : objects)
        offsets += be32(quint32(out.size())), out += object;
    // Offset and reference sizes, then object count, top object and table offset in 8 bytes each.
    return out + offsets + QByteArray(6, '\0') + char(4) + refSize + QByteArray(4, '\0') +
           be32(quint32(objects.size())) + QByteArray(12, '\0') + be32(quint32(out.size()));
}

QByteArray ref(int index) { // two bytes
    return be32(quint32(index)).mid(2);
}

// Arrays 0..depth-1, each referring to the next one `fanOut` times; a short string ends it.
QByteArray chain(int depth, int fanOut) {
    QList<QByteArray> objects;
    for (int i = 0; i < depth; ++i)
        objects.append(char(0xA0 | fanOut) + ref(i + 1).repeated(fanOut));
    return binary(objects << "\x54leaf", 2);
}

} // namespace

TEST(PropertyList, ReadsWhatIsSoundAndRefusesTheRestWithinItsBounds) {
    constexpr qint64 max = std::numeric_limits<qint64>::max(), min = -max - 1;
    const QVariant any; // read, whatever the value
    const std::nullopt_t no = std::nullopt;
    const QByteArray refs = "\xAF\x11" + ref(4100) + ref(1).repeated(4100), open = "<array>";
    const auto big = int(platform::kMaxPropertyListNodes + 1);
    const struct Row {
        const char* name;
        QByteArray data;
        std::optional<QVariant> expected; // std::nullopt: refused
    } rows[] = {
        {"XML of every kind",
         xml("<dict><key>M</key><array><string>A &amp; B</string></array><key>b</key><false/>"
             "<key>r</key><real>1.5</real><key>d</key><data>AAEC</data><key>w</key>"
             "<date>2001-01-01T00:00:10Z</date></dict>"),
         QVariantMap{{"M", QVariantList{"A & B"}},
                     {"b", false},
                     {"r", 1.5},
                     {"d", QByteArray("\0\1\2", 3)},
                     {"w", QDateTime::fromSecsSinceEpoch(978307210)}}},
        {"binary", binary({"\xD1\x01\x02", "\x51n", "\x10\x07"}), QVariantMap{{"n", qint64(7)}}},
        {"garbage", "garbage", no},
        {"unterminated", xml("<dict><key>a</key><string>a"), no},
        {"binary of 0xFF", "bplist00" + QByteArray(40, '\xFF'), no},
        {"100 nested", xml(open.repeated(100) + QByteArray("</array>").repeated(100)), any},
        {"20000 nested", xml(open.repeated(20000) + QByteArray("</array>").repeated(20000)), no},
        {"binary 300 deep", chain(300, 1), no},
        {"binary array in itself", binary({QByteArray("\xA1\x00", 2)}), no},
        {"shared chain of 2^64 nodes", chain(64, 2), no},
        {"unshared chain of 200", chain(200, 1), any},
        {"shared leaves", binary({"\xA2" + ref(1) + ref(1), "\x51x"}, 2), QVariantList{"x", "x"}},
        {"16 KiB string 4100 times", binary({refs, "\x5F\x11\x40\x00" + QByteArray(16384, 'x')}, 2),
         no},
        {"short string 4100 times", binary({refs, "\x51x"}, 2), any},
        {"above the node bound", binary({"\xAF\x12" + be32(big) + ref(1).repeated(big), "\x09"}, 2),
         no},
        // libplist alone reads 2^64-1 as -1 and -(2^64-1) as 1.
        {"2^64-1", xml("<integer>18446744073709551615</integer>"), max},
        {"-(2^64-1)", xml("<integer>-18446744073709551615</integer>"), min},
        {"hex", xml("<integer> 0x10 </integer>"), qint64(16)},
        {"no plain number", xml("<integer>12abc</integer>"), no},
        {"16-byte binary", binary({"\x14" + QByteArray(8, '\0') + QByteArray(8, '\xFF')}), max},
        // Plain lists take a shorter road than libplist's; they must read the same.
        {"repeated key", xml("<dict><key>a</key><false/><!-- --><key>a</key><true/></dict>"),
         QVariantMap{{"a", true}}},
        {"octal", xml("<array><integer>010</integer><integer>-0</integer></array>"),
         QVariantList{qint64(8), qint64(0)}},
        {"256 nested", xml(open.repeated(256) + QByteArray("</array>").repeated(256)), any},
        {"257 nested", xml(open.repeated(257) + QByteArray("</array>").repeated(257)), no},
        {"16-byte binary -1", binary({"\x14" + QByteArray(16, '\xFF')}), qint64(-1)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto value = platform::parsePropertyList(row.data);
        ASSERT_EQ(value.has_value(), row.expected.has_value());
        EXPECT_TRUE(!value || !row.expected->isValid() || *value == *row.expected);
    }
}
