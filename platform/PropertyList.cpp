#include "PropertyList.h"

#include "FileSystem.h"
#include "PropertyListBounds.h"

#include <QDateTime>
#include <QTimeZone>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <plist/plist.h>
#include <vector>

namespace platform {

namespace {

// libplist recurses once per nesting level and has no limit of its own, so input is
// measured before it is handed over.

bool startsWith(const char* at, const char* end, const char* literal) {
    const std::size_t length = std::strlen(literal);
    return static_cast<std::size_t>(end - at) >= length && std::memcmp(at, literal, length) == 0;
}

const char* skipPast(const char* at, const char* end, const char* terminator) {
    const std::size_t length = std::strlen(terminator);
    for (; at < end; ++at) {
        if (startsWith(at, end, terminator))
            return at + length;
    }
    return end;
}

// Counts <array> and <dict> nesting. Over-counting is harmless: it only rejects.
bool xmlDepthWithinLimit(const QByteArray& data) {
    const char* at = data.constData();
    const char* const end = at + data.size();
    int depth = 0;
    while (at < end) {
        if (*at != '<') {
            ++at;
            continue;
        }
        if (startsWith(at, end, "<!--")) {
            at = skipPast(at + 4, end, "-->");
        } else if (startsWith(at, end, "<![CDATA[")) {
            at = skipPast(at + 9, end, "]]>");
        } else if (startsWith(at, end, "<!") || startsWith(at, end, "<?")) {
            at = skipPast(at + 2, end, ">");
        } else if (startsWith(at, end, "</array") || startsWith(at, end, "</dict")) {
            if (depth > 0)
                --depth;
            at = skipPast(at + 2, end, ">");
        } else if (startsWith(at, end, "<array") || startsWith(at, end, "<dict")) {
            const char* close = skipPast(at + 1, end, ">");
            const bool selfClosing = close - at >= 2 && close[-2] == '/';
            if (!selfClosing && ++depth > kMaxPropertyListDepth)
                return false;
            at = close;
        } else {
            ++at;
        }
    }
    return true;
}

uint64_t readBigEndian(const uint8_t* at, int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | at[i];
    return value;
}

// Walks the object graph of a binary list without recursion. An object reached again at a
// greater depth is walked again, so a reference cycle ends in a rejection. Strings holding
// a NUL character are rejected too.
bool binaryDepthWithinLimit(const QByteArray& data) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
    const uint64_t size = static_cast<uint64_t>(data.size());
    if (size < 8 + 32)
        return false;
    const uint8_t* trailer = bytes + size - 32;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const uint64_t objectCount = readBigEndian(trailer + 8, 8);
    const uint64_t top = readBigEndian(trailer + 16, 8);
    const uint64_t tableOffset = readBigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objectCount == 0 ||
        top >= objectCount || tableOffset >= size - 32 ||
        objectCount > (size - 32 - tableOffset) / static_cast<uint64_t>(offsetSize))
        return false;

    auto objectOffset = [&](uint64_t index) {
        return readBigEndian(bytes + tableOffset + index * static_cast<uint64_t>(offsetSize),
                             offsetSize);
    };
    std::vector<int> deepest(objectCount, -1);
    std::vector<std::pair<uint64_t, int>> pending{{top, 1}};
    while (!pending.empty()) {
        const auto [index, depth] = pending.back();
        pending.pop_back();
        if (depth > kMaxPropertyListDepth)
            return false;
        if (index >= objectCount || deepest[index] >= depth)
            continue;
        deepest[index] = depth;
        const uint64_t offset = objectOffset(index);
        if (offset >= tableOffset)
            return false;
        const uint8_t marker = bytes[offset];
        const int kind = marker >> 4;
        const bool container = kind == 0xA || kind == 0xC || kind == 0xD;
        const bool text = kind == 0x5 || kind == 0x6;
        if (!container && !text)
            continue;
        uint64_t count = marker & 0x0F;
        uint64_t refs = offset + 1;
        if (count == 0x0F) {
            if (refs >= tableOffset || (bytes[refs] >> 4) != 0x1)
                return false;
            const int intSize = 1 << (bytes[refs] & 0x0F);
            if (intSize > 8 || refs + 1 + static_cast<uint64_t>(intSize) > tableOffset)
                return false;
            count = readBigEndian(bytes + refs + 1, intSize);
            refs += 1 + static_cast<uint64_t>(intSize);
        }
        if (text) {
            // libplist aborts on a string that holds a NUL character.
            const uint64_t width = kind == 0x6 ? 2 : 1;
            if (count > size || refs + count * width > tableOffset)
                return false;
            for (uint64_t i = 0; i < count; ++i) {
                const uint8_t* unit = bytes + refs + i * width;
                if (unit[0] == 0 && (width == 1 || unit[1] == 0))
                    return false;
            }
            continue;
        }
        const uint64_t refCount = kind == 0xD ? count * 2 : count;
        if (count > size || refs + refCount * static_cast<uint64_t>(refSize) > tableOffset)
            return false;
        for (uint64_t i = 0; i < refCount; ++i)
            pending.emplace_back(
                readBigEndian(bytes + refs + i * static_cast<uint64_t>(refSize), refSize),
                depth + 1);
    }
    return true;
}

QString takeString(char* text) {
    QString result = text ? QString::fromUtf8(text) : QString();
    std::free(text);
    return result;
}

QVariant toVariant(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        // libplist keeps every integer in 64 bits; negative ones come back two's complement.
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return QVariant(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        return QVariant(takeString(text));
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QByteArray result(bytes, static_cast<qsizetype>(length));
        std::free(bytes);
        return QVariant(result);
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t micros = 0;
        plist_get_date_val(node, &seconds, &micros);
        static const QDateTime epoch(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
        return QVariant(epoch.addMSecs(static_cast<qint64>(seconds) * 1000 + micros / 1000));
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariant(static_cast<qulonglong>(value));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t count = plist_array_get_size(node);
        list.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            list.append(toVariant(plist_array_get_item(node, i)));
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter)
            return QVariant(map);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!key || !value) {
                std::free(key);
                break;
            }
            const QString name = takeString(key);
            // The first of repeated keys counts, as in the reader of the original lists.
            if (!map.contains(name))
                map.insert(name, toVariant(value));
        }
        std::free(iter);
        return QVariant(map);
    }
    default:
        return QVariant();
    }
}

} // namespace

std::optional<QVariant> parsePropertyList(const QByteArray& data) {
    if (data.isEmpty() || data.size() > static_cast<qsizetype>(UINT32_MAX))
        return std::nullopt;
    const bool binary = data.startsWith("bplist00");
    // XML has no NUL character, and libplist aborts on a string that holds one.
    if (!binary && data.contains('\0'))
        return std::nullopt;
    if (binary ? !binaryDepthWithinLimit(data) : !xmlDepthWithinLimit(data))
        return std::nullopt;
    QByteArray bounded;
    if (binary ? !binaryPropertyListWithinBounds(data, &bounded)
               : !xmlPropertyListWithinBounds(data, &bounded))
        return std::nullopt;
    const QByteArray& input = bounded.isNull() ? data : bounded;
    plist_t root = nullptr;
    const auto length = static_cast<uint32_t>(input.size());
    if (binary)
        plist_from_bin(input.constData(), length, &root);
    else
        plist_from_xml(input.constData(), length, &root);
    if (!root)
        return std::nullopt;
    QVariant value = toVariant(root);
    plist_free(root);
    return value;
}

std::optional<QVariant> readPropertyList(const QString& path) {
    const auto data = readRegularFile(path, kMaxPropertyListFileSize);
    if (!data)
        return std::nullopt;
    return parsePropertyList(*data);
}

std::optional<QVariantMap> readPropertyListDictionary(const QString& path) {
    const auto value = readPropertyList(path);
    if (!value || value->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value->toMap();
}

std::optional<QVariantMap> parsePropertyListDictionary(const QByteArray& data) {
    const auto value = parsePropertyList(data);
    if (!value || value->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value->toMap();
}

std::optional<QVariantMap> readPropertyListDictionary(const QString& path, QByteArray* bytes) {
    auto data = readRegularFile(path, kMaxPropertyListFileSize);
    if (!data)
        return std::nullopt;
    auto dictionary = parsePropertyListDictionary(*data);
    if (dictionary && bytes)
        *bytes = std::move(*data);
    return dictionary;
}

} // namespace platform
