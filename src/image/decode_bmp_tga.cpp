// BMP and TGA, decoded here over the bounds-checked cursor: no library of
// the field decodes both safely, and both are simple. Every size, offset,
// palette index and run is proved against the file and the picture before
// it is used; what cannot be proved is refused. Channels narrower than 8 bits
// are shifted up (5 bits 0x1f -> 0xf8), wider ones keep their top 8 bits,
// as DevIL delivered them.
#include <bit>
#include <cstdlib>
#include <cstring>

#include "image/decoders.h"
#include "loader/byte_reader.h"

namespace {

uint32_t le16(const ByteReader& r, int64_t at) { return r.byteAt(at) | (r.byteAt(at + 1) << 8); }
uint32_t le32(const ByteReader& r, int64_t at) { return le16(r, at) | (le16(r, at + 2) << 16); }

// One channel of a packed pixel, named by its mask.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;  // 0: the channel is absent
};

// False when the mask's bits are not one contiguous run.
bool channelOf(uint32_t mask, Channel& channel) {
    channel = Channel{mask, 0, 0};
    if (mask == 0) return true;
    channel.shift = std::countr_zero(mask);
    channel.bits = std::popcount(mask);
    return (uint64_t{mask} >> channel.shift) == (uint64_t{1} << channel.bits) - 1;
}

uint8_t valueOf(uint32_t pixel, const Channel& channel, uint8_t absent) {
    if (channel.bits == 0) return absent;
    const uint32_t value = (pixel & channel.mask) >> channel.shift;
    return static_cast<uint8_t>(channel.bits >= 8 ? value >> (channel.bits - 8) : value << (8 - channel.bits));
}

void putRgba(uint8_t* out, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = a;
}

std::string indexReason(uint32_t index, size_t colours) {
    return "colour index " + std::to_string(index) + " outside the palette of " + std::to_string(colours);
}

// ---- BMP ------------------------------------------------------------------------------

enum class BmpCompression : uint32_t { rgb = 0, rle8 = 1, rle4 = 2, bitfields = 3 };

struct BmpLayout {
    int64_t width = 0;
    int64_t height = 0;
    bool topDown = false;
    uint32_t bits = 0;
    BmpCompression compression = BmpCompression::rgb;
    int64_t pixelOffset = 0;
    Channel red, green, blue, alpha;   // packed pixels (16 and 32 bits)
    std::vector<uint8_t> palette;      // RGBA, for 1, 4 and 8 bits
};

// Reads and proves the headers and the palette. False with the reason.
bool readBmpLayout(const ByteReader& r, BmpLayout& bmp, std::string& why) {
    const uint32_t headerBytes = le32(r, 14);
    uint32_t coloursUsed = 0;
    int64_t entryBytes = 4;
    bmp.pixelOffset = le32(r, 10);
    if (headerBytes == 12) {  // OS/2 core header: 16-bit sizes, 3-byte palette entries
        bmp.width = le16(r, 18);
        bmp.height = le16(r, 20);
        bmp.bits = le16(r, 24);
        entryBytes = 3;
    } else if (headerBytes == 40 || headerBytes == 52 || headerBytes == 56 || headerBytes == 108 ||
               headerBytes == 124) {
        bmp.width = static_cast<int32_t>(le32(r, 18));
        const auto height = static_cast<int32_t>(le32(r, 22));  // negative: rows stored top down
        bmp.topDown = height < 0;
        bmp.height = std::abs(int64_t{height});
        bmp.bits = le16(r, 28);
        bmp.compression = static_cast<BmpCompression>(le32(r, 30));
        coloursUsed = le32(r, 46);
    } else {
        why = "BMP header of " + std::to_string(headerBytes) + " bytes not supported";
        return false;
    }
    if (bmp.width <= 0 || bmp.height <= 0) {
        why = "picture of " + std::to_string(bmp.width) + "x" + std::to_string(bmp.height) + " pixels";
        return false;
    }
    if (!sizeAccepted(uint64_t(bmp.width), uint64_t(bmp.height))) {
        why = tooLargeReason(uint64_t(bmp.width), uint64_t(bmp.height));
        return false;
    }
    int64_t paletteOffset = 14 + int64_t{headerBytes};
    if (paletteOffset > r.size) {
        why = "BMP header cut short";
        return false;
    }
    const uint32_t bits = bmp.bits;
    const BmpCompression c = bmp.compression;
    const bool known = (c == BmpCompression::rgb && (bits == 1 || bits == 4 || bits == 8 || bits == 16 ||
                                                     bits == 24 || bits == 32)) ||
                       (c == BmpCompression::rle8 && bits == 8 && !bmp.topDown) ||
                       (c == BmpCompression::rle4 && bits == 4 && !bmp.topDown) ||
                       (c == BmpCompression::bitfields && (bits == 16 || bits == 32));
    if (!known) {
        why = "BMP of " + std::to_string(bits) + " bits, compression " + std::to_string(uint32_t(c)) +
              (bmp.topDown ? ", top down" : "") + ": not supported";
        return false;
    }
    uint32_t masks[4] = {0, 0, 0, 0};
    if (c == BmpCompression::bitfields) {
        // After a 40-byte header the three masks follow it; longer headers hold them (and alpha from 56 bytes).
        for (int i = 0; i < (headerBytes >= 56 ? 4 : 3); ++i) masks[i] = le32(r, 54 + 4 * i);
        if (headerBytes == 40) paletteOffset += 12;
        if (paletteOffset > r.size) {
            why = "BMP header cut short";
            return false;
        }
    } else if (bits == 16) {
        masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
    } else if (bits >= 24) {  // alpha in a 32-bit BI_RGB pixel is unused
        masks[0] = 0xff0000, masks[1] = 0x00ff00, masks[2] = 0x0000ff;
    }
    if (!channelOf(masks[0], bmp.red) || !channelOf(masks[1], bmp.green) || !channelOf(masks[2], bmp.blue) ||
        !channelOf(masks[3], bmp.alpha)) {
        why = "BMP channel masks not contiguous";
        return false;
    }
    if (bits <= 8) {
        // The palette lies between the headers and the pixels; a file may hold
        // fewer entries than its depth allows.
        int64_t count = coloursUsed != 0 ? std::min<int64_t>(coloursUsed, int64_t{1} << bits) : int64_t{1} << bits;
        if (bmp.pixelOffset >= paletteOffset) count = std::min(count, (bmp.pixelOffset - paletteOffset) / entryBytes);
        if (count <= 0 || paletteOffset + count * entryBytes > r.size) {
            why = "BMP palette missing or beyond the end of the file";
            return false;
        }
        bmp.palette.resize(size_t(count) * 4);
        for (int64_t i = 0; i < count; ++i) {
            const int64_t at = paletteOffset + i * entryBytes;
            putRgba(&bmp.palette[size_t(i) * 4], r.byteAt(at + 2), r.byteAt(at + 1), r.byteAt(at), 255);
        }
    }
    if (bmp.pixelOffset >= r.size) {
        why = truncatedReason(uint64_t(bmp.width), uint64_t(bmp.height), size_t(r.size));
        return false;
    }
    return true;
}

bool decodeBmpRows(const ByteReader& r, const BmpLayout& bmp, RgbaPicture& picture, std::string& why) {
    const int64_t rowBytes = (bmp.width * bmp.bits + 31) / 32 * 4;
    // The last row may go without its padding.
    if (bmp.pixelOffset + rowBytes * (bmp.height - 1) + (bmp.width * bmp.bits + 7) / 8 > r.size) {
        why = truncatedReason(uint64_t(bmp.width), uint64_t(bmp.height), size_t(r.size));
        return false;
    }
    const size_t colours = bmp.palette.size() / 4;
    for (int64_t y = 0; y < bmp.height; ++y) {
        const int64_t row = bmp.pixelOffset + rowBytes * y;
        uint8_t* out = &picture.rgba[size_t(bmp.topDown ? y : bmp.height - 1 - y) * size_t(bmp.width) * 4];
        for (int64_t x = 0; x < bmp.width; ++x, out += 4) {
            if (bmp.bits <= 8) {
                const int64_t bit = x * bmp.bits;
                const uint32_t index = (r.byteAt(row + bit / 8) >> (8 - bmp.bits - bit % 8)) & ((1u << bmp.bits) - 1);
                if (index >= colours) {
                    why = indexReason(index, colours);
                    return false;
                }
                std::memcpy(out, &bmp.palette[index * 4], 4);
                continue;
            }
            const int64_t at = row + x * (bmp.bits / 8);
            const uint32_t pixel = bmp.bits == 16 ? le16(r, at)
                                   : bmp.bits == 24 ? le16(r, at) | uint32_t{r.byteAt(at + 2)} << 16
                                                    : le32(r, at);
            putRgba(out, valueOf(pixel, bmp.red, 0), valueOf(pixel, bmp.green, 0), valueOf(pixel, bmp.blue, 0),
                    valueOf(pixel, bmp.alpha, 255));
        }
    }
    return true;
}

// RLE8 and RLE4: runs, literal runs, line ends and jumps over a picture whose
// pixels start as palette entry 0 (what DevIL left where runs leave gaps).
// Pixels a run puts past the end of its row or above the picture are
// dropped, as DevIL dropped them; none is ever written outside it. Each step
// reads at least two bytes, so the work is bounded by the file.
bool decodeBmpRle(const ByteReader& r, const BmpLayout& bmp, RgbaPicture& picture, std::string& why) {
    const bool four = bmp.compression == BmpCompression::rle4;
    const size_t colours = bmp.palette.size() / 4;
    for (size_t i = 0; i < picture.rgba.size(); i += 4) std::memcpy(&picture.rgba[i], bmp.palette.data(), 4);
    int64_t x = 0;
    int64_t y = 0;  // from the bottom
    const auto put = [&](uint32_t index) {
        if (index >= colours) {
            why = indexReason(index, colours);
            return false;
        }
        if (x < bmp.width && y < bmp.height) {
            std::memcpy(&picture.rgba[(size_t(bmp.height - 1 - y) * size_t(bmp.width) + size_t(x)) * 4],
                        &bmp.palette[index * 4], 4);
        }
        ++x;
        return true;
    };
    for (int64_t at = bmp.pixelOffset;;) {
        const uint32_t count = r.byteAt(at);
        const uint32_t value = r.byteAt(at + 1);
        // Literal runs take their indices after the pair, padded to an even count.
        const int64_t literalBytes = count == 0 && value > 2 ? (four ? (value + 1) / 2 : value) : 0;
        const int64_t stepBytes = 2 + (count == 0 && value == 2 ? 2 : literalBytes + literalBytes % 2);
        if (at + 2 + (count == 0 && value == 2 ? 2 : literalBytes) > r.size) {
            why = truncatedReason(uint64_t(bmp.width), uint64_t(bmp.height), size_t(r.size));
            return false;
        }
        if (count > 0) {  // count pixels of one index (RLE4: two, alternating)
            for (uint32_t i = 0; i < count; ++i) {
                if (!put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value)) return false;
            }
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            return true;
        } else if (value == 2) {  // jump right and up
            x += r.byteAt(at + 2);
            y += r.byteAt(at + 3);
        } else {
            for (uint32_t i = 0; i < value; ++i) {
                const uint8_t byte = r.byteAt(at + 2 + (four ? i / 2 : i));
                if (!put(four ? (i % 2 == 0 ? byte >> 4 : byte & 15) : byte)) return false;
            }
        }
        at += stepBytes;
    }
}

// ---- TGA ------------------------------------------------------------------------------

// A TGA pixel or colour map entry of 15, 16, 24 or 32 bits to RGBA. A 16-bit
// value carries alpha in its top bit only where the header says it has one
// alpha bit; 15-bit values have none.
void tgaColour(const ByteReader& r, int64_t at, uint32_t depth, bool alphaBit, uint8_t* out) {
    if (depth == 15 || depth == 16) {
        const uint32_t v = le16(r, at);
        const uint8_t alpha = depth == 16 && alphaBit ? ((v & 0x8000) != 0 ? 255 : 0) : 255;
        putRgba(out, uint8_t(((v >> 10) & 31) << 3), uint8_t(((v >> 5) & 31) << 3), uint8_t((v & 31) << 3), alpha);
    } else {
        putRgba(out, r.byteAt(at + 2), r.byteAt(at + 1), r.byteAt(at), depth == 32 ? r.byteAt(at + 3) : 255);
    }
}

}  // namespace

bool decodeBmp(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why) {
    picture = RgbaPicture();
    ByteReader r;
    BmpLayout bmp;
    if (size < 26 || !r.openBytes(bytes, size)) {
        why = "BMP header cut short";
        return false;
    }
    if (!readBmpLayout(r, bmp, why) || !allocatePicture(uint64_t(bmp.width), uint64_t(bmp.height), picture, why)) {
        return false;
    }
    const bool rle = bmp.compression == BmpCompression::rle8 || bmp.compression == BmpCompression::rle4;
    if (!(rle ? decodeBmpRle(r, bmp, picture, why) : decodeBmpRows(r, bmp, picture, why))) {
        picture = RgbaPicture();
        return false;
    }
    return true;
}

bool decodeTga(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why) {
    picture = RgbaPicture();
    ByteReader r;
    if (size < 18 || !r.openBytes(bytes, size)) {
        why = "TGA header cut short";
        return false;
    }
    const uint32_t idBytes = r.byteAt(0);
    const uint32_t mapType = r.byteAt(1);
    const uint32_t type = r.byteAt(2);
    const uint32_t kind = type & 7;  // 1 colour-mapped, 2 true colour, 3 grey
    const bool rle = (type & 8) != 0;
    const uint32_t mapFirst = le16(r, 3);
    const uint32_t mapLength = le16(r, 5);
    const uint32_t mapDepth = r.byteAt(7);
    const uint64_t width = le16(r, 12);
    const uint64_t height = le16(r, 14);
    const uint32_t depth = r.byteAt(16);
    const uint32_t descriptor = r.byteAt(17);
    const bool alphaBit = (descriptor & 15) == 1;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    const bool topDown = (descriptor & 0x20) != 0;
    const bool depthKnown = kind == 1   ? depth == 8
                            : kind == 2 ? (depth == 15 || depth == 16 || depth == 24 || depth == 32)
                                        : (depth == 8 || depth == 16);  // grey, grey + alpha
    if (width == 0 || height == 0) {
        why = "picture of " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
        return false;
    }
    const int64_t mapEntryBytes = (mapDepth + 7) / 8;
    const int64_t mapOffset = 18 + int64_t{idBytes};
    const int64_t mapBytes = mapType == 1 ? int64_t{mapLength} * mapEntryBytes : 0;
    const bool mapDepthKnown = mapDepth == 15 || mapDepth == 16 || mapDepth == 24 || mapDepth == 32;
    // A colour-mapped picture needs a map, and the map must be in the file:
    // DevIL took a length from a map-less TGA and asked for 4 GB.
    if ((kind == 1 && mapType != 1) ||
        (mapType == 1 && (mapLength == 0 || !mapDepthKnown || mapOffset + mapBytes > r.size))) {
        why = "colour map missing or beyond the end of the file";
        return false;
    }
    if ((type & ~0x0Bu) != 0 || kind == 0 || !depthKnown || mapType > 1) {
        why = "TGA of type " + std::to_string(type) + " and " + std::to_string(depth) + " bits: not supported";
        return false;
    }
    const int64_t pixelOffset = mapOffset + mapBytes;
    const int64_t pixelBytes = (depth + 7) / 8;
    const uint64_t pixels = width * height;
    // What the file can describe: uncompressed pixels must be in it whole, and
    // a run-length packet holds at most 128 pixels a byte.
    if ((!rle && pixelOffset + int64_t(pixels) * pixelBytes > r.size) || (rle && pixels > uint64_t{128} * size)) {
        why = truncatedReason(width, height, size);
        return false;
    }
    if (!allocatePicture(width, height, picture, why)) return false;
    std::vector<uint8_t> map;
    if (kind == 1) {
        map.resize(size_t{mapLength} * 4);
        for (uint32_t i = 0; i < mapLength; ++i) tgaColour(r, mapOffset + i * mapEntryBytes, mapDepth, alphaBit, &map[i * 4]);
    }
    // One file pixel at `at` to the picture's pixel `i` (in file order).
    const auto put = [&](int64_t at, uint64_t i) {  // sets why on a refusal
        const uint64_t fileRow = i / width;
        const uint64_t fileColumn = i % width;
        const uint64_t row = topDown ? fileRow : height - 1 - fileRow;
        const uint64_t column = rightToLeft ? width - 1 - fileColumn : fileColumn;
        uint8_t* out = &picture.rgba[(row * width + column) * 4];
        if (kind == 1) {
            const uint32_t index = r.byteAt(at);
            if (index < mapFirst || index - mapFirst >= mapLength) {
                why = "colour index " + std::to_string(index) + " outside the colour map of entries " +
                      std::to_string(mapFirst) + " to " + std::to_string(mapFirst + mapLength - 1);
                return;
            }
            std::memcpy(out, &map[(index - mapFirst) * 4], 4);
        } else if (kind == 3) {
            const uint8_t grey = r.byteAt(at);
            putRgba(out, grey, grey, grey, depth == 16 ? r.byteAt(at + 1) : 255);
        } else {
            tgaColour(r, at, depth, alphaBit, out);
        }
    };
    // Raw pixels one by one; packets of one pixel repeated or of up to 128
    // given, never past the picture's end.
    int64_t at = pixelOffset;
    for (uint64_t i = 0; i < pixels;) {
        uint64_t count = 1;
        bool repeat = false;
        if (rle) {
            const uint32_t packet = r.byteAt(at++);
            count = (packet & 0x7f) + 1u;
            repeat = (packet & 0x80) != 0;
            if (i + count > pixels) why = "TGA run past the end of the picture";
        }
        const int64_t dataBytes = (repeat ? 1 : int64_t(count)) * pixelBytes;
        if (why.empty() && at + dataBytes > r.size) why = truncatedReason(width, height, size);
        for (uint64_t k = 0; why.empty() && k < count; ++k) put(repeat ? at : at + int64_t(k) * pixelBytes, i++);
        if (!why.empty()) {
            picture = RgbaPicture();
            return false;
        }
        at += dataBytes;
    }
    return true;
}
