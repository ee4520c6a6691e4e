// Saving onto a disk that takes no more bytes: every file the program writes (icon, library,
// export, settings, working snapshot) must either be replaced whole or stay byte-identical, and the
// failure must be reported with the file and the system's reason. Two real ways to fill a disk:
// a file-size limit (any user) and a small tmpfs filled to its last byte (root only). Both run in a
// child process, so the limit and the mount die with it.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>

#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_library_file.h"
#include "platform/ini_file.h"
#include "platform/save_file.h"
#include "support/format_helpers.h"
#include "support/full_disk.h"
#include "support/test_support.h"

namespace {

// What one save did, as the child saw it.
struct SaveOutcome {
    bool Saved = false;
    bool OldKept = false;  // the old file is byte-identical afterwards
    QStringList Leftovers; // files in the folder other than the target
    QString Error;
};

// Runs `body` in a child process and returns the bytes it wrote to the pipe; `exitCode` gets the
// child's exit status (-1 when it did not exit normally).
QByteArray RunInChild(const std::function<QByteArray()>& body, int& exitCode)
{
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const QByteArray out = body();
        qsizetype done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(fds[1], out.constData() + done, size_t(out.size() - done));
            if (n <= 0) break;
            done += n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

// The writers under test, each in its own folder: `prepare` writes the old file while the disk
// still takes bytes, `save` tries the new, larger content (each well over 1 KB).
struct Writer {
    QString Name;
    QString File;
    std::function<bool(const QString&)> Prepare;
    std::function<bool(const QString&, QString&)> Save;
};

std::vector<Writer> Writers()
{
    std::vector<Writer> w;
    w.push_back({QStringLiteral("icon"), QStringLiteral("a.ico"),
                 [](const QString& path) {
                     TIconImageArray formats;
                     formats.Add(PatternFormat(16, 16, ctColors16, 1));
                     formats.Add(PatternFormat(32, 32, ctTrueColor, 2));
                     return TIconFileAccess().SaveIconFile(path, formats) == 0;
                 },
                 [](const QString& path, QString& error) {
                     TIconImageArray formats;
                     formats.Add(PatternFormat(16, 16, ctColors16, 1));
                     formats.Add(PatternFormat(32, 32, ctTrueColor, 2));
                     formats.Add(PatternFormat(256, 256, ctTrueAlpha, 3));
                     TIconFileAccess access;
                     const bool ok = access.SaveIconFile(path, formats) == 0;
                     error = access.LastError;
                     return ok;
                 }});
    const auto library = [](const QString& path, int side, QString* error) {
        const TIconImageRec image = PatternFormat(side, side, ctTrueAlpha, 4);
        std::vector<TLibraryIcon> icons(1);
        icons[0].Name = QStringLiteral("Folder");
        icons[0].FormatCount = 1;
        TLibrarySlot slot;
        slot.Width = slot.Height = side;
        slot.BitCount = 32;
        slot.Image = &image;
        icons[0].Slots.push_back(slot);
        TIconLibraryWriter writer;
        const bool ok = writer.WriteLibraryFile(path, icons) == 0;
        if (error) *error = writer.LastError;
        return ok;
    };
    w.push_back({QStringLiteral("library"), QStringLiteral("a.icl"),
                 [library](const QString& path) { return library(path, 16, nullptr); },
                 [library](const QString& path, QString& error) { return library(path, 48, &error); }});
    const auto exportBmp = [](const QString& path, int side, QString* error) {
        TIconFileAccess access;
        const bool ok = access.ExportImage(path, PatternFormat(side, side, ctTrueColor, 5)) == 0;
        if (error) *error = access.LastError;
        return ok;
    };
    w.push_back({QStringLiteral("export"), QStringLiteral("a.bmp"),
                 [exportBmp](const QString& path) { return exportBmp(path, 8, nullptr); },
                 [exportBmp](const QString& path, QString& error) { return exportBmp(path, 64, &error); }});
    const auto settings = [](const QString& path, int keys, QString* error) {
        IniFile ini(path);
        for (int k = 0; k < keys; ++k) ini.WriteString(QStringLiteral("Reopen"), QString::number(k), QStringLiteral("/home/me/icons/some-icon-%1.ico").arg(k));
        return ini.UpdateFile(error);
    };
    w.push_back({QStringLiteral("settings"), QStringLiteral("tavrin.cfg"),
                 [settings](const QString& path) { return settings(path, 3, nullptr); },
                 [settings](const QString& path, QString& error) { return settings(path, 100, &error); }});
    const auto snapshot = [](const QString& path, int side, QString* error) {
        TIconFileAccess access;
        const bool ok = access.SaveSnapshot(PatternFormat(side, side, ctTrueAlpha, 6), path) == 0;
        if (error) *error = access.LastError;
        return ok;
    };
    w.push_back({QStringLiteral("snapshot"), QStringLiteral("~0-0.qvi"),
                 [snapshot](const QString& path) { return snapshot(path, 4, nullptr); },
                 [snapshot](const QString& path, QString& error) { return snapshot(path, 64, &error); }});
    return w;
}

QByteArray Field(const QString& s) { return s.toUtf8().toBase64(); }
QString Unfield(const QByteArray& b) { return QString::fromUtf8(QByteArray::fromBase64(b)); }

// In the child: prepares every writer's old file under `root`, lets `fill` take the disk's room,
// tries every save and reports one line per writer. A first line "skip <why>" when `fill` fails.
QByteArray SaveEverythingAfter(const QString& root, const std::function<QString()>& fill)
{
    const std::vector<Writer> writers = Writers();
    std::map<QString, QByteArray> old;
    for (const Writer& w : writers) {
        QDir(root).mkpath(w.Name);
        const QString path = QDir(root).filePath(w.Name + QLatin1Char('/') + w.File);
        if (!w.Prepare(path)) return "skip cannot prepare " + w.Name.toUtf8();
        ReadWholeFile(path, old[w.Name]);
    }
    const QString why = fill();
    if (!why.isEmpty()) return "skip " + why.toUtf8();
    QByteArray out;
    for (const Writer& w : writers) {
        const QString path = QDir(root).filePath(w.Name + QLatin1Char('/') + w.File);
        QString error;
        const bool saved = w.Save(path, error);
        QByteArray now;
        ReadWholeFile(path, now);
        QStringList leftovers = QDir(root + QLatin1Char('/') + w.Name).entryList(QDir::Files | QDir::Hidden);
        leftovers.removeAll(w.File);
        out += Field(w.Name) + ' ' + (saved ? '1' : '0') + ' ' + (now == old[w.Name] ? '1' : '0') + ' ' +
               Field(leftovers.join(QLatin1Char(','))) + ' ' + Field(error) + '\n';
    }
    return out;
}

std::map<QString, SaveOutcome> ParseOutcomes(const QByteArray& text)
{
    std::map<QString, SaveOutcome> result;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() != 5) continue;
        SaveOutcome o;
        o.Saved = f[1] == "1";
        o.OldKept = f[2] == "1";
        const QString leftovers = Unfield(f[3]);
        if (!leftovers.isEmpty()) o.Leftovers = leftovers.split(QLatin1Char(','));
        o.Error = Unfield(f[4]);
        result[Unfield(f[0])] = o;
    }
    return result;
}

void ExpectEveryWriteRefused(const QString& root, const QByteArray& report, const QString& reason)
{
    const std::map<QString, SaveOutcome> outcomes = ParseOutcomes(report);
    ASSERT_EQ(outcomes.size(), Writers().size()) << report.toStdString();
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.Name.toStdString());
        const SaveOutcome& o = outcomes.at(w.Name);
        EXPECT_FALSE(o.Saved);
        EXPECT_TRUE(o.OldKept);
        EXPECT_TRUE(o.Leftovers.isEmpty()) << o.Leftovers.join(QLatin1Char(',')).toStdString();
        const QString path = QDir::toNativeSeparators(QDir(root).filePath(w.Name + QLatin1Char('/') + w.File));
        EXPECT_EQ(o.Error.toStdString(), QStringLiteral("The file \"%1\" cannot be saved: %2.").arg(path, reason).toStdString());
    }
}

} // namespace

TEST(FullDisk, AFileSizeLimitFailsEverySaveAndKeepsEveryOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int exitCode = -1;
    const QByteArray report = RunInChild(
        [&] {
            return SaveEverythingAfter(dir.path(), [] {
                static FileSizeLimit limit; // lives until the child ends
                return limit.Ok() ? QString() : QStringLiteral("setrlimit");
            });
        },
        exitCode);
    ASSERT_EQ(exitCode, 0);
    ASSERT_FALSE(report.startsWith("skip")) << report.toStdString();
    ExpectEveryWriteRefused(dir.path(), report, QString::fromLocal8Bit(std::strerror(EFBIG)));

    // The same saves without the limit replace every file whole.
    for (const Writer& w : Writers()) {
        QString error;
        EXPECT_TRUE(w.Save(dir.filePath(w.Name + QLatin1Char('/') + w.File), error)) << error.toStdString();
        EXPECT_EQ(QDir(dir.filePath(w.Name)).entryList(QDir::Files | QDir::Hidden), QStringList{w.File});
    }
}

TEST(FullDisk, ATmpfsFilledToItsLastByteFailsEverySaveAndKeepsEveryOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString disk = dir.filePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(disk));
    int exitCode = -1;
    const QByteArray report = RunInChild(
        [&]() -> QByteArray {
            SmallTmpfs tmpfs(disk, "size=64k");
            if (!tmpfs.Mounted()) return "skip " + QByteArray::fromStdString(tmpfs.Why());
            return SaveEverythingAfter(disk, [&] { return tmpfs.Fill() ? QString() : QStringLiteral("the tmpfs did not fill"); });
        },
        exitCode);
    ASSERT_EQ(exitCode, 0);
    if (report.startsWith("skip")) GTEST_SKIP() << report.toStdString();
    ExpectEveryWriteRefused(disk, report, QString::fromLocal8Bit(std::strerror(ENOSPC)));
}
