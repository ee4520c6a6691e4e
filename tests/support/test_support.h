#pragma once
// Helpers shared by the tests.
#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/bitmap24.h"

// Path of a committed fixture under tests/data.
QString TestDataPath(const QString& name);

// A fresh folder that the program uses as its executable and settings folder for one test.
class ScopedAppDir {
public:
    ScopedAppDir();
    ~ScopedAppDir();
    QString Path() const { return dir_.path(); }
    QString FilePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

// A bitmap filled with a deterministic pseudo-random pattern.
Bitmap24 NoiseBitmap(int width, int height, unsigned seed);

// Writes a file whole; false when it cannot.
inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Every snapshot file below a folder.
inline QStringList QviFilesUnder(const QString& dir)
{
    QStringList out;
    QDirIterator it(dir, {QStringLiteral("*.qvi")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next();
    return out;
}

