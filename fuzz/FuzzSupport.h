#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

// A scratch folder of this fuzzing process, made once.
inline QString fuzzScratch() {
    static const QString path = [] {
        const QString dir = QDir::tempPath() + QStringLiteral("/trellis-fuzz-%1").arg(getpid());
        QDir().mkpath(dir);
        return dir;
    }();
    return path;
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// Splits the input at the first `separator` byte: (before, after).
inline std::pair<QByteArray, QByteArray> splitInput(const uint8_t* data, size_t size,
                                                    char separator) {
    const QByteArray all(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype at = all.indexOf(separator);
    if (at < 0)
        return {QByteArray(), all};
    return {all.left(at), all.mid(at + 1)};
}

// Some Qt calls want an application object.
inline void ensureCoreApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}
