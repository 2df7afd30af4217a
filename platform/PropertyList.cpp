#include "PropertyList.h"

#include "FileSystem.h"
#include "PropertyListBounds.h"
#include "PropertyListNode.h"

#include <QDateTime>
#include <QTimeZone>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <plist/plist.h>
#include <vector>

namespace platform {

namespace {

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

void PropertyListNodeFree::operator()(void* node) const {
    plist_free(static_cast<plist_t>(node));
}

PropertyListNode parsePropertyListNode(const QByteArray& data) {
    if (data.isEmpty() || data.size() > static_cast<qsizetype>(UINT32_MAX))
        return nullptr;
    const bool binary = data.startsWith("bplist00");
    // XML has no NUL character, and libplist aborts on a string that holds one.
    if (!binary && data.contains('\0'))
        return nullptr;
    QByteArray bounded;
    if (binary ? !binaryPropertyListWithinBounds(data, &bounded)
               : !xmlPropertyListWithinBounds(data, &bounded))
        return nullptr;
    const QByteArray& input = bounded.isNull() ? data : bounded;
    plist_t root = nullptr;
    const auto length = static_cast<uint32_t>(input.size());
    if (binary)
        plist_from_bin(input.constData(), length, &root);
    else
        plist_from_xml(input.constData(), length, &root);
    return PropertyListNode(root);
}

std::optional<QVariant> parsePropertyList(const QByteArray& data) {
    const PropertyListNode root = parsePropertyListNode(data);
    if (!root)
        return std::nullopt;
    return toVariant(root.get());
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
