// image-gen: draws the show's pictures and writes them as PNG files.
//   image-gen <output directory> [font directory]
// The build runs it into <build>/data/tessaline/gfx; the same fonts give
// the same bytes on every run.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "png_writer.h"
#include "show_images.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <output directory> [font directory]\n", argv[0]);
        return 2;
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
