#include "iconfiles/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

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
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
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

} // namespace

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
