#include "platform/app_paths.h"

#include <map>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

QString& TestBase()
{
    static QString base;
    return base;
}

struct WorkFolderState {
    QString path;
    QString lockPath;
    std::unique_ptr<QLockFile> lock;
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

// Lets go of a run folder's lock. QLockFile expects to find its file when it lets go, and the
// file may have gone with a deleted folder.
void ReleaseLock(WorkFolderState& state)
{
    if (!state.lock) return;
    if (!QFileInfo::exists(state.lockPath)) QFile(state.lockPath).open(QIODevice::WriteOnly);
    state.lock->unlock();
    state.lock.reset();
}

QString RunTag() { return QStringLiteral("run-%1").arg(QCoreApplication::applicationPid()); }

// Takes the lock of a run folder whose owner is gone. A lock file that cannot be parsed (cut
// short by a crash or a full disk) counts as stale too; a run still alive keeps its lock file
// natively locked, and such a file is never removed.
bool TakeStaleLock(QLockFile& lock)
{
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) return true;
    if (lock.error() != QLockFile::LockFailedError) return false;
    qint64 pid = 0;
    QString host, app;
    if (lock.getLockInfo(&pid, &host, &app)) return false;
    return lock.removeStaleLockFile() && lock.tryLock(0);
}

// Removes run folders whose owner is gone (its lock can be taken).
void SweepStaleRuns(const QString& base)
{
    QDir dir(base);
    const QStringList runs = dir.entryList({QStringLiteral("run-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& run : runs) {
        if (run == RunTag()) continue;
        QLockFile lock(dir.filePath(run + QStringLiteral(".lock")));
        if (!TakeStaleLock(lock)) continue;
        QDir(dir.filePath(run)).removeRecursively();
        lock.unlock();
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
            state.lock = std::make_unique<QLockFile>(state.lockPath);
            state.lock->setStaleLockTime(0);
            state.lock->tryLock(0);
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
