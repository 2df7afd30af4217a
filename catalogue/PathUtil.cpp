#include "PathUtil.h"

namespace UPath {

namespace {
QString withoutTrailingSlashes(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}
} // namespace

QString DeletingLastPathComponent(const QString& path) {
    const QString trimmed = withoutTrailingSlashes(path);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString(QLatin1String(""));
    if (slash == 0)
        return QStringLiteral("/");
    return trimmed.left(slash);
}

QString AppendingPathComponent(const QString& path, const QString& component) {
    if (path.isEmpty())
        return component;
    if (path.endsWith(QLatin1Char('/')))
        return path + component;
    return path + QLatin1Char('/') + component;
}

QString AppendingPathExtension(const QString& path, const QString& extension) {
    return withoutTrailingSlashes(path) + QLatin1Char('.') + extension;
}

QString LastPathComponent(const QString& path) {
    const QString trimmed = withoutTrailingSlashes(path);
    if (trimmed == QLatin1String("/"))
        return trimmed;
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace UPath
