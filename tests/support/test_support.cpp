#include "support/test_support.h"

#include <QDir>

#include "platform/app_paths.h"

QString TestDataPath(const QString& name) { return QDir(QStringLiteral(TAVRIN_TEST_DATA)).filePath(name); }

ScopedAppDir::ScopedAppDir() { AppPaths::SetBaseDirForTesting(dir_.path()); }

ScopedAppDir::~ScopedAppDir() { AppPaths::SetBaseDirForTesting(QString()); }

Bitmap24 NoiseBitmap(int width, int height, unsigned seed)
{
    Bitmap24 b(width, height);
    unsigned state = seed * 2654435761u + 1u;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = b.Row(y);
        for (int x = 0; x < width * 3; ++x) {
            state = state * 1103515245u + 12345u;
            row[x] = uint8_t(state >> 16);
        }
    }
    return b;
}
