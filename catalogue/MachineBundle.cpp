#include "MachineBundle.h"

#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// A number that a signed 32-bit value holds exactly: integers, and reals only when whole.
std::optional<std::int32_t> int32Of(const QVariant& value) {
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    double number = 0;
    switch (value.typeId()) {
    case QMetaType::LongLong:
        if (value.toLongLong() < low || value.toLongLong() > high)
            return std::nullopt;
        return std::int32_t(value.toLongLong());
    case QMetaType::ULongLong:
        if (value.toULongLong() > std::uint64_t(high))
            return std::nullopt;
        return std::int32_t(value.toULongLong());
    case QMetaType::Double:
        number = value.toDouble();
        if (!std::isfinite(number) || number != std::trunc(number) || number < low || number > high)
            return std::nullopt;
        return std::int32_t(number);
    default:
        return std::nullopt;
    }
}

// The keys as strings made once: a scan looks them up in every bundle.
struct SettingKeys {
    QString model = QLatin1String(kSettingKeyModel);
    QString worldWideOnly = QLatin1String(kSettingKeyWorldWideOnly);
    QString initial = QLatin1String(kSettingKeyInitial);
    QString function = QLatin1String(kSettingKeyFunction);
};

const SettingKeys& settingKeys() {
    static const SettingKeys keys;
    return keys;
}

// The table under `key`, into `table` when it is one.
MachineSetting::Table tableOf(const QVariantMap& dictionary, const QString& key,
                              QVariantMap* table) {
    const auto it = dictionary.constFind(key);
    if (it == dictionary.constEnd())
        return MachineSetting::Table::Absent;
    if (it->typeId() != QMetaType::QVariantMap)
        return MachineSetting::Table::WrongType;
    *table = it->toMap();
    return MachineSetting::Table::Read;
}

// Where the entry of `model` is or would be in entries sorted by model.
template <typename Entries>
auto entryPlace(Entries& entries, const QString& model) {
    return std::lower_bound(
        entries.begin(), entries.end(), model,
        [](const MachineSetting::Entry& entry, const QString& name) { return entry.model < name; });
}

} // namespace

MachineSetting MachineSetting::fromDictionary(const QVariantMap& dictionary) {
    const SettingKeys& keys = settingKeys();
    MachineSetting setting;
    setting.worldWideOnly = dictionary.contains(keys.worldWideOnly);
    if (const auto models = dictionary.constFind(keys.model); models != dictionary.constEnd()) {
        setting.models = Table::WrongType;
        if (models->typeId() == QMetaType::QVariantList) {
            const QVariantList list = models->toList();
            setting.modelNames.reserve(list.size());
            for (const QVariant& name : list) {
                if (name.typeId() != QMetaType::QString) {
                    setting.modelNames.clear();
                    break;
                }
                setting.modelNames.append(name.toString());
            }
            if (setting.modelNames.size() == list.size())
                setting.models = Table::Read;
        }
    }
    QVariantMap initials, functions;
    setting.initials = tableOf(dictionary, keys.initial, &initials);
    setting.functions = tableOf(dictionary, keys.function, &functions);
    if (setting.initials == Table::WrongType || setting.functions == Table::WrongType)
        return setting; // such a bundle is left out: its entries are never asked for

    // Both tables are sorted by model: one merge gives one entry per model, in order.
    // Both tables usually name the same models: kept for every bundle, the list is made to size.
    setting.entries.reserve(std::max(initials.size(), functions.size()));
    auto initial = initials.constBegin();
    auto function = functions.constBegin();
    while (initial != initials.constEnd() || function != functions.constEnd()) {
        const bool takeInitial =
            function == functions.constEnd() ||
            (initial != initials.constEnd() && initial.key() <= function.key());
        const bool takeFunction =
            initial == initials.constEnd() ||
            (function != functions.constEnd() && function.key() <= initial.key());
        Entry entry;
        entry.model = takeInitial ? initial.key() : function.key();
        if (takeInitial && initial->typeId() == QMetaType::QString)
            entry.initial = initial->toString();
        if (takeInitial)
            ++initial;
        if (takeFunction) {
            const auto number = int32Of(*function);
            entry.hasFunction = number.has_value();
            entry.function = number.value_or(0);
            ++function;
        }
        setting.entries.append(std::move(entry));
    }
    // The names in the tables are mostly those of "MODEL": they share its text.
    for (const QString& name : std::as_const(setting.modelNames)) {
        const auto it = entryPlace(setting.entries, name);
        if (it != setting.entries.end() && it->model == name)
            it->model = name;
    }
    return setting;
}

const MachineSetting::Entry* MachineSetting::find(const QString& model) const {
    const auto it = entryPlace(entries, model);
    return it != entries.cend() && it->model == model ? &*it : nullptr;
}

CMachineBundle::CMachineBundle() = default;

CMachineBundle::~CMachineBundle() {
    CleanupClass();
}

OSStatus CMachineBundle::OnInitialize(const QUrl& bundleURL, BundleProblem* problem) {
    BundleProblem found = BundleProblem::NotAFolder;
    const OSStatus status = Open(bundleURL, &found);
    if (problem)
        *problem = m_setting ? BundleProblem::None : found;
    return status;
}

OSStatus CMachineBundle::Open(const QUrl& bundleURL, BundleProblem* problem) {
    if (bundleURL.isEmpty())
        return paramErr;
    // Setting.xml first: a package whose file can be read is a folder, and a scan is spared a
    // system call per package.
    platform::ReadProblem unread = platform::ReadProblem::Missing;
    if (bundleURL.isLocalFile()) {
        if (auto bundle = platform::Bundle::createUnchecked(bundleURL.toLocalFile())) {
            if (const auto dictionary = platform::readPropertyListDictionary(
                    bundle->resourcesPath() + QLatin1Char('/') + QLatin1String(kSettingFileName),
                    nullptr, &unread)) {
                Release();
                m_bundle = std::move(bundle);
                m_setting = MachineSetting::fromDictionary(*dictionary);
                return noErr;
            }
        }
    }
    if (const OSStatus status = Create(bundleURL); status != noErr)
        return status;
    switch (unread) {
    case platform::ReadProblem::NotRegular:
        *problem = BundleProblem::SettingNotRegular;
        break;
    case platform::ReadProblem::TooLarge:
        *problem = BundleProblem::SettingTooLarge;
        break;
    case platform::ReadProblem::Unreadable:
        *problem = BundleProblem::SettingUnreadable;
        break;
    case platform::ReadProblem::Malformed:
        *problem = BundleProblem::SettingMalformed;
        break;
    default:
        *problem = BundleProblem::NoSettingFile;
        break;
    }
    // A package without a resources folder is open but has nothing to say; the folder is
    // only looked at when Setting.xml could not be read, to tell the two apart.
    return QFileInfo(m_bundle->resourcesPath()).isDir() ? paramErr : noErr;
}

OSStatus CMachineBundle::Create(const QUrl& bundleURL) {
    Release();
    if (!bundleURL.isLocalFile())
        return paramErr;
    m_bundle = platform::Bundle::create(bundleURL.toLocalFile());
    return m_bundle ? noErr : paramErr;
}

void CMachineBundle::Release() {
    if (m_bundle && m_bundle->isExecutableLoaded())
        m_bundle->unloadExecutable();
    m_bundle.reset();
}

void CMachineBundle::CleanupClass() {
    m_setting.reset();
    Release();
}

OSStatus CMachineBundle::CreateDictionaryWithURLRef(const QUrl& fileURL, QVariantMap* dictionary) {
    if (!dictionary || !fileURL.isLocalFile())
        return paramErr;
    auto read = platform::readPropertyListDictionary(fileURL.toLocalFile());
    if (!read)
        return paramErr;
    *dictionary = std::move(*read);
    return noErr;
}

const MachineSetting* CMachineBundle::GetSettingDictionary() const {
    return m_setting ? &*m_setting : nullptr;
}

OSStatus CMachineBundle::GetValue(const QString& key, QVariant* value) const {
    using Table = MachineSetting::Table;
    if (key.isNull() || !m_setting)
        return paramErr;
    const MachineSetting& setting = *m_setting;
    QVariant found;
    if (key == QLatin1String(kSettingKeyModel)) {
        if (setting.models == Table::Absent)
            return paramErr;
        if (setting.models == Table::Read)
            found = QVariant(setting.modelNames);
    } else if (key == QLatin1String(kSettingKeyInitial) ||
               key == QLatin1String(kSettingKeyFunction)) {
        const bool initials = key == QLatin1String(kSettingKeyInitial);
        const Table table = initials ? setting.initials : setting.functions;
        if (table == Table::Absent)
            return paramErr;
        if (table == Table::Read) {
            QVariantMap map;
            for (const auto& entry : setting.entries) {
                if (initials && !entry.initial.isNull())
                    map.insert(entry.model, entry.initial);
                else if (!initials && entry.hasFunction)
                    map.insert(entry.model, entry.function);
            }
            found = QVariant(map);
        }
    } else if (key != QLatin1String(kSettingKeyWorldWideOnly) || !setting.worldWideOnly) {
        return paramErr;
    }
    if (value)
        *value = std::move(found);
    return noErr;
}

OSStatus CMachineBundle::GetSupportPrinter(QStringList* models, BundleProblem* problem) const {
    using Table = MachineSetting::Table;
    const auto refuse = [problem](BundleProblem why) {
        if (problem)
            *problem = why;
        return paramErr;
    };
    if (!m_setting)
        return refuse(BundleProblem::NoSettingFile);
    // The cheap question first: the language only matters to a bundle that has the key.
    if (m_setting->worldWideOnly && IsJapaneseLanguage())
        return refuse(BundleProblem::WorldWideOnly);
    // Anything but an array of strings is a malformed bundle, not a list of models.
    if (m_setting->models != Table::Read)
        return refuse(m_setting->models == Table::Absent ? BundleProblem::NoModel
                                                         : BundleProblem::ModelNotStrings);
    if (models)
        *models = m_setting->modelNames;
    return noErr;
}

namespace {

struct LanguageMemo {
    int scopes = 0;
    std::optional<bool> japanese;
};

LanguageMemo& languageMemo() {
    static LanguageMemo memo;
    return memo;
}

bool lookUpJapaneseLanguage();

} // namespace

CMachineBundle::LanguageScope::LanguageScope() {
    ++languageMemo().scopes;
}

CMachineBundle::LanguageScope::~LanguageScope() {
    if (--languageMemo().scopes == 0)
        languageMemo().japanese.reset();
}

bool CMachineBundle::IsJapaneseLanguage() {
    LanguageMemo& memo = languageMemo();
    if (memo.scopes == 0)
        return lookUpJapaneseLanguage();
    if (!memo.japanese)
        memo.japanese = lookUpJapaneseLanguage();
    return *memo.japanese;
}

namespace {

bool lookUpJapaneseLanguage() {
    const auto mainBundle = platform::Bundle::mainBundle();
    if (!mainBundle)
        return false;
    const QString path = mainBundle->resourcePath(QStringLiteral("InfoPlist.strings"));
    if (path.isEmpty())
        return false;
    // The folder the file was taken from, not any folder above the package that happens to
    // carry the name.
    return QFileInfo(path).dir().dirName() == QLatin1String("Japanese.lproj");
}

} // namespace
