#pragma once
// Real full disks for the tests of saving: a file-size limit (any user) and a small tmpfs filled
// to its last byte (root only).
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>

// Lets this process write no file past `bytes` (the soft limit; the hard one stays, so it can be
// lifted again without privileges) until it goes. Writes past it fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes = 1024)
    {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ok_ = ::getrlimit(RLIMIT_FSIZE, &old_) == 0;
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (ok_) ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Ok() const { return ok_; }

private:
    rlimit old_{};
    bool ok_ = false;
    void (*oldHandler_)(int) = nullptr;
};

// A tmpfs of `options` (e.g. "size=64k") mounted on `dir` for the life of the object: root only,
// in a mount namespace of this thread's own where that is allowed, so nobody else sees it.
class SmallTmpfs {
public:
    SmallTmpfs(const QString& dir, const char* options) : dir_(QFile::encodeName(dir))
    {
        if (::geteuid() != 0) {
            why_ = "mounting a tmpfs needs root";
            return;
        }
        if (::unshare(CLONE_NEWNS) == 0) ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
        mounted_ = ::mount("tmpfs", dir_.constData(), "tmpfs", 0, options) == 0;
        if (!mounted_) why_ = std::string("mount: ") + std::strerror(errno);
    }
    ~SmallTmpfs()
    {
        if (mounted_) ::umount2(dir_.constData(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;
    bool Mounted() const { return mounted_; }
    const std::string& Why() const { return why_; }
    // Takes every byte still free; true when one more byte is refused for lack of room.
    bool Fill() const
    {
        const int fd = ::open((dir_ + "/filler").constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        const QByteArray chunk(4096, 'x');
        while (::write(fd, chunk.constData(), size_t(chunk.size())) > 0) {
        }
        // The last page may still take a few bytes.
        for (int i = 0; i < 4096 && ::write(fd, "x", 1) == 1; ++i) {
        }
        const bool full = ::write(fd, "x", 1) < 0 && errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QByteArray dir_;
    bool mounted_ = false;
    std::string why_;
};
