// A private settings folder and sized files for tests that touch the disk.
#pragma once

#include <QFile>
#include <QTemporaryDir>

namespace pelta::test {

// Points the settings store at a fresh, empty folder for the life of the object.
struct TempConfigHome {
    TempConfigHome() { qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); }
    QString path() const { return dir.path(); }
    QTemporaryDir dir;
};

// Creates (or truncates) `path` to `size` bytes, sparse where the filesystem allows.
inline bool WriteFileOfSize(const QString& path, qint64 size = 1) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(size);
}

}  // namespace pelta::test
