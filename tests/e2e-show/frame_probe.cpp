// Checks for the end-to-end test of the show, on what it captured.
//
//   frame-probe heart FRAME1 FRAME2   two 640x480 rgb24 screen grabs, taken
//       half a second apart: the heart (red, not the purple backdrop) fills
//       most of the middle in both, the corners show none of it, and the
//       middle moved between the two while the corners stayed.
//   frame-probe black FILE            an rgb24 grab of any size is black
//       throughout (every channel below 16): a letterbox bar.
//   frame-probe sound FILE            raw samples the audio device wrote: not
//       silent (a good share of non-zero bytes, not one value throughout).
//   frame-probe same A B              two rgb24 grabs are the same picture.
//   frame-probe nearer GRAB NEAR FAR  GRAB is near the picture NEAR (mean
//       difference per channel under 8) and nearer it than FAR (all 640x480
//       rgb24): the grab shows what NEAR shows and FAR lacks.
//   frame-probe native FILE WIDTH   an rgb24 grab WIDTH pixels wide drawn in
//       the panel's own pixels, not doubled from half as many: neighbours
//       inside each pair of columns (and of rows) differ about as much as
//       neighbours across pairs (the ratio at least 0.7; a doubled picture
//       has next to no difference inside its pairs).
// Prints what it measured; exit status 0 when the check holds, 1 when not,
// 2 on a missing or short file.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int width = 640;
constexpr int height = 480;

bool readFile(const char* path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "frame-probe: cannot open %s\n", path);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The heart's lit and shaded reds alike: red well above green and blue, and
// blue about level with green. The backdrop's crimsons and purples carry
// blue at two times green and more.
bool heartRed(const uint8_t* p) {
    const int r = p[0];
    const int g = p[1];
    const int b = p[2];
    return r >= 20 && 2 * b <= 3 * g + 6 && 2 * r >= 5 * std::max(g, b);
}

// Share of heart-red pixels in a box (top-left origin).
double heartShare(const std::vector<uint8_t>& f, int x0, int y0, int x1, int y1) {
    int red = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            red += heartRed(&f[(static_cast<size_t>(y) * width + x) * 3]);
        }
    }
    return static_cast<double>(red) / ((x1 - x0) * (y1 - y0));
}

// Share of pixels that changed between two grabs in a box.
double changedShare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int x0, int y0, int x1,
                    int y1) {
    int changed = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const size_t i = (static_cast<size_t>(y) * width + x) * 3;
            int d = 0;
            for (int c = 0; c < 3; ++c) {
                d += a[i + c] > b[i + c] ? a[i + c] - b[i + c] : b[i + c] - a[i + c];
            }
            changed += d > 24;
        }
    }
    return static_cast<double>(changed) / ((x1 - x0) * (y1 - y0));
}

int checkHeart(const char* firstPath, const char* secondPath) {
    std::vector<uint8_t> first;
    std::vector<uint8_t> second;
    const size_t size = static_cast<size_t>(width) * height * 3;
    if (!readFile(firstPath, first) || !readFile(secondPath, second) || first.size() < size ||
        second.size() < size) {
        std::fprintf(stderr, "frame-probe: a grab is missing or shorter than %zu bytes\n", size);
        return 2;
    }
    const double middle1 = heartShare(first, 270, 190, 370, 290);
    const double middle2 = heartShare(second, 270, 190, 370, 290);
    double corners = 0.0;
    for (const auto& f : {first, second}) {
        corners = std::max({corners, heartShare(f, 0, 0, 40, 40), heartShare(f, 600, 0, 640, 40),
                            heartShare(f, 0, 440, 40, 480), heartShare(f, 600, 440, 640, 480)});
    }
    const double moved = changedShare(first, second, 220, 140, 420, 340);
    const double cornersMoved = changedShare(first, second, 0, 0, 40, 40);
    std::printf("heart red in the middle: %.2f, %.2f; in the corners: %.2f; middle changed %.2f, corner %.2f\n",
                middle1, middle2, corners, moved, cornersMoved);
    const bool ok = middle1 >= 0.5 && middle2 >= 0.5 && corners <= 0.05 && moved >= 0.02 && cornersMoved <= 0.05;
    return ok ? 0 : 1;
}

int checkSound(const char* path) {
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes)) {
        return 2;
    }
    if (bytes.size() < 44100) {
        std::fprintf(stderr, "frame-probe: only %zu bytes of sound\n", bytes.size());
        return 2;
    }
    size_t nonZero = 0;
    size_t changes = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        nonZero += bytes[i] != 0;
        changes += i > 0 && bytes[i] != bytes[i - 1];
    }
    const double share = static_cast<double>(nonZero) / bytes.size();
    std::printf("sound: %zu bytes, %.2f non-zero, %zu changes\n", bytes.size(), share, changes);
    return share >= 0.05 && changes >= bytes.size() / 20 ? 0 : 1;
}

int checkBlack(const char* path) {
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes) || bytes.empty()) {
        return 2;
    }
    const uint8_t brightest = *std::max_element(bytes.begin(), bytes.end());
    std::printf("black: brightest channel %d over %zu pixels\n", brightest, bytes.size() / 3);
    return brightest < 16 ? 0 : 1;
}

// Mean absolute difference per channel of two 640x480 rgb24 pictures; -1 on a bad file.
double meanDifference(const char* a, const char* b) {
    std::vector<uint8_t> first, second;
    if (!readFile(a, first) || !readFile(b, second)) return -1.0;
    const size_t size = static_cast<size_t>(width) * height * 3;
    if (first.size() < size || second.size() < size) {
        std::fprintf(stderr, "frame-probe: %s or %s is not a 640x480 rgb24 picture\n", a, b);
        return -1.0;
    }
    double sum = 0.0;
    for (size_t i = 0; i < size; ++i) sum += std::abs(int{first[i]} - int{second[i]});
    return sum / static_cast<double>(size);
}

int checkSame(const char* a, const char* b) {
    const double difference = meanDifference(a, b);
    if (difference < 0.0) return 2;
    std::printf("frame-probe: mean difference %.4f\n", difference);
    return difference == 0.0 ? 0 : 1;
}

int checkNearer(const char* grab, const char* nearPicture, const char* farPicture) {
    const double toNear = meanDifference(grab, nearPicture);
    const double toFar = meanDifference(grab, farPicture);
    if (toNear < 0.0 || toFar < 0.0) return 2;
    std::printf("frame-probe: mean difference %.2f to the near picture, %.2f to the far one\n", toNear, toFar);
    return toNear < 8.0 && toNear < toFar ? 0 : 1;
}

// Mean absolute difference per channel of the neighbours at distance
// `stride` (3 for columns, 3 * width for rows), starting at `first` and at
// every second one after it.
double pairDifference(const std::vector<uint8_t>& f, size_t stride, size_t first, size_t count,
                      size_t linesApart, size_t lines) {
    double sum = 0.0;
    size_t n = 0;
    for (size_t line = 0; line < lines; ++line) {
        for (size_t k = first; k + 1 < count; k += 2) {
            const size_t i = line * linesApart + k * stride;
            for (size_t c = 0; c < 3; ++c) {
                sum += std::abs(int{f[i + c]} - int{f[i + stride + c]});
            }
            n += 3;
        }
    }
    return n > 0 ? sum / static_cast<double>(n) : 0.0;
}

int checkNative(const char* path, const char* widthText) {
    std::vector<uint8_t> f;
    const long w = std::strtol(widthText, nullptr, 10);
    if (!readFile(path, f) || w < 4 || f.size() < static_cast<size_t>(w) * 3 * 4) {
        std::fprintf(stderr, "frame-probe: %s is no rgb24 picture %s pixels wide\n", path, widthText);
        return 2;
    }
    const size_t cols = static_cast<size_t>(w);
    const size_t rows = f.size() / (cols * 3);
    const size_t rowBytes = cols * 3;
    const double insideCols = pairDifference(f, 3, 0, cols, rowBytes, rows);
    const double acrossCols = pairDifference(f, 3, 1, cols, rowBytes, rows);
    const double insideRows = pairDifference(f, rowBytes, 0, rows, 3, cols);
    const double acrossRows = pairDifference(f, rowBytes, 1, rows, 3, cols);
    std::printf("neighbours inside / across pairs: columns %.3f / %.3f, rows %.3f / %.3f\n", insideCols,
                acrossCols, insideRows, acrossRows);
    const bool detailed = acrossCols > 0.05 && acrossRows > 0.05;
    return detailed && insideCols >= 0.7 * acrossCols && insideRows >= 0.7 * acrossRows ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "heart" && argc == 4) {
        return checkHeart(argv[2], argv[3]);
    }
    if (what == "black" && argc == 3) {
        return checkBlack(argv[2]);
    }
    if (what == "sound" && argc == 3) {
        return checkSound(argv[2]);
    }
    if (what == "same" && argc == 4) {
        return checkSame(argv[2], argv[3]);
    }
    if (what == "nearer" && argc == 5) {
        return checkNearer(argv[2], argv[3], argv[4]);
    }
    if (what == "native" && argc == 4) {
        return checkNative(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: frame-probe heart FRAME1.rgb FRAME2.rgb | frame-probe black FILE.rgb | frame-probe sound FILE\n");
    return 2;
}
