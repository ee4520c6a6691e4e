#include "iconfiles/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void OnJpegMessage(j_common_ptr) {}

struct EncodeJob {
    const Bitmap24* bitmap;
    int quality;
    std::vector<uint8_t>* row;
    unsigned char* buffer;
    unsigned long size;
};

// libjpeg reports errors by longjmp: this frame holds no C++ object, the job lives with the caller.
bool CompressWithLibjpeg(jpeg_compress_struct* cinfo, EncodeJob* job)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (setjmp(err->jump)) return false;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &job->buffer, &job->size);
    cinfo->image_width = JDIMENSION(job->bitmap->Width());
    cinfo->image_height = JDIMENSION(job->bitmap->Height());
    cinfo->input_components = 3;
#ifdef JCS_EXTENSIONS
    // libjpeg-turbo reads our blue, green, red rows as they are: the same colour conversion as
    // from red, green, blue, without the copy.
    cinfo->in_color_space = JCS_EXT_BGR;
#else
    cinfo->in_color_space = JCS_RGB;
#endif
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
#ifdef JCS_EXTENSIONS
    while (cinfo->next_scanline < cinfo->image_height) {
        // libjpeg only reads the rows it is given.
        JSAMPROW rows[1] = {const_cast<uint8_t*>(job->bitmap->Row(int(cinfo->next_scanline)))};
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
#endif
    const int w = job->bitmap->Width();
    while (cinfo->next_scanline < cinfo->image_height) {
        const uint8_t* src = job->bitmap->Row(int(cinfo->next_scanline));
        uint8_t* dst = job->row->data();
        for (int x = 0; x < w; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        JSAMPROW rows[1] = {job->row->data()};
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

struct DecodeJob {
    const uint8_t* data;
    size_t size;
    int minWidth;
    int minHeight;
    int64_t maxPixels;
    bool headerOnly;
    int fullWidth;
    int fullHeight;
    Bitmap24* target; // sized here once the scaled size is known, see below
    std::vector<uint8_t>* inkRow; // one row of a CMYK picture, before it becomes colours
};

// A CMYK picture's row as blue, green, red. Pictures with an Adobe marker (those of Photoshop and
// most other programs) store their inks inverted, 255 for none; others store them plainly.
void InksToColours(const uint8_t* ink, uint8_t* bgr, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, ink += 4, bgr += 3) {
        const int k = inverted ? ink[3] : 255 - ink[3];
        for (int c = 0; c < 3; ++c) {
            const int v = inverted ? ink[c] : 255 - ink[c];
            bgr[2 - c] = uint8_t((v * k + 127) / 255);
        }
    }
}

// The scale denominator (1, 2, 4 or 8) that still covers the box.
unsigned ScaleDenominator(int width, int height, int minWidth, int minHeight)
{
    if (minWidth <= 0 || minHeight <= 0) return 1;
    unsigned denom = 1;
    while (denom < 8) {
        const unsigned next = denom * 2;
        // libjpeg rounds the scaled size up.
        const int64_t w = (int64_t(width) + next - 1) / next;
        const int64_t h = (int64_t(height) + next - 1) / next;
        if (w < minWidth || h < minHeight) break;
        denom = next;
    }
    return denom;
}

// libjpeg reports errors by longjmp: this frame holds no C++ object whose destructor matters;
// the buffers live with the caller.
bool DecompressWithLibjpeg(jpeg_decompress_struct* cinfo, DecodeJob* job)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (setjmp(err->jump)) return false;
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, job->data, static_cast<unsigned long>(job->size));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
    job->fullWidth = int(cinfo->image_width);
    job->fullHeight = int(cinfo->image_height);
    if (job->fullWidth <= 0 || job->fullHeight <= 0) return false;
    if (job->headerOnly) return true;
    if (int64_t(job->fullWidth) * job->fullHeight > job->maxPixels) return false;
    cinfo->scale_num = 1;
    cinfo->scale_denom = ScaleDenominator(job->fullWidth, job->fullHeight, job->minWidth, job->minHeight);
    // libjpeg-turbo writes blue, green, red itself, straight into our rows: no swizzle pass. Print
    // pictures come in inks, which it hands over as they are.
    const bool inks = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = inks ? JCS_CMYK : JCS_EXT_BGR;
    cinfo->dct_method = JDCT_ISLOW;
    jpeg_start_decompress(cinfo);
    const int w = int(cinfo->output_width);
    const int h = int(cinfo->output_height);
    if (w <= 0 || h <= 0 || w > Bitmap24::MaxSide || h > Bitmap24::MaxSide || cinfo->output_components != (inks ? 4 : 3))
        return false;
    // Every pixel is written below and a failed decode drops the bitmap, so it is not whitened first.
    *job->target = Bitmap24(w, h, Bitmap24::UnsetPixels{});
    if (inks) job->inkRow->resize(size_t(w) * 4);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        JSAMPROW rows[1] = {inks ? job->inkRow->data() : job->target->Row(y)};
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1) return false;
        if (inks) InksToColours(job->inkRow->data(), job->target->Row(y), w, cinfo->saw_Adobe_marker);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// A truncated stream makes libjpeg pad with a warning instead of failing; a preview must not show
// grey garbage as a picture, so warnings that mean damage count as errors.
void OnJpegWarning(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) OnJpegError(cinfo);
}

bool RunDecode(DecodeJob& job)
{
    if (!job.data || job.size < 4) return false;
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnJpegError;
    err.base.output_message = OnJpegMessage;
    err.base.emit_message = OnJpegWarning;
    const bool ok = DecompressWithLibjpeg(&cinfo, &job);
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

} // namespace

bool ReadJpegSize(const uint8_t* data, size_t size, int& width, int& height)
{
    DecodeJob job{data, size, 0, 0, 0, true, 0, 0, nullptr, nullptr};
    if (!RunDecode(job)) return false;
    width = job.fullWidth;
    height = job.fullHeight;
    return true;
}

bool DecodeJpegScaled(const uint8_t* data, size_t size, int minWidth, int minHeight, int64_t maxPixels,
                      Bitmap24& target, int& fullWidth, int& fullHeight)
{
    Bitmap24 decoded;
    std::vector<uint8_t> inkRow;
    DecodeJob job{data, size, minWidth, minHeight, maxPixels, false, 0, 0, &decoded, &inkRow};
    if (!RunDecode(job)) return false;
    fullWidth = job.fullWidth;
    fullHeight = job.fullHeight;
    target = std::move(decoded);
    return true;
}

bool EncodeJpeg(const Bitmap24& bitmap, int quality, std::vector<uint8_t>& out)
{
    if (bitmap.IsEmpty()) return false;
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnJpegError;
    err.base.output_message = OnJpegMessage;
    std::vector<uint8_t> row(size_t(bitmap.Width()) * 3);
    EncodeJob job{&bitmap, quality, &row, nullptr, 0};
    const bool ok = CompressWithLibjpeg(&cinfo, &job);
    jpeg_destroy_compress(&cinfo);
    if (ok && job.buffer) out.insert(out.end(), job.buffer, job.buffer + job.size);
    std::free(job.buffer);
    return ok && job.size > 0;
}
