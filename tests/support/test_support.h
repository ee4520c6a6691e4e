#pragma once
// Helpers shared by the tests.
#include <QString>
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
