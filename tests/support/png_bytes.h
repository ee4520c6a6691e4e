#pragma once
// PNG streams as another program writes them (Qt's own writer), for tests that feed the readers
// with images our encoder did not make.
#include <QBuffer>
#include <QByteArray>
#include <QImage>

// The image as a PNG stream; quality as QImage::save takes it (-1: Qt's default compression).
inline QByteArray PngBytesOf(const QImage& image, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", quality);
    return bytes;
}
