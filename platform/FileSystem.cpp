#include "FileSystem.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace platform {

std::optional<QStringList> listFolder(const QString& path) {
    DIR* dir = opendir(QFile::encodeName(path).constData());
    if (!dir)
        return std::nullopt;
    std::vector<QByteArray> raw;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        raw.emplace_back(entry->d_name);
    }
    closedir(dir);
    return sortFolderEntries(std::move(raw));
}

QStringList sortFolderEntries(std::vector<QByteArray> raw) {
    std::vector<std::pair<QString, QByteArray>> named;
    named.reserve(raw.size());
    for (QByteArray& bytes : raw)
        named.emplace_back(QFile::decodeName(bytes), std::move(bytes));
    std::sort(named.begin(), named.end(), [](const auto& a, const auto& b) {
        const int folded = a.first.compare(b.first, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.second < b.second;
    });
    QStringList names;
    names.reserve(static_cast<qsizetype>(named.size()));
    for (const auto& entry : named)
        names.append(entry.first);
    return names;
}

bool isPathComponent(QStringView name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar(u'\0'));
}

QString executablePath() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return QString();
    return QFile::decodeName(QByteArray(buffer, static_cast<qsizetype>(length)));
}

} // namespace platform
