// Hostile property lists that are small on disk but huge once expanded, and integers
// that libplist would misread.
#include "platform/PropertyListBounds.h"

#include "platform/PropertyList.h"

#include <gtest/gtest.h>
#include <limits>

using platform::parsePropertyList;

namespace {

// A binary list with two-byte offsets and references, objects in order.
QByteArray binaryList(const QList<QByteArray>& objects, int top) {
    QByteArray out = "bplist00";
    QList<int> offsets;
    for (const QByteArray& object : objects) {
        offsets.append(int(out.size()));
        out += object;
    }
    const int table = int(out.size());
    for (int offset : offsets)
        out += char(offset >> 8), out += char(offset & 0xFF);
    QByteArray trailer(32, '\0');
    trailer[6] = 2;
    trailer[7] = 2;
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
    return binaryList(objects, 0);
}

QByteArray xml(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>";
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
                                              0))
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
        binaryList({"\xA3" + ref(1) + ref(1) + ref(2), "\x55MODEL", "\x10\x05"}, 0));
    ASSERT_TRUE(shared.has_value());
    EXPECT_EQ(shared->toList(), (QVariantList{"MODEL", "MODEL", qint64(5)}));

    // A 16 KiB string referred to 4,100 times is 64 MiB once copied per reference.
    QByteArray refs;
    for (int i = 0; i < 4100; ++i)
        refs += ref(1);
    const QByteArray big = "\x5F\x11\x40\x00" + QByteArray(16384, 'x');
    const QByteArray manyRefs = "\xAF\x11" + ref(4100) + refs;
    EXPECT_FALSE(parsePropertyList(binaryList({manyRefs, big}, 0)).has_value());
    // The same number of references to a short string stays well inside.
    const auto small = parsePropertyList(binaryList({manyRefs, "\x51x"}, 0));
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
    EXPECT_FALSE(parsePropertyList(binaryList({array, "\x09"}, 0)).has_value());

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
