#include "platform/app_paths.h"

#include <limits>
#include <map>
#include <memory>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryFile>

namespace {

QString& TestBase()
{
    static QString base;
    return base;
}

// This run's lock of one of its folders: a file made only if absent, holding the lines Qt's lock
// files hold (process id, program name, host name, machine and boot ids), so that another run
// judges it with QLockFile, and locked natively for as long as the process lives, so that
// nobody removes it meanwhile. Unlike QLockFile it is not forced to disk: a lock outlives only
// its process, and one cut short by a crash of the system counts as stale anyway.
class TRunLock {
public:
    explicit TRunLock(QString path) : path_(std::move(path)) {}
    ~TRunLock() { Release(); }
    TRunLock(const TRunLock&) = delete;
    TRunLock& operator=(const TRunLock&) = delete;

    bool TryLock()
    {
        if (fd_ >= 0) return true;
        const QByteArray name = QFile::encodeName(path_);
        // Locked before its lines are written, so that no other run takes it for stale meanwhile.
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        const QByteArray text = Contents();
        qsizetype written = 0;
        while (written < text.size()) {
            const ssize_t n = ::write(fd, text.constData() + written, size_t(text.size() - written));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            written += n;
        }
        if (written != text.size()) {
            ::close(fd);
            ::unlink(name.constData());
            return false;
        }
        fd_ = fd;
        return true;
    }

    // Removes the lock file, when it is still the one this lock made, and lets go of it.
    void Release()
    {
        if (fd_ < 0) return;
        const QByteArray name = QFile::encodeName(path_);
        struct stat held = {}, named = {};
        if (::fstat(fd_, &held) == 0 && ::stat(name.constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino)
            ::unlink(name.constData());
        ::close(fd_);
        fd_ = -1;
    }

private:
    static QByteArray Contents()
    {
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
        return QByteArray::number(QCoreApplication::applicationPid()) + '\n' + QFileInfo(exe).fileName().toUtf8() +
               '\n' + QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId() + '\n' +
               QSysInfo::bootUniqueId() + '\n';
    }

    QString path_;
    int fd_ = -1;
};

struct WorkFolderState {
    QString path;
    QString lockPath;
    std::unique_ptr<TRunLock> lock;
};

std::map<QString, WorkFolderState>& WorkFolders()
{
    static std::map<QString, WorkFolderState> folders;
    return folders;
}

bool IsWritableDir(const QString& dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) return false;
    QTemporaryFile probe(dir + QStringLiteral("/.tavrin-write-probe-XXXXXX"));
    return probe.open();
}

// Lets go of a run folder's lock; its file may have gone with a deleted folder.
void ReleaseLock(WorkFolderState& state) { state.lock.reset(); }

QString RunTag() { return QStringLiteral("run-%1").arg(QCoreApplication::applicationPid()); }

// A process that has ended but not yet been reaped by its parent: a run killed a moment ago
// lingers so, holding nothing.
bool Ended(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = stat.read(512);
    // "pid (name) state ...": the name may itself hold parentheses.
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.size() > close + 2 && (line[close + 2] == 'Z' || line[close + 2] == 'X');
}

// Whether the run that wrote this lock file still lives, judged by its lines as QLockFile judges
// them: a lock of another machine is held; on this one, a lock written before the last boot is
// stale, and otherwise it is held while its process id names a live process of the same program.
// A lock file that cannot be parsed (cut short by a crash or a full disk) names nobody. Only its
// first few kilobytes are read, whatever its size.
bool OwnerAlive(int fd)
{
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) return false;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    if (lines.size() < 3) return false;
    bool ok = false;
    const qint64 pid = lines[0].toLongLong(&ok);
    if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
    const QString app = QString::fromUtf8(lines[1]);
    const QString host = QString::fromUtf8(lines[2]);
    const QByteArray hostId = lines.value(3);
    const QByteArray bootId = lines.value(4);

    bool sameHost = host.isEmpty() || host == QSysInfo::machineHostName();
    const QByteArray ourHostId = QSysInfo::machineUniqueId();
    if (!hostId.isEmpty() && !ourHostId.isEmpty()) sameHost = hostId == ourHostId;
    if (!sameHost) return true;
    const QByteArray ourBootId = QSysInfo::bootUniqueId();
    if (!bootId.isEmpty() && !ourBootId.isEmpty() && bootId != ourBootId) return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM) return false;
    if (Ended(pid)) return false;
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    return app.isEmpty() || exe.isEmpty() || QFileInfo(exe).fileName() == app;
}

// Removes run folders whose owner is gone. A run still alive keeps its lock file natively locked
// (flock), so a lock that can be taken that way, and whose lines name no live run, is stale:
// its folder and then the lock file go while it is held. A folder without a lock file has no owner.
void SweepStaleRuns(const QString& base)
{
    QDir dir(base);
    const QStringList runs = dir.entryList({QStringLiteral("run-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& run : runs) {
        if (run == RunTag()) continue;
        const QString lockPath = dir.filePath(run + QStringLiteral(".lock"));
        const QByteArray name = QFile::encodeName(lockPath);
        int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) fd = ::open(name.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && !OwnerAlive(fd)) {
            QDir(dir.filePath(run)).removeRecursively();
            ::unlink(name.constData());
        }
        ::close(fd);
    }
}

} // namespace

namespace AppPaths {

QString ExecutableDir()
{
    if (!TestBase().isEmpty()) return TestBase();
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString SettingsDir()
{
    static QString cached;
    if (!TestBase().isEmpty()) return TestBase();
    if (!cached.isEmpty()) return cached;
    const QString exeDir = ExecutableDir();
    if (IsWritableDir(exeDir)) {
        cached = exeDir;
    } else {
        QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share/tavrin");
        QDir().mkpath(data);
        cached = data;
    }
    return cached;
}

QString SettingsFile(const QString& name) { return QDir(SettingsDir()).filePath(name); }

QString AssetPath(const QString& name) { return QDir(ExecutableDir()).filePath(name); }

QString WorkFolder(const QString& name)
{
    auto& folders = WorkFolders();
    const QString base = QDir(SettingsDir()).filePath(name);
    auto it = folders.find(base);
    if (it != folders.end() && QFileInfo(it->second.path).isDir() && QFileInfo::exists(it->second.lockPath))
        return it->second.path;

    // First use, or the folder was deleted while the program ran: make it (again) and hold its
    // lock, so that no other run sweeps it as left behind.
    WorkFolderState state;
    if (it != folders.end()) state = std::move(it->second);
    const bool firstUse = !state.lock;
    state.path = QDir(base).filePath(RunTag());
    state.lockPath = QDir(base).filePath(RunTag() + QStringLiteral(".lock"));
    if (QDir().mkpath(base)) {
        if (!state.lock || !QFileInfo::exists(state.lockPath)) {
            ReleaseLock(state);
            state.lock = std::make_unique<TRunLock>(state.lockPath);
            state.lock->TryLock();
        }
        if (firstUse) SweepStaleRuns(base);
        QDir().mkpath(state.path);
    }
    const QString path = state.path;
    folders[base] = std::move(state);
    return path;
}

void RemoveWorkFolder(const QString& name)
{
    auto& folders = WorkFolders();
    const QString base = QDir(SettingsDir()).filePath(name);
    auto it = folders.find(base);
    if (it == folders.end()) return;
    QDir(it->second.path).removeRecursively();
    ReleaseLock(it->second);
    folders.erase(it);
    QDir().rmdir(base); // only when no other run still uses it
}

void SetBaseDirForTesting(const QString& dir)
{
    TestBase() = dir;
    WorkFolders().clear();
}

QString HomePagePath() { return QDir(ExecutableDir()).filePath(QStringLiteral("homepage.html")); }

} // namespace AppPaths
