// Opening a large icon, as a person meets it: a whole process started with an icon of 256 formats
// of 256 x 256 (true colour with alpha, stored as PNG: some 6 MB) until the main window is shown
// with the document open, against a Qt program that reads every image of the same file with
// QImageReader. Both run as fresh processes of this executable, in turn, so both pay the same
// loading of libraries and the same load of the machine.
//
//     build/bench/bench_open_icon [--benchmark_repetitions=N]
//     build/bench/bench_open_icon --write-icon PATH        (the icon alone, to open by hand)
//
// Counters: the median wall times of both and their ratio (goal: at most 2), the peak resident
// memory of both and their ratio, and the bytes our process left in its "history" folder once
// the window was shown, beside the icon file's own size (goal: history at most twice the icon).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include "app/app_windows.h"
#include "bench_child.h"
#include "bench_formats.h"
#include "iconfiles/file_access.h"
#include "platform/app_paths.h"
#include "workspace/childwin.h"
#include "workspace/main_form.h"

namespace {

constexpr int FormatCount = 256;
constexpr int FormatSide = 256;

std::string g_self;
std::string g_icon;
std::string g_settings;
std::string g_report;

qint64 FolderBytes(const QString& dir)
{
    qint64 total = 0;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) total += QFileInfo(it.next()).size();
    return total;
}

// The process's own peak resident memory in KB. The exit status of a child cannot tell it: a
// process started by posix_spawn inherits its parent's peak across the exec.
long long PeakResidentKB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLongLong();
    return -1;
}

bool WriteReport(const char* path, long long peakKB, qint64 historyBytes)
{
    QFile out(QString::fromLocal8Bit(path));
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(QByteArray::number(peakKB) + ' ' + QByteArray::number(historyBytes));
    return true;
}

int RunTavrin(int argc, char** argv, const char* settings, const char* icon, const char* report)
{
    QApplication app(argc, argv);
    AppPaths::SetBaseDirForTesting(QString::fromLocal8Bit(settings));
    Tfrm_main* main = AppWindows::CreateApplicationWindows({QString::fromLocal8Bit(icon)});
    main->show();
    WaitShown(*main);
    const QList<Tfrm_childwin*> docs = main->Documents();
    if (docs.size() != 1 || docs.front()->Images().Count() != FormatCount) return 2;
    const qint64 history = FolderBytes(AppPaths::WorkFolder(QStringLiteral("history")));
    if (!WriteReport(report, PeakResidentKB(), history)) return 3;
    std::fflush(nullptr);
    std::_Exit(0); // only the open is measured
}

int RunQtReader(int argc, char** argv, const char* icon, const char* report)
{
    QGuiApplication app(argc, argv);
    QImageReader reader(QString::fromLocal8Bit(icon), "ico");
    int read = 0;
    do {
        const QImage image = reader.read();
        if (image.isNull()) break;
        ++read;
    } while (reader.jumpToNextImage());
    if (!WriteReport(report, PeakResidentKB(), 0)) return 3;
    std::_Exit(read == FormatCount ? 0 : 2);
}

struct ChildRun {
    bool ok = false;
    double ms = 0;
    double peakMB = 0;
    double historyBytes = 0;
};

// Runs a child that writes its report, and reads the report.
ChildRun Spawn(const std::vector<std::string>& args)
{
    const TChildRun child = RunChild(g_self, args);
    ChildRun run;
    run.ms = child.ms;
    QFile report(QString::fromStdString(g_report));
    if (child.ok && report.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = report.readAll().split(' ');
        run.peakMB = fields.value(0).toDouble() / 1024.0;
        run.historyBytes = fields.value(1).toDouble();
        run.ok = run.peakMB > 0;
    }
    QFile::remove(QString::fromStdString(g_report));
    return run;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Our open and Qt's read alternate, so a change of the machine's load hits both alike.
void BM_OpenIcon256Formats(benchmark::State& state)
{
    std::vector<double> ours, qt, oursMB, qtMB;
    double historyBytes = 0;
    for (auto _ : state) {
        const ChildRun a = Spawn({g_self, "--child-tavrin", g_settings, g_icon, g_report});
        const ChildRun b = Spawn({g_self, "--child-qt", g_icon, g_report});
        if (!a.ok || !b.ok) {
            state.SkipWithError(a.ok ? "Qt's read failed" : "the open failed");
            return;
        }
        historyBytes = a.historyBytes;
        ours.push_back(a.ms);
        qt.push_back(b.ms);
        oursMB.push_back(a.peakMB);
        qtMB.push_back(b.peakMB);
        state.SetIterationTime(a.ms / 1000.0);
    }
    const double iconMB = double(QFileInfo(QString::fromStdString(g_icon)).size()) / (1 << 20);
    state.counters["ours_ms"] = Median(ours);
    state.counters["qt_ms"] = Median(qt);
    state.counters["time_ratio"] = Median(ours) / std::max(Median(qt), 1e-9);
    state.counters["ours_MB"] = Median(oursMB);
    state.counters["qt_MB"] = Median(qtMB);
    state.counters["mem_ratio"] = Median(oursMB) / std::max(Median(qtMB), 1e-9);
    state.counters["icon_MB"] = iconMB;
    state.counters["history_MB"] = historyBytes / (1 << 20);
}
BENCHMARK(BM_OpenIcon256Formats)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(9);

// Drawn formats with a little grain, so that each image compresses about as well as a real
// 256 x 256 icon (some 24 KB of PNG).
bool WriteIcon(const QString& path)
{
    TIconImageArray formats;
    uint32_t grain = 12345;
    for (int i = 0; i < FormatCount; ++i) {
        TIconImageRec& f = formats.Add(DrawnFormat(FormatSide, ctTrueAlpha, i));
        for (int y = 0; y < FormatSide; ++y) {
            uint8_t* row = f.Bitmap->Row(y);
            for (int x = 0; x < FormatSide * 3; ++x) {
                grain = grain * 1103515245u + 12345u;
                if ((grain >> 28) == 0) row[x] ^= uint8_t((grain >> 16) & 1);
            }
        }
    }
    TIconFileAccess access;
    return access.SaveIconFile(path, formats) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc >= 5 && std::strcmp(argv[1], "--child-tavrin") == 0) {
        int qtArgc = 1;
        return RunTavrin(qtArgc, argv, argv[2], argv[3], argv[4]);
    }
    if (argc >= 3 && std::strcmp(argv[1], "--write-icon") == 0) {
        int qtArgc = 1;
        QGuiApplication app(qtArgc, argv);
        return WriteIcon(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "--child-qt") == 0) {
        int qtArgc = 1;
        return RunQtReader(qtArgc, argv, argv[2], argv[3]);
    }

    QTemporaryDir work;
    if (!PrepareParent(work, g_self)) return 1;
    g_settings = work.path().toStdString();
    g_icon = QDir(work.path()).filePath(QStringLiteral("formats256.ico")).toStdString();
    g_report = QDir(work.path()).filePath(QStringLiteral("history_bytes.txt")).toStdString();
    {
        int qtArgc = 1;
        QGuiApplication app(qtArgc, argv);
        if (!WriteIcon(QString::fromStdString(g_icon))) return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
