// GIF through giflib, record by record: the first image only, proved against
// the logical screen before a pixel is read, composited onto that screen.
// Later frames are never read; the extensions before the first image are
// bounded in number.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "image/decoders.h"

namespace {

// Extension blocks accepted before the first image: every extension counts
// once, an empty one (no sub-block) included, and each sub-block after its
// first once more. Each costs at least a byte of the file, so this bounds the
// work on a file of comments, empty ones or not.
constexpr int kMaxExtensionBlocks = 4096;

struct GifSource {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    size_t offset = 0;
    uint8_t lastByte = 0;  // the last byte handed to giflib
};

int onRead(GifFileType* gif, GifByteType* into, int count) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    const size_t wanted = count > 0 ? static_cast<size_t>(count) : 0;
    const size_t given = std::min(wanted, source->size - source->offset);
    std::memcpy(into, source->bytes + source->offset, given);
    source->offset += given;
    if (given > 0) source->lastByte = into[given - 1];
    return static_cast<int>(given);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

std::string giflibReason(int error) {
    const char* text = GifErrorString(error);
    return std::string("giflib: ") + (text != nullptr ? text : "unknown error");
}

uint32_t le16(const uint8_t* bytes) { return bytes[0] | (bytes[1] << 8); }

// The transparent colour index a graphic control extension names; -1 when
// this block is not one or names none.
int transparentIndexOf(int code, const GifByteType* block) {
    if (code != GRAPHICS_EXT_FUNC_CODE || block == nullptr || block[0] < 4) return -1;
    return (block[1] & 1) != 0 ? block[4] : -1;
}

// The first image's pixels onto the screen: the background is the colour the
// header names in the image's colour map, transparent where that index is the
// transparent one (or outside the map); a transparent pixel keeps its map
// colour at alpha 0. What DevIL made of every ordinary GIF.
bool readFirstImage(GifFileType* gif, const GifSource& source, int transparent, RgbaPicture& picture,
                    std::string& why) {
    const GifImageDesc& frame = gif->Image;
    const uint64_t right = uint64_t(frame.Left) + uint64_t(frame.Width);
    const uint64_t bottom = uint64_t(frame.Top) + uint64_t(frame.Height);
    if (frame.Left < 0 || frame.Top < 0 || frame.Width <= 0 || frame.Height <= 0 ||
        right > uint64_t(gif->SWidth) || bottom > uint64_t(gif->SHeight)) {
        why = "frame of " + std::to_string(frame.Width) + "x" + std::to_string(frame.Height) + " at (" +
              std::to_string(frame.Left) + ", " + std::to_string(frame.Top) + ") outside the screen of " +
              std::to_string(gif->SWidth) + "x" + std::to_string(gif->SHeight);
        return false;
    }
    // giflib has just read the LZW minimum code size: the image's last byte so far.
    if (source.lastByte < 2 || source.lastByte > 8) {
        why = "LZW code size " + std::to_string(source.lastByte) + " outside 2..8";
        return false;
    }
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0) {
        why = "no colour map";
        return false;
    }
    const auto colourOf = [&](int index, uint8_t* rgba) {
        const GifColorType& c = map->Colors[index];
        rgba[0] = c.Red;
        rgba[1] = c.Green;
        rgba[2] = c.Blue;
        rgba[3] = index == transparent ? 0 : 255;
    };
    if (!allocatePicture(uint32_t(gif->SWidth), uint32_t(gif->SHeight), picture, why)) return false;
    if (gif->SBackGroundColor < map->ColorCount) {
        uint8_t background[4];
        colourOf(gif->SBackGroundColor, background);
        for (size_t i = 0; i < picture.rgba.size(); i += 4) std::memcpy(&picture.rgba[i], background, 4);
    }
    std::vector<GifPixelType> line(size_t(frame.Width));
    // Interlaced rows come in four passes: every 8th from 0, every 8th from
    // 4, every 4th from 2, every 2nd from 1.
    static constexpr int kPassStart[4] = {0, 4, 2, 1};
    static constexpr int kPassStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int step = frame.Interlace ? kPassStep[pass] : 1;
        for (int row = frame.Interlace ? kPassStart[pass] : 0; row < frame.Height; row += step) {
            if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
                why = giflibReason(gif->Error);
                return false;
            }
            uint8_t* out = &picture.rgba[(size_t(frame.Top + row) * size_t(gif->SWidth) + size_t(frame.Left)) * 4];
            for (int x = 0; x < frame.Width; ++x, out += 4) {
                if (line[size_t(x)] >= map->ColorCount) {
                    why = "colour index " + std::to_string(line[size_t(x)]) + " outside the colour map of " +
                          std::to_string(map->ColorCount);
                    return false;
                }
                colourOf(line[size_t(x)], out);
            }
        }
    }
    return true;
}

}  // namespace

bool decodeGif(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why) {
    picture = RgbaPicture();
    // The screen's size, from the header, before giflib allocates anything.
    if (size >= 10 && !sizeAccepted(le16(bytes + 6), le16(bytes + 8))) {
        why = tooLargeReason(le16(bytes + 6), le16(bytes + 8));
        return false;
    }
    GifSource source;
    source.bytes = bytes;
    source.size = size;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, onRead, &error));
    if (!gif) {
        why = giflibReason(error);
        return false;
    }
    if (gif->SWidth <= 0 || gif->SHeight <= 0) {
        why = "screen of " + std::to_string(gif->SWidth) + "x" + std::to_string(gif->SHeight) + " pixels";
        return false;
    }
    int transparent = -1;
    int blocks = 0;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            why = giflibReason(gif->Error);
            return false;
        }
        if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
                why = giflibReason(gif->Error);
                return false;
            }
            if (!readFirstImage(gif.get(), source, transparent, picture, why)) {
                picture = RgbaPicture();
                return false;
            }
            return true;
        }
        if (record != EXTENSION_RECORD_TYPE) {
            why = "no image in the file";
            return false;
        }
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) {
            why = giflibReason(gif->Error);
            return false;
        }
        // The control extension in force is the last one before the image.
        transparent = code == GRAPHICS_EXT_FUNC_CODE ? transparentIndexOf(code, block) : transparent;
        // The extension counts, with its first sub-block or none; then each further sub-block.
        for (bool first = true; first || block != nullptr; first = false) {
            if (++blocks > kMaxExtensionBlocks) {
                why = "more than " + std::to_string(kMaxExtensionBlocks) + " extension blocks before the image";
                return false;
            }
            if (block != nullptr && DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) {
                why = giflibReason(gif->Error);
                return false;
            }
        }
    }
}
