// Damaged modules (tests/data/modules/regress, made by fuzz/make_module_seeds.py): directories that
// point at themselves, counts of 65535, offsets past the end, names longer than the file, NE shifts
// of 16 and more, groups naming images that do not exist. Each must be read to its end without a
// crash, within the image bounds and without allocating more than 200 MB on the way.
#include <gtest/gtest.h>

#include <atomic>

#include <QDir>
#include <QHash>
#include <QFileInfo>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define TAVRIN_TRACK_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVRIN_TRACK_HEAP 1
#endif
#endif
#ifdef TAVRIN_TRACK_HEAP
// The sanitizer runtime's allocator interface (declared here: GCC installs no header for it).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                              void (*free_hook)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

#include "iconfiles/file_access.h"
#include "iconfiles/icon_library_file.h"
#include "iconfiles/icon_resources.h"
#include "support/test_support.h"

namespace {

constexpr int64_t HeapLimit = int64_t(200) << 20;

// The most memory held at once while a piece of work runs. Under AddressSanitizer freed memory
// sits in quarantine, so the process size says nothing: the allocator's hooks count the bytes
// handed out instead. Without it, the process's peak resident size is the upper bound.
class PeakMemory {
public:
    PeakMemory()
    {
#ifdef TAVRIN_TRACK_HEAP
        static const bool installed = __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0;
        hooked_ = installed;
        live_ = 0;
        peak_ = 0;
        counting_ = hooked_;
#endif
        startRss_ = MaxRss();
    }
    ~PeakMemory() { counting_ = false; }

    int64_t Bytes() const
    {
        if (hooked_) return peak_.load();
        return MaxRss() - startRss_;
    }

private:
    static int64_t MaxRss()
    {
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        return int64_t(usage.ru_maxrss) * 1024;
    }
#ifdef TAVRIN_TRACK_HEAP
    static void OnMalloc(const volatile void*, size_t size)
    {
        if (!counting_) return;
        const int64_t now = live_ += int64_t(size);
        int64_t peak = peak_.load();
        while (now > peak && !peak_.compare_exchange_weak(peak, now)) {}
    }
    static void OnFree(const volatile void* ptr)
    {
        if (counting_ && ptr) live_ -= int64_t(__sanitizer_get_allocated_size(ptr));
    }
#endif
    static inline std::atomic<bool> counting_ {false};
    static inline std::atomic<int64_t> live_ {0};
    static inline std::atomic<int64_t> peak_ {0};
    bool hooked_ = false;
    int64_t startRss_ = 0;
};

struct ReadResult {
    size_t icons = 0;
    int64_t formats = 0;
    int64_t read = 0;
    int64_t refused = 0;
};

// Lists the module, decodes every icon and writes what was found back as a library, as the
// library window does on open and save.
ReadResult ReadEverything(const QString& path, const std::string& what)
{
    ReadResult result;
    TIconModuleReader reader;
    EXPECT_EQ(reader.ReadLibrary(path), 0) << what;
    result.icons = reader.Icons.size();
    // Written back as the library window does: pixels through their working files (here their
    // bytes, one copy per image however many formats name it), refused images as kept.
    QHash<int64_t, QByteArray> bytesAt;
    std::vector<TLibraryIcon> library;
    for (size_t k = 0; k < reader.Icons.size(); ++k) {
        const TModuleIcon& icon = reader.Icons[k];
        EXPECT_LE(icon.Formats.size(), size_t(MaxModuleFormatsPerIcon)) << what;
        EXPECT_EQ(icon.FormatCount, int32_t(icon.Formats.size())) << what;
        result.formats += int64_t(icon.Formats.size());
        std::vector<TModuleImage> images;
        const int32_t refused = reader.ReadIconImages(int(k), images);
        EXPECT_GE(refused, 0) << what;
        result.refused += refused;
        EXPECT_EQ(images.size(), icon.Formats.size()) << what;
        TLibraryIcon out;
        out.Name = icon.Name;
        out.FormatCount = icon.FormatCount;
        for (size_t j = 0; j < images.size(); ++j) {
            const TModuleImage& m = images[j];
            const TModuleFormat& f = icon.Formats[j];
            TLibrarySlot slot;
            slot.Width = f.Width;
            slot.Height = f.Height;
            slot.BitCount = f.BitCount;
            if (m.Read) {
                ++result.read;
                EXPECT_GE(m.Image.Width, 1) << what;
                EXPECT_LE(m.Image.Width, MaxIconSide) << what;
                EXPECT_GE(m.Image.Height, 1) << what;
                EXPECT_LE(m.Image.Height, MaxIconSide) << what;
                EXPECT_EQ(m.Image.Bitmap->Width(), m.Image.Width) << what;
                EXPECT_EQ(f.Width, m.Image.Width) << what;
                auto at = bytesAt.constFind(f.Offset);
                if (at == bytesAt.constEnd()) at = bytesAt.insert(f.Offset, reader.FormatBytes(f));
                slot.RawImage = at.value();
            } else {
                // Kept bytes never reach past the file.
                EXPECT_LE(m.Raw.size(), QFileInfo(path).size()) << what;
                slot.RawImage = m.Raw;
            }
            out.Slots.push_back(slot);
        }
        library.push_back(std::move(out));
    }
    TIconLibraryWriter writer;
    QByteArray written;
    if (writer.BuildLibraryData(library, written) == 0) {
        TIconModuleReader again;
        EXPECT_EQ(again.ReadLibraryData(written), 0) << what;
        EXPECT_EQ(again.Icons.size(), library.size()) << what;
    }
    return result;
}

} // namespace

TEST(IconResourcesRegress, DamagedModulesEndBoundedAndSmall)
{
    const QDir dir(TestDataPath(QStringLiteral("modules/regress")));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 20);
    for (const QString& name : files) {
        const std::string what = name.toStdString();
        PeakMemory peak;
        const ReadResult r = ReadEverything(dir.filePath(name), what);
        EXPECT_LE(peak.Bytes(), HeapLimit) << what;
        EXPECT_LE(r.formats, MaxModuleFormatsTotal) << what;
    }
}

// What the damaged files still give: everything that lies inside the file.
TEST(IconResourcesRegress, WhatDamagedModulesStillGive)
{
    struct Case {
        const char* file;
        size_t icons;
        int64_t formats;
        int64_t read;
    };
    const Case cases[] = {
        // Shifts of 16 and more give an empty library.
        {"ne_shift_16.icl", 0, 0, 0},
        {"ne_shift_31.icl", 0, 0, 0},
        {"ne_shift_255.icl", 0, 0, 0},
        {"ne_shift_65535.icl", 0, 0, 0},
        // Groups naming images 9, 77 and 500 that are not there: only image 1 is read.
        {"ne_group_names_missing_images.icl", 2, 4, 1},
        // An image record of length 0 is missing; its neighbour still reads.
        {"ne_image_length_0.icl", 1, 2, 1},
        // 65535 entries naming one image: the first 4096 are taken, each read.
        {"ne_65535_entries_one_image.icl", 1, MaxModuleFormatsPerIcon, MaxModuleFormatsPerIcon},
        // 40960 entries over ten groups: formats stop at what a library can hold.
        {"ne_40960_entries_ten_groups.icl", 10, MaxModuleFormatsTotal, MaxModuleFormatsTotal},
        // Bytes-in-resource of 4 GiB are no reason to lose the images.
        {"ne_entry_size_4g.icl", 3, 4, 4},
        // Every record at the last unit: nothing lies there, so no icon is listed.
        {"ne_offsets_past_end.icl", 0, 0, 0},
        // The names run past the end of a file cut short: the groups' blocks are gone with it.
        {"ne_name_longer_than_file.icl", 0, 0, 0},
        // A group of 65535 entries in a block of 1024 bytes holds what the block holds.
        {"ne_group_entries_65535.icl", 3, (1024 - 6) / 14 + 1 + 1, 4},
        // The group type counts 65535 resources: its records end where one points outside the
        // file, and the image type after them is found.
        {"ne_group_type_count_65535.icl", 3, 4, 4},
        {"ne_first_type_count_65535.icl", 4, 13, 13},
        // The same for the image type, the last in the table.
        {"ne_image_type_count_65535.icl", 3, 4, 4},
        // A PE group directory of 65535 entries: only the real groups are icons.
        {"pe_group_directory_65535.dll", 3, 10, 10},
        // The resource table past the end of the file: nothing.
        {"ne_table_past_end.icl", 0, 0, 0},
        {"ne_lfanew_past_end.icl", 0, 0, 0},
        // PE: entries pointing at their own directory find no data, so no icon.
        {"pe_type_points_at_itself.dll", 0, 0, 0},
        // Groups naming images that do not exist keep their entries, without pixels.
        {"pe_group_names_missing_images.dll", 3, 6, 0},
        // Data outside the file: nothing read, nothing listed.
        {"pe_offsets_past_end.dll", 0, 0, 0},
        // 65535 sections or an optional header of 65535 bytes: the section table is cut by the
        // end of the file, and the resources are still found through the data directory or the
        // sections before the cut.
        {"pe_sections_65535.dll", 3, 6, 6},
    };
    for (const Case& c : cases) {
        const ReadResult r = ReadEverything(TestDataPath(QStringLiteral("modules/regress/") + QLatin1String(c.file)), c.file);
        EXPECT_EQ(r.icons, c.icons) << c.file;
        EXPECT_EQ(r.formats, c.formats) << c.file;
        EXPECT_EQ(r.read, c.read) << c.file;
    }
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(TestDataPath(QStringLiteral("modules/regress/ne_group_names_missing_images.icl"))), 0);
    ASSERT_EQ(reader.Icons.size(), 2u);
    EXPECT_EQ(reader.Icons[0].Name, QStringLiteral("Icon 1"));
    EXPECT_EQ(reader.Icons[0].Formats[1].Offset, -1);
    EXPECT_EQ(reader.Icons[1].Formats[0].Offset, -1);
}
