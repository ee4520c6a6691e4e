// Walking the icon resources of a large module: a 10.5 MB DLL with 400 icon groups and 2,000 images
// (four DIB images and a 256 x 256 PNG image per group, made here from icon files of our own writer,
// with llvm-rc and lld-link), listed by our reader in the same run as by `wrestool -l` on the same
// file. Ours must take at most half wrestool's time: each format finds its image by id through a
// map, never a scan per format. Also measured:
// - the program started on the module until the library window shows every icon (goal 1 s), and
//   what that start leaves in "tmplib" (nothing: working files are written only when needed);
// - decoding every image of the module, and the whole open of it by the library model;
// - damaged modules (tests/data/modules/regress) opened by the window beside their healthy twins,
//   with the memory each open held (goal: under 0.5 s and 200 MB each);
// - refusing to save a library that 16-bit unit offsets cannot address;
// - writing 500-icon libraries, from images in memory and, as the library window saves, from its
//   working files (goal 1 s).
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDirIterator>
#include <QWindow>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/app_windows.h"
#include "iconfiles/file_access.h"
#include "iconfiles/icon_library_file.h"
#include "iconfiles/icon_resources.h"
#include "model/icon_library.h"
#include "platform/app_paths.h"
#include "platform/save_file.h"
#include "platform/ui/dialogs.h"
#include "workspace/icon_lib_form.h"
#include "workspace/main_form.h"

extern char** environ;

namespace {

constexpr int GroupCount = 400;
// Four DIB images and a 256 x 256 PNG image per group.
constexpr int SidesPerGroup[] = {16, 24, 32, 48, 256};

bool HaveTool(const char* name) { return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty(); }

TIconImageRec DrawnFormat(int size, unsigned seed)
{
    TIconImageRec f;
    InitIconImage(f, size, size, ctTrueAlpha, -1);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            f.Bitmap->SetPixel(x, y, MakeColor((x * 255 / size + int(seed)) & 255, y * 255 / size, int(seed * 7) & 255));
            const int level = ((x - size / 2) * (x - size / 2) + (y - size / 2) * (y - size / 2)) * 255 / (size * size);
            f.Mask->SetPixel(x, y, MakeColor(level, level, level));
        }
    return f;
}

struct Fixture {
    QTemporaryDir dir;
    QString module;
    QString error;
    int64_t moduleBytes = 0;

    Fixture()
    {
        for (const char* tool : {"llvm-rc", "lld-link", "wrestool"})
            if (!HaveTool(tool)) {
                error = QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
                return;
            }
        TIconFileAccess fa;
        QByteArray script("LANGUAGE 9, 1\n");
        for (int g = 0; g < GroupCount; ++g) {
            TIconImageArray formats;
            for (int side : SidesPerGroup) formats.Add(DrawnFormat(side, unsigned(g)));
            const QString name = QStringLiteral("i%1.ico").arg(g);
            if (fa.SaveIconFile(dir.filePath(name), formats) != 0) {
                error = QStringLiteral("cannot write the icons");
                return;
            }
            // Every tenth group is named, the others numbered.
            script += (g % 10 == 0 ? QByteArray("G") + QByteArray::number(g) : QByteArray::number(g + 1)) + " ICON \"" +
                      name.toLatin1() + "\"\n";
        }
        QFile rc(dir.filePath(QStringLiteral("big.rc")));
        if (!rc.open(QIODevice::WriteOnly) || rc.write(script) != script.size()) {
            error = QStringLiteral("cannot write the resource script");
            return;
        }
        rc.close();
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral("llvm-rc"), {QStringLiteral("-no-preprocess"), QStringLiteral("-fo"), QStringLiteral("big.res"),
                                            QStringLiteral("big.rc")});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            error = QStringLiteral("llvm-rc failed");
            return;
        }
        module = dir.filePath(QStringLiteral("big.dll"));
        p.start(QStringLiteral("lld-link"), {QStringLiteral("/dll"), QStringLiteral("/noentry"), QStringLiteral("/machine:x64"),
                                             dir.filePath(QStringLiteral("big.res")), QStringLiteral("/out:") + module});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            error = QStringLiteral("lld-link failed");
            return;
        }
        moduleBytes = QFileInfo(module).size();
    }
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

// Mean seconds per listing of each side, for the ratio reported with ours.
double WrestoolSeconds = 0;

template <typename Work>
double TimedLoop(benchmark::State& state, Work work)
{
    double total = 0;
    int64_t runs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        work();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++runs;
    }
    return runs ? total / double(runs) : 0;
}

void BM_ListWrestool(benchmark::State& state)
{
    const Fixture& f = Shared();
    if (!f.error.isEmpty()) {
        state.SkipWithError(f.error.toUtf8().constData());
        return;
    }
    int lines = 0;
    WrestoolSeconds = TimedLoop(state, [&] {
        QProcess p;
        p.start(QStringLiteral("wrestool"), {QStringLiteral("-l"), f.module});
        p.waitForFinished(60000);
        lines = int(p.readAllStandardOutput().count('\n'));
    });
    state.counters["resources"] = lines;
    state.counters["module_MB"] = double(f.moduleBytes) / (1 << 20);
}

void BM_ListOurs(benchmark::State& state)
{
    const Fixture& f = Shared();
    if (!f.error.isEmpty()) {
        state.SkipWithError(f.error.toUtf8().constData());
        return;
    }
    int64_t formats = 0;
    const double ours = TimedLoop(state, [&] {
        TIconModuleReader reader;
        if (reader.ReadLibrary(f.module) != 0) state.SkipWithError("read failed");
        formats = 0;
        for (const TModuleIcon& icon : reader.Icons) {
            formats += icon.FormatCount;
            for (const TModuleFormat& format : icon.Formats)
                if (format.Offset < 0) state.SkipWithError("an image was not found");
        }
        benchmark::DoNotOptimize(reader.Icons.data());
    });
    state.counters["images"] = double(formats);
    if (WrestoolSeconds > 0) state.counters["of_wrestool"] = ours / WrestoolSeconds;
}

void BM_DecodeEveryImage(benchmark::State& state)
{
    const Fixture& f = Shared();
    if (!f.error.isEmpty()) {
        state.SkipWithError(f.error.toUtf8().constData());
        return;
    }
    for (auto _ : state) {
        TIconModuleReader reader;
        reader.ReadLibrary(f.module);
        int64_t read = 0;
        for (int k = 0; k < int(reader.Icons.size()); ++k) {
            std::vector<TModuleImage> images;
            reader.ReadIconImages(k, images);
            for (const TModuleImage& m : images) read += m.Read ? 1 : 0;
        }
        if (read != GroupCount * int64_t(std::size(SidesPerGroup))) state.SkipWithError("images were not read");
    }
}

// 500 icons, each holding every one of the images.
std::vector<TLibraryIcon> FiveHundredIcons(const std::deque<TIconImageRec>& images)
{
    std::vector<TLibraryIcon> icons(500);
    for (size_t k = 0; k < icons.size(); ++k) {
        icons[k].Name = QStringLiteral("Icon %1").arg(k);
        for (const TIconImageRec& image : images) {
            TLibrarySlot slot;
            slot.Width = image.Width;
            slot.Height = image.Height;
            slot.BitCount = 32;
            slot.Image = &image;
            icons[k].Slots.push_back(slot);
        }
        icons[k].FormatCount = int32_t(icons[k].Slots.size());
    }
    return icons;
}

// 500 icons of 16, 32 and 48 pixels (DIB images), with (argument 1) or without a 256 x 256 PNG
// image in every icon.
void BM_WriteLibrary500(benchmark::State& state)
{
    std::deque<TIconImageRec> images;
    for (int side : {16, 32, 48}) images.push_back(DrawnFormat(side, unsigned(side)));
    if (state.range(0) != 0) images.push_back(DrawnFormat(256, 256));
    std::vector<TLibraryIcon> icons = FiveHundredIcons(images);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.icl"));
    for (auto _ : state) {
        TIconLibraryWriter writer;
        if (writer.WriteLibraryFile(path, icons) != 0) state.SkipWithError("write failed");
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / (1 << 20);
}

void BM_OpenInLibraryModel(benchmark::State& state)
{
    const Fixture& f = Shared();
    if (!f.error.isEmpty()) {
        state.SkipWithError(f.error.toUtf8().constData());
        return;
    }
    QTemporaryDir work;
    for (auto _ : state) {
        TIconLibrary library(work.path() + QLatin1Char('/'));
        QString warning;
        if (library.Open(f.module, warning) != 0 || library.Count() != GroupCount) state.SkipWithError("open failed");
        library.Clear();
    }
}

// A 500-icon library of 16, 32, 48 and 256 pixels opened by the library model, then saved from
// its working files. Argument 0: as opened, the 256-pixel images go back as the PNG streams they
// were read from; 1: every icon as if edited, so all 2,000 images come from the working files and
// the 500 large ones are compressed again. Yardstick: writing the saved file's bytes alone.
void BM_SaveLibrary500FromWorkingFiles(benchmark::State& state)
{
    std::deque<TIconImageRec> images;
    for (int side : {16, 32, 48, 256}) images.push_back(DrawnFormat(side, unsigned(side)));
    std::vector<TLibraryIcon> icons = FiveHundredIcons(images);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.icl"));
    TIconLibraryWriter writer;
    if (writer.WriteLibraryFile(source, icons) != 0) {
        state.SkipWithError("cannot write the library");
        return;
    }
    TIconLibrary library(dir.path() + QLatin1Char('/'));
    QString warning;
    if (library.Open(source, warning) != 0 || library.Count() != 500) {
        state.SkipWithError("cannot open the library");
        return;
    }
    if (state.range(0) != 0)
        for (TGroupIcon& icon : library.Icons)
            for (TIconFormat& format : icon.Formats) format.KeptPng.clear();
    const QString target = dir.filePath(QStringLiteral("saved.icl"));
    for (auto _ : state)
        if (library.WriteLibraryFile(target) != 0) state.SkipWithError("save failed");
    state.counters["file_MB"] = double(QFileInfo(target).size()) / (1 << 20);
    library.Clear();
}

void BM_SaveLibrary500YardstickFileBytesOnly(benchmark::State& state)
{
    std::deque<TIconImageRec> images;
    for (int side : {16, 32, 48, 256}) images.push_back(DrawnFormat(side, unsigned(side)));
    std::vector<TLibraryIcon> icons = FiveHundredIcons(images);
    QByteArray data;
    TIconLibraryWriter writer;
    if (writer.BuildLibraryData(icons, data) != 0) {
        state.SkipWithError("cannot build the library");
        return;
    }
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("saved.icl"));
    for (auto _ : state)
        if (!WriteFileAtomic(target, data)) state.SkipWithError("write failed");
}

// ---- Damaged modules opened by the library window, each beside the healthy file it was made
// from (tests/data/modules/regress, made by fuzz/make_module_seeds.py; TAVRIN_REGRESS_DIR
// points elsewhere). Reported: the time to the list drawn, the icons listed, and the most
// memory the process held meanwhile above what it held before.

const char* const DamagedFiles[] = {
    "healthy_pe.dll", "pe_group_directory_65535.dll", "healthy_ne.icl", "ne_first_type_count_65535.icl",
    "ne_cut_1_16.icl", "ne_cut_3_4.icl",
};

// Answers every box with its first button and counts them.
class QuietDialogs final : public TDialogService {
public:
    int shown = 0;
    TMsgResult Message(QWidget*, const QString&, const QString&, TMsgButtons buttons, TMsgIcon) override
    {
        ++shown;
        return buttons == TMsgButtons::Ok || buttons == TMsgButtons::OkCancel ? TMsgResult::Ok : TMsgResult::No;
    }
    bool RunFileDialog(QWidget*, TFileDialogRequest&) override { return false; }
    bool PickColor(QWidget*, TColor&) override { return false; }
    bool InputText(QWidget*, const QString&, const QString&, QString&) override { return false; }
};

// Resident kilobytes of this process now and at its peak since the last ResetPeak.
int64_t StatusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(int(strlen(key))).trimmed().split(' ').value(0).toLongLong();
    return 0;
}
void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

void BM_OpenDamagedInWindow(benchmark::State& state)
{
    const QByteArray dirEnv = qgetenv("TAVRIN_REGRESS_DIR");
    const QString dir = dirEnv.isEmpty() ? QStringLiteral(TAVRIN_SOURCE_DIR "/tests/data/modules/regress") : QString::fromLocal8Bit(dirEnv);
    const QString path = dir + QLatin1Char('/') + QLatin1String(DamagedFiles[state.range(0)]);
    state.SetLabel(DamagedFiles[state.range(0)]);
    if (!QFileInfo::exists(path)) {
        state.SkipWithError("the file is not there");
        return;
    }
    QTemporaryDir base;
    AppPaths::SetBaseDirForTesting(base.path());
    QuietDialogs dialogs;
    SetDialogService(&dialogs);
    int64_t peakKb = 0;
    {
        Tfrm_Icon_Lib window;
        window.resize(230, 400);
        for (auto _ : state) {
            state.PauseTiming();
            window.OpenLibrary(QString());
            const int64_t before = StatusKb("VmRSS:");
            ResetPeak();
            state.ResumeTiming();
            window.OpenLibrary(path);
            window.lsv_Lib->viewport()->grab();
            state.PauseTiming();
            peakKb = std::max(peakKb, StatusKb("VmHWM:") - before);
            state.ResumeTiming();
        }
        state.counters["icons"] = window.lsv_Lib->count();
    }
    state.counters["peak_MB"] = double(peakKb) / 1024;
    SetDialogService(nullptr);
    AppPaths::RemoveWorkFolder(QStringLiteral("tmplib"));
}

// Saving a library that cannot be addressed in 64 Ki units of 1 KiB, from working files as the
// window saves. Argument 0: 1,100 formats of 128 x 128 at 32 bits (DIBs of 65 KiB each: their
// sizes are known before anything is encoded); 1: 300 formats of 256 x 256 of noise (PNG
// streams of some 260 KB each, whose size only compressing tells).
void BM_RefuseLibraryOver64MiB(benchmark::State& state)
{
    const bool png = state.range(0) != 0;
    const int side = png ? 256 : 128;
    const int count = png ? 300 : 1100;
    QTemporaryDir dir;
    TIconLibrary library(dir.path() + QLatin1Char('/'));
    library.NewLibrary();
    unsigned noise = 12345;
    for (int k = 0; k < count / 10; ++k) {
        TIconImageArray formats;
        for (int j = 0; j < 10; ++j) {
            TIconImageRec f;
            InitIconImage(f, side, side, ctTrueAlpha, -1);
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) {
                    noise = noise * 1103515245u + 12345u;
                    f.Bitmap->SetPixel(x, y, noise >> 8);
                    f.Mask->SetPixel(x, y, (noise >> 4) & 0xFF);
                }
            formats.Add(std::move(f));
        }
        if (library.AddIcon(QStringLiteral("Icon %1").arg(k), formats) < 0) {
            state.SkipWithError("cannot add the icons");
            return;
        }
    }
    const QString target = dir.filePath(QStringLiteral("huge.icl"));
    for (auto _ : state)
        if (library.WriteLibraryFile(target) == 0) state.SkipWithError("a library over 64 MiB was written");
    library.Clear();
}

// ---- The program started on the module: from the process's start to the library window shown
// with every icon listed and drawn. A child process of this executable runs the program's own
// start-up (the module given as the file to open) and leaves once the window has painted.

std::string SelfPath()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    buf[n] = '\0';
    return buf;
}

int RunStartChild(int argc, char** argv, const char* base, const char* module)
{
    QApplication app(argc, argv);
    AppPaths::SetBaseDirForTesting(QString::fromLocal8Bit(base));
    // The assets of a build folder (the cartoon preset) are not beside this executable: the
    // box that says so is answered at once.
    QuietDialogs dialogs;
    SetDialogService(&dialogs);
    Tfrm_main* main = AppWindows::CreateApplicationWindows({QString::fromLocal8Bit(module)});
    main->show();
    for (;;) {
        QCoreApplication::processEvents();
        Tfrm_Icon_Lib* lib = main->IconLib;
        if (lib && lib->isVisible() && lib->windowHandle() && lib->windowHandle()->isExposed() &&
            lib->lsv_Lib->count() == GroupCount)
            break;
    }
    main->IconLib->repaint();
    QCoreApplication::processEvents();
    std::fflush(nullptr);
    std::_Exit(0); // only the start is measured
}

void BM_StartOnModuleToLibraryShown(benchmark::State& state)
{
    const Fixture& f = Shared();
    if (!f.error.isEmpty()) {
        state.SkipWithError(f.error.toUtf8().constData());
        return;
    }
    const std::string self = SelfPath();
    QTemporaryDir base;
    const std::string basePath = base.path().toStdString();
    const std::string module = f.module.toStdString();
    std::vector<std::string> args = {self, "--child-start", basePath, module};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("spawn failed");
            return;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("child failed");
            return;
        }
    }
    // What the run left in the working folder: files written only when needed.
    int64_t workBytes = 0;
    QDirIterator files(base.path() + QStringLiteral("/tmplib"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) workBytes += files.nextFileInfo().size();
    state.counters["module_MB"] = double(f.moduleBytes) / (1 << 20);
    if (state.iterations() > 0) state.counters["tmplib_MB_per_start"] = double(workBytes) / (1 << 20) / double(state.iterations());
    if (WrestoolSeconds > 0 && state.iterations() > 0)
        state.counters["of_wrestool"] = total / double(state.iterations()) / WrestoolSeconds;
}

} // namespace

BENCHMARK(BM_OpenDamagedInWindow)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_RefuseLibraryOver64MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ListWrestool)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ListOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_StartOnModuleToLibraryShown)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_DecodeEveryImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenInLibraryModel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteLibrary500)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveLibrary500FromWorkingFiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SaveLibrary500YardstickFileBytesOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "--child-start") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        int qtArgc = 1;
        return RunStartChild(qtArgc, argv, argv[2], argv[3]);
    }
    return RunQtBenchmarks<QApplication>(argc, argv);
}
