#pragma once
// For benches that time whole processes: each spawns its own executable again in a mode of its
// own (the first argument says which) and waits for it, so the child pays the same loading of
// libraries as a person's start of the program.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>
#include <QWindow>

extern char** environ;

// The running executable's path; empty when it cannot be read.
inline std::string SelfPath()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    buf[n] = '\0';
    return buf;
}

struct TChildRun {
    bool ok = false; // started and ended with status 0 within a minute
    double ms = 0;   // wall time from the spawn to its end
};

// Runs the executable with these arguments (args[0] included) and waits for it. The wait blocks,
// so it adds nothing to the time measured; a watchdog kills a child that has not ended after a
// minute (one waiting for an answer nobody gives), and the run fails.
inline TChildRun RunChild(const std::string& exe, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    TChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return run;
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    bool killed = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!ended.wait_for(lock, std::chrono::seconds(60), [&] { return finished; })) {
            kill(pid, SIGKILL);
            killed = true;
        }
    });
    int status = 0;
    const pid_t done = waitpid(pid, &status, 0);
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    ended.notify_one();
    watchdog.join();
    run.ok = !killed && done == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// Waits until the window is on screen and has painted once.
inline void WaitShown(QWidget& window)
{
    while (!window.windowHandle() || !window.windowHandle()->isExposed()) QCoreApplication::processEvents();
    window.repaint();
    QCoreApplication::processEvents();
}

// Puts the program's read-only assets ("cartoon3.set", "frames") into the folder a child uses as
// its own, as a build places them next to the program: without "cartoon3.set" the editor says so
// in a message box at start, which would wait forever. False, with a message, when one is missing.
inline bool CopyAssets(const QString& into)
{
    const QString source = QStringLiteral(TAVRIN_SOURCE_DIR "/assets");
    QStringList files = {QStringLiteral("cartoon3.set")};
    const QDir frames(QDir(source).filePath(QStringLiteral("frames")));
    if (!QFileInfo::exists(QDir(source).filePath(files[0])) || !frames.exists()) {
        std::fprintf(stderr, "bench: %s lacks cartoon3.set or frames; the program cannot start without them\n",
                     qPrintable(source));
        return false;
    }
    QDir(into).mkpath(QStringLiteral("frames"));
    for (const QString& frame : frames.entryList(QDir::Files)) files << QStringLiteral("frames/") + frame;
    for (const QString& file : files) {
        const QString target = QDir(into).filePath(file);
        if (QFile::exists(target) || QFile::copy(QDir(source).filePath(file), target)) continue;
        std::fprintf(stderr, "bench: cannot copy %s into %s\n", qPrintable(file), qPrintable(into));
        return false;
    }
    return true;
}

// The parent's start: its own path for spawning children, and a working folder with the assets.
inline bool PrepareParent(const QTemporaryDir& work, std::string& self)
{
    if (!work.isValid()) return false;
    self = SelfPath();
    return !self.empty() && CopyAssets(work.path());
}
