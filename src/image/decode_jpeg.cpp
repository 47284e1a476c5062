// JPEG through libjpeg(-turbo) from memory. A file must hold its own end:
// libjpeg's memory source ends every file with an end marker, and a file that
// needs it (cut short anywhere up to its end marker) is refused. The memory
// and the number of progressive scans libjpeg may spend are bounded.
//
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <jerror.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/decoders.h"

namespace {

// What libjpeg may hold for its own buffers (the whole-picture coefficients
// of a progressive file: 6 bytes a pixel at most for three components).
constexpr long kMaxJpegWorkBytes = 160L << 20;
// A progressive file may repeat scans without end, each a pass over the
// whole picture; real encoders write about ten.
constexpr int kMaxJpegScans = 256;

constexpr const char* kEndedEarly = "libjpeg: the file ends before the picture does";

// The state libjpeg's callbacks share with the reader; the error manager
// first, as libjpeg hands back a pointer to it. Everything the read changes
// lives here, behind a pointer, so that nothing the error jump returns to is
// a local changed after setjmp.
struct JpegRead {
    jpeg_error_mgr manager{};
    jpeg_progress_mgr progress{};
    std::jmp_buf escape{};
    bool endedEarly = false;
    char message[JMSG_LENGTH_MAX] = {};  // libjpeg's reason
    std::string refusal;                 // ours
    std::vector<JSAMPLE> row;
};

JpegRead& readOf(j_common_ptr common) { return *reinterpret_cast<JpegRead*>(common->err); }

// Converts one row of libjpeg's output (grey, or CMYK as Adobe writes it,
// inverted) to RGBA.
void toRgba(J_COLOR_SPACE space, const JSAMPLE* in, uint32_t width, uint8_t* out) {
    for (uint32_t x = 0; x < width; ++x, out += 4) {
        if (space == JCS_GRAYSCALE) {
            out[0] = out[1] = out[2] = in[x];
        } else {
            const JSAMPLE* cmyk = in + size_t{4} * x;
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((cmyk[c] * cmyk[3] + 127) / 255);
        }
        out[3] = 255;
    }
}

void readPicture(jpeg_decompress_struct& info, JpegRead& read, RgbaPicture& picture) {
    jpeg_read_header(&info, TRUE);
    if (!sizeAccepted(info.image_width, info.image_height)) {
        read.refusal = tooLargeReason(info.image_width, info.image_height);
        return;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    const uint32_t width = info.output_width;
    if (!allocatePicture(width, info.output_height, picture, read.refusal)) return;
    const bool direct = info.out_color_space == JCS_EXT_RGBA;
    if (!direct) read.row.resize(size_t{width} * static_cast<size_t>(info.output_components));
    while (info.output_scanline < info.output_height && !read.endedEarly) {
        uint8_t* out = picture.rgba.data() + size_t{4} * width * info.output_scanline;
        JSAMPROW rows[1] = {direct ? out : read.row.data()};
        if (jpeg_read_scanlines(&info, rows, 1) == 1 && !direct) toRgba(info.out_color_space, read.row.data(), width, out);
    }
    // Up to the end marker: a file must hold its own.
    if (!read.endedEarly) jpeg_finish_decompress(&info);
    if (read.endedEarly) read.refusal = kEndedEarly;
}

}  // namespace

bool decodeJpeg(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why) {
    jpeg_decompress_struct info{};
    JpegRead read;
    info.err = jpeg_std_error(&read.manager);
    read.manager.error_exit = [](j_common_ptr common) {
        common->err->format_message(common, readOf(common).message);
        std::longjmp(readOf(common).escape, 1);
    };
    read.manager.emit_message = [](j_common_ptr common, int level) {
        if (level < 0 && common->err->msg_code == JWRN_JPEG_EOF) readOf(common).endedEarly = true;
    };
    read.progress.progress_monitor = [](j_common_ptr common) {
        const auto* self = reinterpret_cast<j_decompress_ptr>(common);
        if (self->inputctl != nullptr && self->input_scan_number > kMaxJpegScans) {
            std::snprintf(readOf(common).message, JMSG_LENGTH_MAX, "more than %d scans", kMaxJpegScans);
            std::longjmp(readOf(common).escape, 1);
        }
    };
    if (setjmp(read.escape) != 0) {
        jpeg_destroy_decompress(&info);
        picture = RgbaPicture();
        // A file cut short ends in the end marker libjpeg's memory source
        // makes up; what libjpeg then trips over is not the reason.
        why = read.endedEarly ? kEndedEarly : std::string("libjpeg: ") + read.message;
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxJpegWorkBytes;
    info.progress = &read.progress;
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    readPicture(info, read, picture);
    jpeg_destroy_decompress(&info);
    if (!read.refusal.empty()) {
        picture = RgbaPicture();
        why = read.refusal;
        return false;
    }
    return true;
}
