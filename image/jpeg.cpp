// JPEG decoding through libjpeg. The library reports fatal errors through a
// callback that must not return; ours jumps back into DecodeJPEG, whose frame
// holds only plain data across the jump (the pixel buffer is a raw
// allocation released on both ways out). Its messages never reach stderr.
#include "image/jpeg.h"

// jpeglib.h needs size_t and FILE declared first.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

struct JpegErrors {
    jpeg_error_mgr base; // first, so libjpeg's pointer to it is a pointer to us
    jmp_buf back;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    JpegErrors* errors = (JpegErrors*)info->err;
    longjmp(errors->back, 1);
}

void Silent(j_common_ptr) {}

} // namespace

bool DecodeJPEG(const uint8_t* data, size_t size, Image* image, const char** whyNot) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JumpBack;
    errors.base.output_message = Silent;
    // volatile: changed after setjmp and read after the jump back.
    uint8_t* volatile pixels = nullptr;
    const char* volatile reason = "damaged or cut short JPEG data";
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        free(pixels);
        *whyNot = reason;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, (unsigned long)size);
    reason = "not a readable JPEG file";
    jpeg_read_header(&info, TRUE);
    if (!ImageSizeAllowed(info.image_width, info.image_height, 3)) {
        reason = "image too large";
        JumpBack((j_common_ptr)&info);
    }
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        reason = "CMYK JPEG images are not supported";
        JumpBack((j_common_ptr)&info);
    }
    info.out_color_space = JCS_RGB;
    reason = "damaged or cut short JPEG data";
    jpeg_start_decompress(&info);
    size_t width = info.output_width, height = info.output_height;
    size_t stride = width * 3;
    pixels = (uint8_t*)malloc(stride * height);
    if (!pixels) {
        reason = "out of memory";
        JumpBack((j_common_ptr)&info);
    }
    // JPEG stores rows top first; they go out bottom first.
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + (height - 1 - info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    // Premature ends and corrupt data are warnings to libjpeg, which fills
    // in grey and goes on; a skin with holes is refused instead.
    if (errors.base.num_warnings > 0) JumpBack((j_common_ptr)&info);
    jpeg_destroy_decompress(&info);
    image->pixels.assign(pixels, pixels + stride * height);
    free(pixels);
    image->width = (int32_t)width;
    image->height = (int32_t)height;
    image->channels = 3;
    return true;
}

std::vector<uint8_t> EncodeJPEG(const uint8_t* pixels, int width, int height, int quality,
                                bool progressive) {
    if (!pixels || width < 1 || height < 1 || width > 65500 || height > 65500) return {};
    jpeg_compress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JumpBack;
    errors.base.output_message = Silent;
    unsigned char* volatile out = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        free(out);
        return {};
    }
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = (JDIMENSION)width;
    info.image_height = (JDIMENSION)height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (quality >= 90) {
        // Full colour resolution, as image editors save at high quality.
        for (int c = 0; c < info.num_components; c++)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    }
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = (JSAMPROW)(pixels + (size_t)info.next_scanline * (size_t)width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    out = buffer;
    std::vector<uint8_t> file(out, out + size);
    jpeg_destroy_compress(&info);
    free(out);
    return file;
}
