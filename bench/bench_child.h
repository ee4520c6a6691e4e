#pragma once
// For benches that time whole processes: each spawns its own executable again in a mode of its
// own (the first argument says which) and waits for it, so the child pays the same loading of
// libraries as a person's start of the program.
#include <chrono>
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

// Runs the executable with these arguments (args[0] included) and waits for it.
inline TChildRun RunChild(const std::string& exe, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    TChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return run;
    // A child that has not ended after a minute waits for an answer nobody gives: it is killed
    // and the run fails.
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (done != pid) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return run;
    }
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// Waits until the window is on screen and has painted once.
inline void WaitShown(QWidget& window)
{
    while (!window.windowHandle() || !window.windowHandle()->isExposed()) QCoreApplication::processEvents();
    window.repaint();
    QCoreApplication::processEvents();
}

// Puts the program's read-only assets into the folder a child uses as its own: without
// "cartoon3.set" the editor says so in a message box at start, which would wait forever.
inline bool CopyAssets(const QString& dir)
{
    const QString target = QDir(dir).filePath(QStringLiteral("cartoon3.set"));
    return QFile::exists(target) || QFile::copy(QStringLiteral(TAVRIN_SOURCE_DIR "/assets/cartoon3.set"), target);
}

// The parent's start: its own path for spawning children, and a working folder with the assets.
inline bool PrepareParent(const QTemporaryDir& work, std::string& self)
{
    if (!work.isValid()) return false;
    self = SelfPath();
    return !self.empty() && CopyAssets(work.path());
}
