// The icon library's rules: reading a module into working files, names kept unique, the thumbnail
// choice, insert, rename, delete, receiving a document's formats and writing the library file.
#include "model/icon_library.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <tuple>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_library_file.h"
#include "iconfiles/icon_resources.h"
#include "iconfiles/png_codec.h"
#include "imaging/compositing.h"
#include "platform/bytes.h"
#include "platform/small_routines.h"

namespace {

const QString NewIconName = QStringLiteral("New Icon");
const QString NoLibraryText = QStringLiteral("Can't find an opening ICL(*.ICL) library.");
const QString NoIconText = QStringLiteral("Can't find icon in library");

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

int NameBytes(const QString& text) { return int(StringToWin1252(text).size()); }

// The number inside "(n)", saturated to the int range; false when the text is no integer.
bool ParseSuffixNumber(const QString& text, int32_t& value)
{
    if (!IsIntegerText(text)) return false;
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok) {
        value = text.startsWith(QLatin1Char('-')) ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
        return true;
    }
    if (v > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    else if (v < std::numeric_limits<int32_t>::min()) value = std::numeric_limits<int32_t>::min();
    else value = int32_t(v);
    return true;
}

// "base(n)" cut so that it fits the stored length: the base gives way, the number never.
QString Suffixed(QString base, int32_t number)
{
    const QString suffix = QStringLiteral("(%1)").arg(number);
    const int room = TIconLibrary::MaxNameBytes - NameBytes(suffix);
    while (!base.isEmpty() && NameBytes(base) > room) base.chop(1);
    return base + suffix;
}

std::atomic<uint32_t> LibrarySerials{1};

// Same size, colour type, palette and pixels of both bitmaps: the same picture in every writer.
bool SameImage(const TIconImageRec& a, const TIconImageRec& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.ColorType == b.ColorType && a.Palette == b.Palette &&
           a.Bitmap && b.Bitmap && a.Mask && b.Mask && *a.Bitmap == *b.Bitmap && *a.Mask == *b.Mask;
}

// The whole PNG stream of a format that was read, without the padding a module may put after
// it; empty when the block is no PNG or its stream does not end properly (that one is encoded
// anew from its pixels on save).
QByteArray KeptPngStream(const TIconModuleReader& reader, TModuleFormat format)
{
    format.Size = std::max(format.Size, format.RecordSize);
    QByteArray bytes = reader.FormatBytes(format);
    const size_t length = PngStreamLength(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    if (length == 0) return {};
    bytes.truncate(qsizetype(length));
    return bytes;
}

} // namespace

TIconLibrary::TIconLibrary(const QString& tempDir) : TempDir(tempDir)
{
    if (!TempDir.isEmpty() && !TempDir.endsWith(QLatin1Char('/'))) TempDir += QLatin1Char('/');
    Serial = LibrarySerials++;
}

TIconLibrary::~TIconLibrary() { Clear(); }

// ---- texts ----

QString TIconLibrary::CaptionText() const
{
    QString text = QStringLiteral("Icon Library - ") + LibName;
    if (Modified) text += QStringLiteral(" *");
    return text;
}

QString TIconLibrary::ItemCaption(const TGroupIcon& icon)
{
    if (icon.FormatCount == 1 && !icon.Formats.empty()) {
        const TIconFormat& f = icon.Formats.front();
        return icon.Name + QChar(13) + QStringLiteral("%1x%2 %3").arg(f.Width).arg(f.Height).arg(f.BitCount);
    }
    return icon.Name + QChar(13) + QStringLiteral("(%1 Formats)").arg(icon.FormatCount);
}

QString TIconLibrary::ModifiedQuestion() const
{
    return QStringLiteral("The library '%1' has been modified. Do you want to save it?").arg(LibName);
}

QString TIconLibrary::SaveTarget(const QString& chosen)
{
    if (QFileInfo(chosen).suffix().compare(QLatin1String("icl"), Qt::CaseInsensitive) == 0) return chosen;
    return chosen + QStringLiteral(".icl");
}

void TIconLibrary::SetPath(const QString& path)
{
    const QFileInfo info(path);
    LibName = info.fileName();
    LibPath = info.absolutePath();
    if (!LibPath.endsWith(QLatin1Char('/'))) LibPath += QLatin1Char('/');
}

// ---- names ----

QString TIconLibrary::CutName(const QString& name) { return CutLibraryName(name); }

int TIconLibrary::FindName(const QString& name, int except) const
{
    for (int i = 0; i < Count(); ++i)
        if (i != except && SameName(Icons[size_t(i)].Name, name)) return i;
    return -1;
}

void TIconLibrary::MakeNamesUnique()
{
    // Most libraries hold distinct names: one pass over a set finds the few that clash, so a
    // module of thousands of icons is not compared name by name.
    QSet<QString> seen;
    seen.reserve(Count());
    for (int i = 0; i < Count(); ++i) {
        QString folded = Icons[size_t(i)].Name.toCaseFolded();
        if (seen.contains(folded)) {
            MakeNameUnique(i);
            folded = Icons[size_t(i)].Name.toCaseFolded();
        }
        seen.insert(folded);
    }
}

void TIconLibrary::MakeNameUnique(int index)
{
    if (!IsValidIndex(index)) return;
    QString name = Icons[size_t(index)].Name;
    const auto clashes = [&](const QString& candidate) {
        for (int i = 0; i < index; ++i)
            if (SameName(Icons[size_t(i)].Name, candidate)) return true;
        return false;
    };
    // Each step either raises the number or grows the name by one suffix, so a name that cannot
    // progress (a number at the top of the range, or a base cut away to make room) falls back to
    // counting over the whole name, which ends since only `index` names come before.
    for (int step = 0; clashes(name); ++step) {
        QString base = name;
        int32_t number = 1;
        const qsizetype open = name.indexOf(QLatin1Char('('));
        const qsizetype close = name.indexOf(QLatin1Char(')'));
        if (name.endsWith(QLatin1Char(')')) && open > 0 && close > open) {
            int32_t value = 0;
            if (ParseSuffixNumber(name.mid(open + 1, close - open - 1), value) && value < std::numeric_limits<int32_t>::max()) {
                number = value + 1;
                base = name.left(open);
            }
        }
        QString next = Suffixed(base, number);
        if (SameName(next, name) || step > index + 2) {
            // No progress: count up from 1 over a base that leaves room for the number.
            const QString stem = name;
            for (int32_t n = 1;; ++n) {
                next = Suffixed(stem, n);
                if (!clashes(next)) break;
            }
        }
        name = next;
    }
    Icons[size_t(index)].Name = name;
}

// ---- thumbnails ----

int TIconLibrary::ChooseThumbnailFormat(const std::vector<TFormatShape>& formats)
{
    const int n = int(formats.size());
    if (n == 0) return -1;
    if (n == 1) return 0;
    int targetW = 32, targetH = 32, fallback = 0;
    const auto firstWhere = [&](auto pred) {
        for (int i = 0; i < n; ++i)
            if (pred(formats[size_t(i)])) return i;
        return -1;
    };
    int at = firstWhere([](const TFormatShape& f) { return f.Width == 32 && f.Height == 32; });
    if (at < 0) at = firstWhere([](const TFormatShape& f) { return f.Width > 32 || f.Height > 32; });
    if (at < 0) at = firstWhere([](const TFormatShape& f) { return f.Width >= 24 || f.Height >= 24; });
    if (at >= 0) {
        targetW = formats[size_t(at)].Width;
        targetH = formats[size_t(at)].Height;
        fallback = at;
    }
    int last24 = 0, last8 = 0, last4 = 0;
    for (int i = 0; i < n; ++i) {
        const TFormatShape& f = formats[size_t(i)];
        if (f.Width != targetW || f.Height != targetH) continue;
        if (f.BitCount == 32) return i;
        if (f.BitCount == 24) last24 = i;
        else if (f.BitCount == 8) last8 = i;
        else if (f.BitCount == 4) last4 = i;
    }
    // Position 0 counts as "none" here, so a format at position 0 is only ever the fallback.
    if (last24 != 0) return last24;
    if (last8 != 0) return last8;
    if (last4 != 0) return last4;
    return fallback;
}

std::shared_ptr<const Bitmap24> TIconLibrary::BlankThumbnail()
{
    static const auto blank = std::make_shared<const Bitmap24>(ThumbnailSide, ThumbnailSide);
    return blank;
}

// ---- working files ----

QString TIconLibrary::NewTempFile() const
{
    static std::atomic<uint64_t> counter{0};
    return TempDir + QStringLiteral("~lib%1.qvi").arg(++counter);
}

bool TIconLibrary::LoadFormat(const TIconFormat& format, TIconImageRec& image) const
{
    if (!format.TempFile.isEmpty()) {
        TIconFileAccess access;
        return access.LoadSnapshot(image, format.TempFile) == 0;
    }
    if (format.ModuleImage.isEmpty() || !TIconModuleReader::DecodeImage(format.ModuleImage, format.EntryBits, image))
        return false;
    image.Id = format.Id;
    return true;
}

QString TIconLibrary::WhyNoFormatOpens(int index) const
{
    if (!IsValidIndex(index)) return QString();
    const TGroupIcon& icon = Icons[size_t(index)];
    int missing = 0, undecodable = 0, lost = 0;
    for (int j = 0; j < icon.FormatCount && size_t(j) < icon.Formats.size(); ++j) {
        const TIconFormat& f = icon.Formats[size_t(j)];
        TIconImageRec image;
        if (LoadFormat(f, image)) return QString();
        if (!f.TempFile.isEmpty()) ++lost;
        else if (!f.RawImage.isEmpty() || !f.ModuleImage.isEmpty()) ++undecodable;
        else ++missing;
    }
    QStringList why;
    if (missing > 0) why << QStringLiteral("%1 image(s) could not be found in the file").arg(missing);
    if (undecodable > 0) why << QStringLiteral("%1 image(s) could not be decoded").arg(undecodable);
    if (lost > 0) why << QStringLiteral("%1 working file(s) could not be read").arg(lost);
    return QStringLiteral("None of the formats of the icon '%1' can be opened: %2.").arg(icon.Name, why.join(QStringLiteral("; ")));
}

void TIconLibrary::DeleteFiles(TGroupIcon& icon)
{
    for (TIconFormat& f : icon.Formats)
        if (!f.TempFile.isEmpty()) QFile::remove(f.TempFile);
}

// ---- whole library ----

void TIconLibrary::Clear()
{
    for (TGroupIcon& icon : Icons) DeleteFiles(icon);
    Icons.clear();
}

void TIconLibrary::ReadImages(TIconModuleReader& reader)
{
    // Every image is decoded once, for its true size and depth, and the icon's thumbnail drawn;
    // the pixels are then let go. A format keeps the module's bytes of its image (shared by
    // every format that names the same one) and is decoded from them again when it is opened or
    // saved, so opening writes no working file.
    //
    // Decoding is shared out over the processor's cores, icon by icon in order; this thread
    // takes the icons in order as they are done, draws their thumbnails (the drawing routines
    // share scratch bitmaps) and builds the list, and decodes icons itself rather than wait.
    struct Decoded {
        std::vector<TModuleImage> images;
        // The thumbnail format's pixels, when this icon was the first to decode them.
        TIconImageRec pick;
        bool done = false;
    };
    using ImageKey = std::tuple<int64_t, int64_t, int32_t>;
    const auto keyOf = [](const TModuleFormat& f) { return ImageKey(f.Offset, std::max(f.Size, f.RecordSize), f.EntryBits); };
    const auto shapesOf = [](const TModuleIcon& m) {
        std::vector<TFormatShape> shapes;
        shapes.reserve(m.Formats.size());
        for (const TModuleFormat& f : m.Formats) shapes.push_back({f.Width, f.Height, f.BitCount});
        return shapes;
    };
    const size_t n = reader.Icons.size();
    std::vector<Decoded> decoded(n);
    std::mutex lock;
    std::condition_variable ready;
    std::set<ImageKey> picked;
    std::atomic<size_t> next {0};
    const auto decode = [&](size_t i) {
        Decoded& d = decoded[i];
        reader.ReadIconImages(int(i), d.images, false);
        const TModuleIcon& m = reader.Icons[i];
        const int pick = ChooseThumbnailFormat(shapesOf(m));
        if (pick >= 0 && size_t(pick) < d.images.size() && d.images[size_t(pick)].Read) {
            bool first = false;
            {
                const std::lock_guard<std::mutex> guard(lock);
                first = picked.insert(keyOf(m.Formats[size_t(pick)])).second;
            }
            if (first) reader.DecodeFormat(m.Formats[size_t(pick)], d.pick);
        }
    };
    const auto work = [&] {
        for (size_t i = next++; i < n; i = next++) {
            decode(i);
            {
                const std::lock_guard<std::mutex> guard(lock);
                decoded[i].done = true;
            }
            ready.notify_all();
        }
    };
    const size_t threads = std::min<size_t>({std::max(1u, std::thread::hardware_concurrency()), 8, n / 16});
    std::vector<std::thread> pool;
    for (size_t t = 0; t < threads; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }

    std::map<ImageKey, std::shared_ptr<const Bitmap24>> thumbnails;
    QHash<int64_t, QByteArray> blocks, pngs;
    Icons.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        {
            std::unique_lock<std::mutex> guard(lock);
            while (!decoded[i].done) {
                // Rather than wait, decode the next icon nobody has taken.
                const size_t mine = next++;
                if (mine < n) {
                    guard.unlock();
                    decode(mine);
                    guard.lock();
                    decoded[mine].done = true;
                    ready.notify_all();
                    continue;
                }
                ready.wait(guard);
            }
        }
        Decoded& d = decoded[i];
        const TModuleIcon& m = reader.Icons[i];
        TGroupIcon icon;
        // A name longer than a library stores is cut now, so what the list shows is what a save keeps.
        icon.Name = CutName(m.Name);
        icon.FormatCount = m.FormatCount;
        for (size_t j = 0; j < m.Formats.size(); ++j) {
            const TModuleFormat& mf = m.Formats[j];
            TIconFormat f;
            f.Id = mf.Id;
            f.Width = mf.Width;
            f.Height = mf.Height;
            f.BitCount = mf.BitCount;
            f.EntryBits = mf.EntryBits;
            const TModuleImage& image = d.images[j];
            if (image.Read) {
                if (IsWrittenAsPng(f.Width, f.Height)) {
                    auto kept = pngs.constFind(mf.Offset);
                    if (kept == pngs.constEnd()) kept = pngs.insert(mf.Offset, KeptPngStream(reader, mf));
                    f.KeptPng = kept.value();
                }
                if (!f.KeptPng.isEmpty()) {
                    // The stream it was read from, whole: decoded from it alike.
                    f.ModuleImage = f.KeptPng;
                } else {
                    auto block = blocks.constFind(mf.Offset);
                    if (block == blocks.constEnd()) {
                        TModuleFormat whole = mf;
                        whole.Size = std::max(mf.Size, mf.RecordSize);
                        block = blocks.insert(mf.Offset, reader.FormatBytes(whole));
                    }
                    f.ModuleImage = block.value();
                }
            } else if (image.Missing) {
                ++MissingImages;
            } else {
                f.RawImage = image.Raw;
                ++KeptImages;
            }
            icon.Formats.push_back(std::move(f));
        }
        const int pick = ChooseThumbnailFormat(shapesOf(m));
        icon.Thumbnail = BlankThumbnail();
        if (pick >= 0 && d.images[size_t(pick)].Read) {
            const ImageKey key = keyOf(m.Formats[size_t(pick)]);
            auto done = thumbnails.find(key);
            if (done == thumbnails.end()) {
                TIconImageRec source = std::move(d.pick);
                if (!source.Bitmap) reader.DecodeFormat(m.Formats[size_t(pick)], source);
                auto thumbnail = std::make_shared<Bitmap24>(ThumbnailSide, ThumbnailSide);
                DrawIconImageFitted(source, *thumbnail);
                done = thumbnails.emplace(key, std::move(thumbnail)).first;
            }
            icon.Thumbnail = done->second;
        }
        d = Decoded();
        Icons.push_back(std::move(icon));
    }
    for (std::thread& t : pool) t.join();
}

int TIconLibrary::Open(const QString& path, QString& warning)
{
    warning.clear();
    const QFileInfo info(path);
    const QString ext = info.suffix().toUpper();
    if (ext == QLatin1String("EXE") || ext == QLatin1String("DLL") || ext == QLatin1String("CPL") ||
        ext == QLatin1String("OCX"))
        Editable = false;
    else if (ext == QLatin1String("ICL"))
        Editable = true;
    SetPath(path);
    Clear();
    Serial = LibrarySerials++;
    Modified = false;
    MissingImages = 0;
    KeptImages = 0;

    TIconModuleReader reader;
    if (reader.ReadLibrary(path) != 0) {
        MessageText = reader.LastError;
        Editable = false;
        LibPath.clear();
        return -1;
    }

    ReadImages(reader);
    if (!reader.NamesFromTable) MakeNamesUnique();

    const int unread = MissingImages + KeptImages;
    if (MissingImages > 0) {
        // Saving would drop what the file's tables point at but could not be found; the file
        // stays as it is unless the person saves the icons elsewhere.
        const bool wasEditable = Editable;
        Editable = false;
        warning = KeptImages > 0
                      ? QStringLiteral("%1 image(s) of the library could not be read: %2 of them are kept as they are, "
                                       "the others could not be found in the file.")
                            .arg(unread)
                            .arg(KeptImages)
                      : QStringLiteral("%1 image(s) of the library could not be read: they could not be found in the file.").arg(unread);
        if (wasEditable) warning += QStringLiteral(" It is opened read-only.");
    } else if (KeptImages > 0) {
        warning = QStringLiteral("%1 image(s) of the library could not be read; they are kept as they are.").arg(unread);
    }
    return 0;
}

void TIconLibrary::NewLibrary()
{
    Clear();
    Serial = LibrarySerials++;
    LibName = QStringLiteral("New Icon Lib");
    LibPath.clear();
    TGroupIcon icon;
    icon.Name = NewIconName;
    icon.FormatCount = 0;
    // The placeholder slot: written as an image record of length 0.
    TIconFormat slot;
    slot.Id = 1;
    icon.Formats.push_back(slot);
    icon.Thumbnail = BlankThumbnail();
    Icons.push_back(std::move(icon));
    Editable = true;
    Modified = false;
}

int TIconLibrary::WriteLibraryFile(const QString& path)
{
    std::vector<TLibraryIcon> out;
    out.reserve(Icons.size());
    for (const TGroupIcon& icon : Icons) {
        TLibraryIcon li;
        li.Name = icon.Name;
        li.FormatCount = icon.FormatCount;
        for (const TIconFormat& f : icon.Formats) {
            TLibrarySlot s;
            s.Width = f.Width;
            s.Height = f.Height;
            s.BitCount = f.BitCount;
            // Unreadable bytes and unedited PNG streams both go back as they are.
            s.RawImage = f.RawImage.isEmpty() ? f.KeptPng : f.RawImage;
            s.TempFile = f.TempFile;
            if (f.TempFile.isEmpty()) {
                s.ModuleImage = f.ModuleImage;
                s.EntryBits = f.EntryBits;
            }
            s.Id = f.Id;
            li.Slots.push_back(std::move(s));
        }
        out.push_back(std::move(li));
    }
    TIconLibraryWriter writer;
    if (writer.WriteLibraryFile(path, out) != 0) {
        MessageText = writer.LastError.isEmpty() ? QStringLiteral("The library could not be written.") : writer.LastError;
        return -1;
    }
    for (size_t i = 0; i < Icons.size() && i < out.size(); ++i)
        for (size_t j = 0; j < Icons[i].Formats.size() && j < out[i].Slots.size(); ++j)
            Icons[i].Formats[j].Id = out[i].Slots[j].Id;
    Modified = false;
    return 0;
}

// ---- icons ----

int TIconLibrary::InsertIcon()
{
    if (!Editable || Icons.empty()) return -1;
    TGroupIcon icon;
    icon.Name = NewIconName;
    icon.Thumbnail = BlankThumbnail();
    Icons.push_back(std::move(icon));
    MakeNameUnique(Count() - 1);
    return Count() - 1;
}

bool TIconLibrary::DeleteIcon(int index)
{
    if (!Editable || !IsValidIndex(index)) return false;
    DeleteFiles(Icons[size_t(index)]);
    Icons.erase(Icons.begin() + index);
    Modified = true;
    return true;
}

TIconLibrary::TRenameResult TIconLibrary::RenameIcon(int index, const QString& text)
{
    if (!Editable || !IsValidIndex(index)) return TRenameResult::NotAllowed;
    if (text.trimmed().isEmpty()) return TRenameResult::Blank;
    const QString name = CutName(text);
    if (FindName(name, index) >= 0) return TRenameResult::Clash;
    Icons[size_t(index)].Name = name;
    Modified = true;
    return TRenameResult::Renamed;
}

bool TIconLibrary::BuildIcon(const TIconImageArray& formats, TGroupIcon& icon)
{
    if (TempDirSource) {
        TempDir = TempDirSource();
        if (!TempDir.isEmpty() && !TempDir.endsWith(QLatin1Char('/'))) TempDir += QLatin1Char('/');
    }
    TIconFileAccess access;
    std::vector<TIconFormat> built;
    std::vector<TFormatShape> shapes;
    for (int i = 0; i < formats.Count(); ++i) {
        const TIconImageRec& rec = formats[i];
        TIconFormat f;
        f.Id = i + 1;
        f.Width = rec.Width;
        f.Height = rec.Height;
        f.BitCount = ColorTypeToBits(rec.ColorType);
        f.TempFile = NewTempFile();
        if (access.SaveSnapshot(rec, f.TempFile) != 0) {
            MessageText = access.LastError;
            QFile::remove(f.TempFile);
            for (TIconFormat& done : built) QFile::remove(done.TempFile);
            return false;
        }
        // A large format is compressed now, once, as a save would: a library's save then knows
        // every block's size before it writes anything, and refuses one too large at once.
        if (IsWrittenAsPng(rec.Width, rec.Height)) {
            ByteWriter png;
            if (access.WriteIconImage(png, rec) == 0) f.KeptPng = png.ToByteArray();
        }
        shapes.push_back({f.Width, f.Height, f.BitCount});
        built.push_back(std::move(f));
    }
    icon.Formats = std::move(built);
    icon.FormatCount = formats.Count();
    const int pick = ChooseThumbnailFormat(shapes);
    if (pick >= 0) {
        auto thumbnail = std::make_shared<Bitmap24>(ThumbnailSide, ThumbnailSide);
        DrawIconImageFitted(formats[pick], *thumbnail);
        icon.Thumbnail = std::move(thumbnail);
    } else {
        icon.Thumbnail = BlankThumbnail();
    }
    return true;
}

void TIconLibrary::KeepUnchangedPngs(const TGroupIcon& old, const TIconImageArray& formats, TGroupIcon& fresh) const
{
    // A document saves all of an icon's formats when one of them changed; the large ones it left
    // alone keep their streams, found by comparing pixels (reading a working file is cheap next
    // to compressing the image again).
    for (size_t k = 0; k < fresh.Formats.size() && int(k) < formats.Count(); ++k) {
        TIconFormat& f = fresh.Formats[k];
        if (!IsWrittenAsPng(f.Width, f.Height)) continue;
        for (const TIconFormat& was : old.Formats) {
            if (was.KeptPng.isEmpty() || was.Width != f.Width || was.Height != f.Height || was.BitCount != f.BitCount)
                continue;
            TIconImageRec before;
            if (LoadFormat(was, before) && SameImage(before, formats[int(k)])) {
                f.KeptPng = was.KeptPng;
                break;
            }
        }
    }
}

int TIconLibrary::AddIcon(const QString& name, const TIconImageArray& formats)
{
    if (!Editable) {
        MessageText = NoLibraryText;
        return -1;
    }
    TGroupIcon icon;
    icon.Name = CutName(name.trimmed().isEmpty() ? NewIconName : name);
    if (!BuildIcon(formats, icon)) return -1;
    Icons.push_back(std::move(icon));
    MakeNameUnique(Count() - 1);
    Modified = true;
    return Count() - 1;
}

int TIconLibrary::ReplaceIcon(const QString& name, const TIconImageArray& formats, const QObject* editor, uint32_t serial)
{
    if (!Editable) {
        MessageText = NoLibraryText;
        return -1;
    }
    int index = serial == Serial ? FindEditor(editor) : -1;
    if (index < 0 && serial == Serial) index = FindName(name);
    if (index < 0) {
        MessageText = NoIconText;
        return -1;
    }
    TGroupIcon fresh;
    if (!BuildIcon(formats, fresh)) return -1;
    TGroupIcon& icon = Icons[size_t(index)];
    KeepUnchangedPngs(icon, formats, fresh);
    DeleteFiles(icon);
    icon.Formats = std::move(fresh.Formats);
    icon.FormatCount = fresh.FormatCount;
    icon.Thumbnail = std::move(fresh.Thumbnail);
    Modified = true;
    return index;
}

void TIconLibrary::LinkEditor(int index, QObject* editor)
{
    for (TGroupIcon& icon : Icons)
        if (icon.Editor == editor) icon.Editor = nullptr;
    if (IsValidIndex(index)) Icons[size_t(index)].Editor = editor;
}

int TIconLibrary::FindEditor(const QObject* editor) const
{
    if (!editor) return -1;
    for (int i = 0; i < Count(); ++i)
        if (Icons[size_t(i)].Editor == editor) return i;
    return -1;
}
