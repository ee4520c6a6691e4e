#include "platform/save_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

// Written on plain POSIX calls rather than QSaveFile: a buffered QSaveFile whose last flush fails
// (a full disk) still renames the empty or cut temporary file over the original and reports
// success, and it ignores a failing fsync. Here every step's result is checked, and the temporary
// file is removed on any failure before the rename, so the target is either the complete new
// content or untouched.
namespace {

QString FailureText(const QString& path, const QString& reason)
{
    return QStringLiteral("The file \"%1\" cannot be saved: %2.").arg(QDir::toNativeSeparators(path), reason);
}

QString FailureText(const QString& path, int err) { return FailureText(path, QString::fromLocal8Bit(std::strerror(err))); }

// The file really written: a symbolic link keeps pointing at its target, which gets the content.
QString ResolvedTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink()) return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

// Creates a new file beside `target` that nobody else can have opened; -1 with errno on failure.
int CreateSibling(const QString& target, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = QFile::encodeName(target) + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        // 0666 under the umask: a new file gets the permissions any new file of this user gets.
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Makes the rename itself durable. Some file systems refuse fsync on a folder; the new content is
// in place by then either way, so this is only tried.
void SyncFolderOf(const QByteArray& file)
{
    QByteArray folder = file;
    const qsizetype slash = folder.lastIndexOf('/');
    folder = slash < 0 ? QByteArray(".") : (slash == 0 ? QByteArray("/") : folder.left(slash));
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool ReplaceFile(const QString& path, const QByteArray& data, bool durable, QString* error)
{
    const QString target = ResolvedTarget(path);
    const QByteArray targetName = QFile::encodeName(target);
    // A file the person made read-only is not replaced behind their back.
    if (::access(targetName.constData(), F_OK) == 0 && ::access(targetName.constData(), W_OK) != 0) {
        if (error) *error = FailureText(path, errno);
        return false;
    }
    // Nor is a pipe, a device or a folder, or a link to one: the rename would put a file in its
    // place (a settings file linked to /dev/null would take the device's place for every program).
    struct stat existing {};
    const bool exists = ::stat(targetName.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        if (error) *error = FailureText(path, QStringLiteral("it is not a regular file"));
        return false;
    }
    QByteArray tempName;
    const int fd = CreateSibling(target, tempName);
    if (fd < 0) {
        if (error) *error = FailureText(path, errno);
        return false;
    }
    const auto fail = [&](int err, bool open) {
        if (open) ::close(fd);
        ::unlink(tempName.constData());
        if (error) *error = FailureText(path, err);
        return false;
    };
    // A replaced file keeps its permission bits.
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) return fail(errno, true);
    if (!WriteAll(fd, data)) return fail(errno, true);
    if (durable && ::fsync(fd) != 0) return fail(errno, true);
    if (::close(fd) != 0) return fail(errno, false);
    if (::rename(tempName.constData(), targetName.constData()) != 0) return fail(errno, false);
    if (durable) SyncFolderOf(targetName);
    return true;
}

} // namespace

bool WriteFileAtomic(const QString& path, const QByteArray& data, QString* error)
{
    return ReplaceFile(path, data, true, error);
}

bool WriteWorkingFile(const QString& path, const QByteArray& data, QString* error)
{
    return ReplaceFile(path, data, false, error);
}

bool OpenRegularFile(const QString& fileName, QFile& file, QString* reason)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (reason) *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
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
