#include "png_writer.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Rows as libpng takes them: RGBA as is, or RGB with the alpha bytes left out.
std::vector<uint8_t> packRows(const Rgba8Image& image, bool withAlpha) {
    if (withAlpha) {
        return image.pixels;
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(image.width) * image.height * 3);
    for (size_t i = 0, n = static_cast<size_t>(image.width) * image.height; i < n; ++i) {
        std::copy_n(&image.pixels[i * 4], 3, &rgb[i * 3]);
    }
    return rgb;
}

struct WriteHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteHandles() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
};

// The libpng calls, apart from any state that changes after setjmp: a libpng
// error longjmps back to the check below with everything here unchanged.
bool encodeRows(const Rgba8Image& image, bool withAlpha, png_bytep* rowPointers, const std::string& title,
                std::vector<uint8_t>& bytes) {
    std::string software = "tessaline image-gen";
    std::string titleText = title;
    WriteHandles handles;
    handles.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (handles.png == nullptr) {
        return false;
    }
    handles.info = png_create_info_struct(handles.png);
    if (handles.info == nullptr) {
        return false;
    }
    if (setjmp(png_jmpbuf(handles.png)) != 0) {
        return false;
    }
    png_set_write_fn(handles.png, &bytes, appendBytes, flushNothing);

    // zlib settings: level 6 with the library's default window and strategy
    // (level 9 takes seconds on the dithered backdrop for a few per cent);
    // the same settings give the same bytes on every run.
    png_set_compression_level(handles.png, 6);
    // Row filters: none (filter type 0 on every row). The show decodes these
    // files at every start; unfiltered rows of the mostly clear overlays
    // inflate about twice as fast as adaptively filtered ones, for files
    // some 40 per cent larger.
    png_set_filter(handles.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);

    png_set_IHDR(handles.png, handles.info,
                 static_cast<png_uint_32>(image.width),   // IHDR width in pixels
                 static_cast<png_uint_32>(image.height),  // IHDR height in pixels
                 8,                                        // bit depth: 8 bits per channel
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,  // colour type 6 or 2
                 PNG_INTERLACE_NONE,            // no Adam7: rows decode in one pass
                 PNG_COMPRESSION_TYPE_BASE,     // compression method 0, deflate (the only one)
                 PNG_FILTER_TYPE_BASE);         // filter method 0 (its five row filter types)
    // sRGB chunk: the samples are sRGB-encoded, perceptual rendering intent.
    // No gAMA/cHRM: readers that know sRGB need nothing else.
    png_set_sRGB(handles.png, handles.info, PNG_sRGB_INTENT_PERCEPTUAL);

    // Two uncompressed tEXt chunks (Latin-1 keyword and text): what the
    // picture is and what made it. No tIME chunk, so no date in the bytes.
    png_text text[2] = {};
    text[0].compression = PNG_TEXT_COMPRESSION_NONE;  // tEXt, not zTXt or iTXt
    text[0].key = const_cast<png_charp>("Title");
    text[0].text = titleText.data();
    text[0].text_length = titleText.size();
    text[1].compression = PNG_TEXT_COMPRESSION_NONE;
    text[1].key = const_cast<png_charp>("Software");
    text[1].text = software.data();
    text[1].text_length = software.size();
    png_set_text(handles.png, handles.info, text, 2);

    png_write_info(handles.png, handles.info);  // signature, IHDR, sRGB, tEXt
    png_write_image(handles.png, rowPointers);  // IDAT: filtered, deflated rows
    png_write_end(handles.png, nullptr);        // IEND
    return true;
}

}  // namespace

std::vector<uint8_t> encodePng(const Rgba8Image& image, const std::string& title) {
    std::vector<uint8_t> bytes;
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * 4) {
        return bytes;
    }
    bool withAlpha = false;
    for (size_t i = 3; i < image.pixels.size(); i += 4) {
        withAlpha = withAlpha || image.pixels[i] != 255;
    }
    const int channels = withAlpha ? 4 : 3;
    const std::vector<uint8_t> rows = packRows(image, withAlpha);
    std::vector<png_bytep> rowPointers(static_cast<size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y) {
        // PNG stores the top row first, as the canvas does.
        rowPointers[static_cast<size_t>(y)] =
            const_cast<png_bytep>(&rows[static_cast<size_t>(y) * image.width * channels]);
    }
    if (!encodeRows(image, withAlpha, rowPointers.data(), title, bytes)) {
        bytes.clear();
    }
    return bytes;
}

bool writePng(const std::string& path, const Rgba8Image& image, const std::string& title, std::string* error) {
    const std::vector<uint8_t> bytes = encodePng(image, title);
    if (bytes.empty()) {
        *error = "cannot encode '" + path + "' (" + std::to_string(image.width) + "x" +
                 std::to_string(image.height) + ")";
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        *error = "cannot open '" + path + "' for writing";
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        *error = "short write to '" + path + "'";
        return false;
    }
    if (std::fclose(file.release()) != 0) {
        *error = "cannot close '" + path + "'";
        return false;
    }
    return true;
}
