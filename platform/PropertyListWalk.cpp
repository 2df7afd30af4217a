#include "platform/PropertyListWalk.h"

#include "platform/FileSystem.h"
#include "platform/PropertyList.h"
#include "platform/PropertyListNode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <plist/plist.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Strings read as parsePropertyList reads them: a key node counts as a string too.
std::optional<QString> stringOf(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QString::fromUtf8(text ? text : "", text ? static_cast<qsizetype>(length) : 0);
    }
    case PLIST_KEY: {
        char* text = nullptr;
        plist_get_key_val(node, &text);
        QString result = QString::fromUtf8(text ? text : "");
        std::free(text);
        return result;
    }
    default:
        return std::nullopt;
    }
}

// A number that a signed 32-bit value holds exactly; integers are libplist's 64 bits read as
// signed, reals only when whole.
std::optional<std::int32_t> int32Of(plist_t node) {
    constexpr auto low = std::numeric_limits<std::int32_t>::min();
    constexpr auto high = std::numeric_limits<std::int32_t>::max();
    switch (plist_get_node_type(node)) {
    case PLIST_UINT: {
        uint64_t raw = 0;
        plist_get_uint_val(node, &raw);
        const auto number = static_cast<std::int64_t>(raw);
        if (number < low || number > high)
            return std::nullopt;
        return static_cast<std::int32_t>(number);
    }
    case PLIST_UID: {
        uint64_t number = 0;
        plist_get_uid_val(node, &number);
        if (number > static_cast<uint64_t>(high))
            return std::nullopt;
        return static_cast<std::int32_t>(number);
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        if (!std::isfinite(number) || number != std::trunc(number) || number < low || number > high)
            return std::nullopt;
        return static_cast<std::int32_t>(number);
    }
    default:
        return std::nullopt;
    }
}

// Calls visit(key, value) for each entry of a dictionary node, in order.
template <typename Visit>
void forEachEntry(plist_t dictionary, Visit visit) {
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dictionary, &iter);
    if (!iter)
        return;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dictionary, iter, &key, &value);
        if (!key || !value) {
            std::free(key);
            break;
        }
        const QString name = QString::fromUtf8(key);
        std::free(key);
        visit(name, value);
    }
    std::free(iter);
}

MachineSetting::Table readModels(plist_t node, QStringList* names) {
    if (plist_get_node_type(node) != PLIST_ARRAY)
        return MachineSetting::Table::WrongType;
    const uint32_t count = plist_array_get_size(node);
    names->reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        auto name = stringOf(plist_array_get_item(node, i));
        if (!name) {
            names->clear();
            return MachineSetting::Table::WrongType;
        }
        names->append(std::move(*name));
    }
    return MachineSetting::Table::Read;
}

// One key of "INITIAL" or "FUNCTION" as found, before the two tables are merged.
struct Found {
    QString model;
    bool inFunctions = false;
    QString initial;
    std::optional<std::int32_t> function;
};

// Appends the entries of a table; Absent, Read or WrongType as the node is.
MachineSetting::Table readTable(plist_t node, bool functions, std::vector<Found>* found) {
    if (!node)
        return MachineSetting::Table::Absent;
    if (plist_get_node_type(node) != PLIST_DICT)
        return MachineSetting::Table::WrongType;
    forEachEntry(node, [&](const QString& name, plist_t value) {
        Found entry{name, functions, {}, {}};
        if (functions)
            entry.function = int32Of(value);
        else if (auto text = stringOf(value))
            entry.initial = std::move(*text);
        found->push_back(std::move(entry));
    });
    return MachineSetting::Table::Read;
}

MachineSetting settingOf(plist_t root) {
    MachineSetting setting;
    setting.worldWideOnly = plist_dict_get_item(root, "IsWorldWideOnly") != nullptr;
    if (plist_t models = plist_dict_get_item(root, "MODEL"))
        setting.models = readModels(models, &setting.modelNames);
    std::vector<Found> found;
    setting.initials = readTable(plist_dict_get_item(root, "INITIAL"), false, &found);
    setting.functions = readTable(plist_dict_get_item(root, "FUNCTION"), true, &found);
    if (setting.initials == MachineSetting::Table::WrongType ||
        setting.functions == MachineSetting::Table::WrongType)
        return setting; // such a bundle is left out: its entries are never asked for

    // One entry per model, sorted for look-up; a repeated key keeps its first value.
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.model < b.model; });
    setting.entries.reserve(static_cast<qsizetype>(found.size()));
    for (std::size_t i = 0; i < found.size();) {
        MachineSetting::Entry entry;
        entry.model = found[i].model;
        bool initialSeen = false;
        bool functionSeen = false;
        for (; i < found.size() && found[i].model == entry.model; ++i) {
            if (found[i].inFunctions && !functionSeen) {
                functionSeen = true;
                entry.hasFunction = found[i].function.has_value();
                entry.function = found[i].function.value_or(0);
            } else if (!found[i].inFunctions && !initialSeen) {
                initialSeen = true;
                entry.initial = found[i].initial;
            }
        }
        setting.entries.append(std::move(entry));
    }
    // The names in the tables are mostly those of "MODEL": they share its text.
    for (const QString& name : std::as_const(setting.modelNames)) {
        const auto it = std::lower_bound(setting.entries.begin(), setting.entries.end(), name,
                                         [](const MachineSetting::Entry& entry,
                                            const QString& key) { return entry.model < key; });
        if (it != setting.entries.end() && it->model == name)
            it->model = name;
    }
    return setting;
}

// The value of `key` in XML of the plainest form that property-list writers give a bundle's
// information list: an optional declaration and document type, then one dictionary of
// <key>/<string> pairs with no entities, comments or other markup. Such a list reads the
// same with libplist (a repeated key keeps its last value); anything else is not answered
// here. Sets *plain to whether the data had that form.
std::optional<QString> plainDictionaryString(const QByteArray& data, const char* key, bool* plain) {
    *plain = false;
    if (data.contains('\0'))
        return std::nullopt;
    const char* at = data.constData();
    const char* const end = at + data.size();
    const auto skipSpace = [&] {
        while (at < end && (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r'))
            ++at;
    };
    const auto take = [&](const char* literal) {
        const std::size_t length = std::strlen(literal);
        if (static_cast<std::size_t>(end - at) < length || std::memcmp(at, literal, length) != 0)
            return false;
        at += length;
        return true;
    };
    // Up to the next markup; text with no entity and nothing at its edges that a reader
    // might trim.
    const auto text = [&](const char** from, const char** to) {
        *from = at;
        while (at < end && *at != '<') {
            if (*at == '&' || *at == '>')
                return false;
            ++at;
        }
        *to = at;
        return *from == *to || (static_cast<unsigned char>(**from) > ' ' &&
                                static_cast<unsigned char>((*to)[-1]) > ' ');
    };
    // "..." holding nothing that could close or open markup.
    const auto quoted = [&] {
        if (!take("\""))
            return false;
        while (at < end && *at != '"' && *at != '<' && *at != '>' && *at != '&')
            ++at;
        return take("\"");
    };
    skipSpace();
    if (take("<?xml") && !take(" version=\"1.0\" encoding=\"UTF-8\"?>") &&
        !take(" version=\"1.0\"?>"))
        return std::nullopt;
    skipSpace();
    if (take("<!") &&
        !(take("DOCTYPE plist PUBLIC ") && quoted() && take(" ") && quoted() && take(">")))
        return std::nullopt;
    skipSpace();
    if (!take("<plist version=\"1.0\">") && !take("<plist>"))
        return std::nullopt;
    skipSpace();
    if (!take("<dict>"))
        return std::nullopt;
    const std::size_t keyLength = std::strlen(key);
    std::uint64_t elements = 2;
    std::optional<QString> found;
    for (;;) {
        skipSpace();
        if (take("</dict>"))
            break;
        const char *keyFrom, *keyTo, *valueFrom, *valueTo;
        if (!take("<key>") || !text(&keyFrom, &keyTo) || !take("</key>"))
            return std::nullopt;
        skipSpace();
        if (!take("<string>") || !text(&valueFrom, &valueTo) || !take("</string>"))
            return std::nullopt;
        elements += 2;
        if (static_cast<std::size_t>(keyTo - keyFrom) == keyLength &&
            std::memcmp(keyFrom, key, keyLength) == 0)
            found = QString::fromUtf8(valueFrom, valueTo - valueFrom);
    }
    skipSpace();
    if (!take("</plist>"))
        return std::nullopt;
    skipSpace();
    if (at != end)
        return std::nullopt;
    *plain = true;
    // Beyond the element limit the list is unreadable, as it is for the full reader.
    if (elements > kMaxPropertyListNodes)
        return std::nullopt;
    return found;
}

} // namespace

const MachineSetting::Entry* MachineSetting::find(const QString& model) const {
    const auto it = std::lower_bound(
        entries.cbegin(), entries.cend(), model,
        [](const Entry& entry, const QString& name) { return entry.model < name; });
    return it != entries.cend() && it->model == model ? &*it : nullptr;
}

std::optional<MachineSetting> parseMachineSetting(const QByteArray& data) {
    const PropertyListNode root = parsePropertyListNode(data);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    return settingOf(root.get());
}

std::optional<MachineSetting> readMachineSetting(const QString& path) {
    const auto data = readRegularFile(path, kMaxPropertyListFileSize);
    if (!data)
        return std::nullopt;
    return parseMachineSetting(*data);
}

std::optional<QString> readPropertyListDictionaryString(const QString& path, const char* key) {
    const auto data = readRegularFile(path, kMaxPropertyListFileSize);
    if (!data)
        return std::nullopt;
    bool plain = false;
    auto value = plainDictionaryString(*data, key, &plain);
    if (plain)
        return value;
    const PropertyListNode root = parsePropertyListNode(*data);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    plist_t node = plist_dict_get_item(root.get(), key);
    return node ? stringOf(node) : std::nullopt;
}

} // namespace platform
