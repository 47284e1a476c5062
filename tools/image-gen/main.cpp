// image-gen: draws the show's pictures and writes them as PNG files.
//   image-gen <output directory> [font directory]
//   image-gen --overlay-font <output file> [font directory]
//   image-gen --icon <size in pixels> <output file>
// The build runs it into <build>/data/tessaline/gfx, and the second form
// for the developer overlay's glyph atlas into <build>/data/vexel; the same
// fonts give the same bytes on every run.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "app_icon.h"
#include "overlay_font.h"
#include "png_writer.h"
#include "show_images.h"

namespace {

// Writes one picture to outputFile, making its folder first. 0, or 1 with a
// line on stderr saying why.
int writePictureFile(const std::filesystem::path& outputFile, const Rgba8Image& picture, const char* title) {
    std::error_code error;
    std::filesystem::create_directories(outputFile.parent_path(), error);
    if (error) {
        std::fprintf(stderr, "image-gen: cannot create '%s': %s\n", outputFile.parent_path().c_str(),
                     error.message().c_str());
        return 1;
    }
    std::string writeError;
    if (!writePng(outputFile.string(), picture, title, &writeError)) {
        std::fprintf(stderr, "image-gen: %s\n", writeError.c_str());
        return 1;
    }
    return 0;
}

int writeOverlayFont(const std::filesystem::path& outputFile, const char* fontDir) {
    std::string fontError;
    const Rgba8Image atlas = overlayFontAtlas(fontDir, &fontError);
    if (atlas.width == 0) {
        std::fprintf(stderr, "image-gen: %s\n", fontError.c_str());
        return 1;
    }
    return writePictureFile(outputFile, atlas, "Developer overlay glyphs");
}

int writeIcon(const char* sizeText, const std::filesystem::path& outputFile) {
    char* end = nullptr;
    const long sizePx = std::strtol(sizeText, &end, 10);
    if (end == sizeText || *end != '\0' || sizePx < 16 || sizePx > 1024) {
        std::fprintf(stderr, "image-gen: --icon: '%s' is not a size from 16 to 1024 pixels\n", sizeText);
        return 2;
    }
    return writePictureFile(outputFile, appIcon(static_cast<int32_t>(sizePx)), "tessaline");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--icon") {
        return writeIcon(argv[2], argv[3]);
    }
    const bool overlayFont = argc >= 2 && std::string(argv[1]) == "--overlay-font";
    const int first = overlayFont ? 2 : 1;  // the output argument
    if (argc < first + 1 || argc > first + 2) {
        std::fprintf(stderr, "usage: %s <output directory> [font directory]\n"
                             "       %s --overlay-font <output file> [font directory]\n"
                             "       %s --icon <size in pixels> <output file>\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }
    if (overlayFont) {
        return writeOverlayFont(argv[first], argc == first + 2 ? argv[first + 1] : defaultFontDir);
    }
    const std::filesystem::path outputDir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(outputDir, error);
    if (error) {
        std::fprintf(stderr, "image-gen: cannot create '%s': %s\n", outputDir.c_str(), error.message().c_str());
        return 1;
    }
    ShowImages images(argc == 3 ? argv[2] : defaultFontDir);
    if (!images.ok()) {
        std::fprintf(stderr, "image-gen: %s\n", images.error().c_str());
        return 1;
    }
    for (const NamedPicture& picture : images.all()) {
        const std::string path = (outputDir / picture.fileName).string();
        std::string writeError;
        if (!writePng(path, picture.image, picture.title, &writeError)) {
            std::fprintf(stderr, "image-gen: %s\n", writeError.c_str());
            return 1;
        }
    }
    return 0;
}
