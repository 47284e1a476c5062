// PNG through libpng's full API, from memory, with its limits set: no side
// beyond the size rule, no ancillary chunk kept (they are skipped unread,
// so a compressed text or profile cannot expand), and none cached.
#include <png.h>

#include <algorithm>
#include <cstring>

#include "image/decoders.h"

namespace {

// The state libpng's callbacks share with the reader. Everything the read
// changes lives here, behind a pointer, so that nothing the error jump
// returns to is a local changed after setjmp.
struct PngRead {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    size_t offset = 0;
    std::vector<png_bytep> rows;
    std::string message = "unknown error";
    bool ownReason = false;  // message is ours, not libpng's
};

[[noreturn]] void onError(png_structp png, png_const_charp message) {
    auto* read = static_cast<PngRead*>(png_get_error_ptr(png));
    if (!read->ownReason) read->message = message != nullptr ? message : "unknown error";
    png_longjmp(png, 1);
}

// Ends the read with a reason of ours. The reason is stored before the jump,
// so no string of a skipped frame is live when it happens.
[[noreturn]] void refuse(png_structp png, PngRead& read) {
    read.ownReason = true;
    png_error(png, nullptr);
}

void onWarning(png_structp, png_const_charp) {}

void onRead(png_structp png, png_bytep into, size_t count) {
    auto* read = static_cast<PngRead*>(png_get_io_ptr(png));
    if (count > read->size - read->offset) png_error(png, "the file ends before the picture does");
    std::memcpy(into, read->bytes + read->offset, count);
    read->offset += count;
}

// The chunks the picture needs; libpng handles IHDR, PLTE, IDAT and IEND
// itself.
constexpr png_byte kKeptChunks[] = "tRNS";

// Reads the header and sets the transforms to 8-bit RGBA: palette, grey and
// low bit depths expanded, tRNS to alpha, 16-bit to its high byte, full alpha
// where the file has none. Interlaced pictures are read whole. Then the rows.
void readPicture(png_structp png, png_infop info, PngRead& read, RgbaPicture& picture) {
    png_set_read_fn(png, &read, onRead);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_cache_max(png, 16);
    png_set_chunk_malloc_max(png, 1u << 20);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kKeptChunks, 1);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!sizeAccepted(width, height)) {
        read.message = tooLargeReason(width, height);
        refuse(png, read);
    }
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t{4} * width) {
        read.message = "not convertible to 8-bit RGBA";
        refuse(png, read);
    }
    if (!allocatePicture(width, height, picture, read.message)) refuse(png, read);
    read.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) read.rows[y] = picture.rgba.data() + size_t{4} * width * y;
    png_read_image(png, read.rows.data());
    png_read_end(png, nullptr);
}

uint32_t be32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

}  // namespace

bool decodePng(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why) {
    picture = RgbaPicture();
    // The size from IHDR, the first chunk, before libpng reads anything: in
    // our words, where libpng's own limit would only call the header invalid.
    if (size >= 24 && std::memcmp(bytes + 12, "IHDR", 4) == 0 && !sizeAccepted(be32(bytes + 16), be32(bytes + 20))) {
        why = tooLargeReason(be32(bytes + 16), be32(bytes + 20));
        return false;
    }
    PngRead read;
    read.bytes = bytes;
    read.size = size;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, onError, onWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        why = "libpng: out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        picture = RgbaPicture();
        why = read.ownReason ? read.message : "libpng: " + read.message;
        return false;
    }
    readPicture(png, info, read, picture);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}
