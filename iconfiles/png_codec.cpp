#include "iconfiles/png_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>

#include <png.h>

#include "iconfiles/pixel_rows.h"

// libpng reports errors by longjmp. Every routine below that calls into libpng keeps its C++
// objects in the caller's frame and reaches them through a pointer, so the jump never skips a
// destructor and never leaves an object of the jumping frame half-changed.

namespace {

struct ReadSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

struct DecodeJob {
    ReadSource source;
    bool keepPaletteIndices;
    int maxSide;
    PngRowSink* sink;
    PngInfo info;
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    // Set once the row reads begin; from then on the reader watches for the last row.
    bool readingRows = false;
    bool interlaced = false;
    // The row png_read_row is filling (not interlaced).
    int nextRow = 0;
    // Every row was decoded and the decoder asked for more input: the reading was stopped there.
    bool rowsComplete = false;
};

// Once the last row is decoded, libpng goes on to inflate and throw away whatever compressed
// data is left in the stream, and then skips to the end chunk. Neither changes the picture, and
// a stream can carry megabytes after its rows that inflate to gigabytes, so the first input asked
// for after the last row ends the reading instead. What libpng already holds of the input (a few
// kilobytes) is all it can still inflate: an image costs its rows, whatever follows them.
bool AllRowsDecoded(png_structp png, const DecodeJob& job)
{
    if (!job.readingRows) return false;
    if (job.interlaced) return png_get_current_pass_number(png) >= 7;
    return png_get_current_row_number(png) >= png_uint_32(job.info.Height);
}

void ReadFromMemory(png_structp png, png_bytep out, size_t count)
{
    auto* job = static_cast<DecodeJob*>(png_get_io_ptr(png));
    if (AllRowsDecoded(png, *job)) {
        job->rowsComplete = true;
        png_error(png, "rows complete");
    }
    ReadSource* src = &job->source;
    if (count > src->size - src->pos) png_error(png, "truncated stream");
    std::memcpy(out, src->data + src->pos, count);
    src->pos += count;
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// Sizes the row buffers: one row, or the whole image when it is interlaced. Kept out of the
// jumping frame because it allocates.
bool PrepareDecodeBuffers(DecodeJob& job, size_t rowBytes, bool interlaced)
{
    const size_t count = interlaced ? size_t(job.info.Height) : 1;
    try {
        job.pixels.assign(rowBytes * count, 0);
        job.rows.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t y = 0; y < count; ++y) job.rows[y] = job.pixels.data() + y * rowBytes;
    return true;
}

bool ReadPalette(png_structp png, png_infop info, PngInfo& out)
{
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) == 0) count = 0;
    png_bytep trans = nullptr;
    int transCount = 0;
    png_color_16p transColor = nullptr;
    if (png_get_tRNS(png, info, &trans, &transCount, &transColor) == 0) transCount = 0;
    try {
        out.Palette.resize(size_t(count));
        for (int i = 0; i < count; ++i) out.Palette[size_t(i)] = {palette[i].red, palette[i].green, palette[i].blue};
        out.Transparency.assign(trans, trans + (trans ? transCount : 0));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Hands the sink the rows that were decoded when the reading stopped after the last row.
bool DeliverAfterStop(DecodeJob& job)
{
    if (!job.rowsComplete) return false;
    if (job.interlaced) {
        for (int y = 0; y < job.info.Height; ++y) job.sink->Row(y, job.rows[size_t(y)]);
        return true;
    }
    // The stop comes inside the read of the last row, after its pixels were stored.
    if (job.nextRow != job.info.Height - 1) return false;
    job.sink->Row(job.nextRow, job.rows[0]);
    return true;
}

bool DecodeWithLibpng(png_structp png, png_infop info, DecodeJob* job)
{
    if (setjmp(png_jmpbuf(png))) return DeliverAfterStop(*job);

    png_set_read_fn(png, job, ReadFromMemory);
    png_set_user_limits(png, png_uint_32(job->maxSide), png_uint_32(job->maxSide));
    // An icon's PNG is small and needs none of the text, profile or other side chunks. Without
    // these bounds a chunk that only declares a huge length (or a compressed text that inflates
    // to gigabytes) makes libpng allocate that much before it finds out the data isn't there.
    static const png_byte skipped[] = {'t', 'E', 'X', 't', '\0', 'z', 'T', 'X', 't', '\0', 'i', 'T', 'X', 't', '\0',
                                       'i', 'C', 'C', 'P', '\0', 's', 'P', 'L', 'T', '\0', 'e', 'X', 'I', 'f', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, skipped, int(sizeof skipped / 5));
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_chunk_malloc_max(png, png_alloc_size_t(std::max<size_t>(job->source.size, 4096)));
    png_set_chunk_cache_max(png, 32);
    // The image data is taken in pieces of this size, and what is left of the last piece after
    // the last row is inflated all the same: a kilobyte of compressed zeros inflates to a
    // megabyte, the default 8 KB piece to eight.
    png_set_compression_buffer_size(png, 1024);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width < 1 || height < 1 || width > png_uint_32(job->maxSide) || height > png_uint_32(job->maxSide))
        return false;
    const int colorType = png_get_color_type(png, info);
    PngInfo& out = job->info;
    out.Width = int(width);
    out.Height = int(height);
    out.Indexed = job->keepPaletteIndices && colorType == PNG_COLOR_TYPE_PALETTE;

    if (out.Indexed) {
        if (!ReadPalette(png, info, out)) return false;
        png_set_packing(png);
    } else {
        out.HasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || colorType == PNG_COLOR_TYPE_PALETTE ||
                       png_get_valid(png, info, PNG_INFO_tRNS) != 0;
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    job->interlaced = png_set_interlace_handling(png) > 1;
    png_read_update_info(png, info);

    const size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != size_t(width) * (out.Indexed ? 1u : 4u)) return false;
    if (!PrepareDecodeBuffers(*job, rowBytes, job->interlaced)) return false;
    job->sink->Begin(out);
    job->readingRows = true;
    if (job->interlaced) {
        png_read_image(png, job->rows.data());
        for (int y = 0; y < out.Height; ++y) job->sink->Row(y, job->rows[size_t(y)]);
    } else {
        for (job->nextRow = 0; job->nextRow < out.Height; ++job->nextRow) {
            png_read_row(png, job->rows[0], nullptr);
            job->sink->Row(job->nextRow, job->rows[0]);
        }
    }
    // Every row is there; what follows the image data (a missing end chunk included) does not
    // matter to the picture, so png_read_end is never called.
    return true;
}

struct EncodeJob {
    std::vector<uint8_t>* out;
    std::vector<png_bytep> rows;
    int width;
    int height;
    bool writeFailed;
};

void WriteToMemory(png_structp png, png_bytep data, size_t count)
{
    auto* job = static_cast<EncodeJob*>(png_get_io_ptr(png));
    try {
        job->out->insert(job->out->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        job->writeFailed = true;
    }
    if (job->writeFailed) png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

bool EncodeWithLibpng(png_structp png, png_infop info, EncodeJob* job)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, job, WriteToMemory, FlushNothing);
    png_set_IHDR(png, info, png_uint_32(job->width), png_uint_32(job->height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 7);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_buffer_size(png, 65535);
    png_write_info(png, info);
    png_write_image(png, job->rows.data());
    png_write_end(png, info);
    return true;
}

} // namespace

bool DecodePng(const uint8_t* data, size_t size, bool keepPaletteIndices, int maxSide, PngRowSink& sink)
{
    if (!data || !HasPngSignature(data, size) || maxSide < 1) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    DecodeJob job{ReadSource{data, size, 0}, keepPaletteIndices, maxSide, &sink, {}, {}, {}};
    bool ok = false;
    try {
        ok = DecodeWithLibpng(png, info, &job);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

size_t PngStreamLength(const uint8_t* data, size_t size)
{
    if (!data || !HasPngSignature(data, size)) return 0;
    uint64_t pos = 8;
    // Chunk: 4-byte big-endian data length (at most 2^31 - 1), 4-byte type, the data, 4-byte CRC.
    while (size - pos >= 12) {
        const uint8_t* c = data + pos;
        const uint64_t length = uint64_t(c[0]) << 24 | uint64_t(c[1]) << 16 | uint64_t(c[2]) << 8 | uint64_t(c[3]);
        if (length > 0x7FFFFFFF || length + 12 > size - pos) return 0;
        pos += length + 12;
        if (std::memcmp(c + 4, "IEND", 4) == 0) return size_t(pos);
    }
    return 0;
}

bool EncodePngRgba(const Bitmap24& colour, const Bitmap24& mask, bool twoLevelMask, std::vector<uint8_t>& out)
{
    const int w = colour.Width();
    const int h = colour.Height();
    if (w < 1 || h < 1 || mask.Width() != w || mask.Height() != h) return false;

    std::vector<uint8_t> pixels(size_t(w) * 4 * size_t(h));
    EncodeJob job{&out, std::vector<png_bytep>(size_t(h)), w, h, false};
    for (int y = 0; y < h; ++y) {
        uint8_t* d = pixels.data() + size_t(y) * size_t(w) * 4;
        job.rows[size_t(y)] = d;
        JoinAlphaRow(colour.Row(y), mask.Row(y), ChannelOrder::Rgba, twoLevelMask, d, w);
    }

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    const size_t before = out.size();
    const bool ok = EncodeWithLibpng(png, info, &job);
    png_destroy_write_struct(&png, &info);
    if (!ok) out.resize(before);
    return ok;
}
