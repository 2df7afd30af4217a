#pragma once

#include <QString>

// Path-string operations with the classic semantics: no file-system access, "/" only.
namespace UPath {

// "/a/b/c" gives "/a/b", "/a" gives "/", "c" gives "".
QString DeletingLastPathComponent(const QString& path);
// Joins with exactly one "/" between the two.
QString AppendingPathComponent(const QString& path, const QString& component);
// "name" + "." + extension.
QString AppendingPathExtension(const QString& path, const QString& extension);
// The last component, trailing slashes ignored.
QString LastPathComponent(const QString& path);

} // namespace UPath
