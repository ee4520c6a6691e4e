#include "platform/save_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>

bool WriteFileAtomic(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

bool WriteWorkingFile(const QString& path, const QByteArray& data, QString* error)
{
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(true);
    if (!file.open()) {
        if (error) *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size() || !file.flush()) {
        if (error) *error = file.errorString();
        return false;
    }
    file.close();
    // POSIX rename replaces the target in one step (QFile::rename refuses an existing target).
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

bool ReadWholeFile(const QString& path, QByteArray& data, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}
