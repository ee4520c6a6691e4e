#include "platform/app_paths.h"

#include <map>
#include <memory>

#include <QCoreApplication>
#include <QDir>
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

QString RunTag() { return QStringLiteral("run-%1").arg(QCoreApplication::applicationPid()); }

// Removes run folders whose owner is gone (its lock can be taken).
void SweepStaleRuns(const QString& base)
{
    QDir dir(base);
    const QStringList runs = dir.entryList({QStringLiteral("run-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& run : runs) {
        if (run == RunTag()) continue;
        QLockFile lock(dir.filePath(run + QStringLiteral(".lock")));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0)) continue;
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
    if (it != folders.end() && QFileInfo(it->second.path).isDir()) return it->second.path;

    QDir().mkpath(base);
    WorkFolderState state;
    if (it != folders.end()) state.lock = std::move(it->second.lock);
    if (!state.lock) {
        state.lock = std::make_unique<QLockFile>(QDir(base).filePath(RunTag() + QStringLiteral(".lock")));
        state.lock->setStaleLockTime(0);
        state.lock->tryLock(0);
        SweepStaleRuns(base);
    }
    state.path = QDir(base).filePath(RunTag());
    QDir().mkpath(state.path);
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
    if (it->second.lock) it->second.lock->unlock();
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
