// tessaline-lwo-info FILE
//
// Loads a LightWave object with the show's own loader and prints what the
// show would draw: points, triangles, surfaces (name, colour, clip), the UV
// map, the clips' texture paths, and every problem the loader met and mended.
// No GL context is needed: the clips' images are not loaded, only named (and
// looked for relative to the working directory, as the show would).
//
// Exit status: 0 loaded (problems or not), 1 not loaded, 2 usage.
#include <sys/stat.h>  // Required for: stat (does a clip's image exist)

#include <cstdio>  // Required for: printf, fprintf
#include <memory>  // Required for: std::unique_ptr

#include "loader/lwob_loader.h"

namespace {

bool fileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void printObject(const LwObject& object, const LoadReport& report) {
    std::printf("points: %d\n", object.pointCount());
    std::printf("triangles: %d (from %d polygons)\n", object.triangleCount(), report.polygonCount);

    std::printf("surfaces: %d\n", object.surfaceCount());
    for (int32_t i = 0; i < object.surfaceCount(); ++i) {
        const Surface& surface = object.surfaces[i];
        std::printf("  %d '%s': colour %.3f %.3f %.3f %.3f, ", i, object.tags[i].name.c_str(),
                    surface.colour[0], surface.colour[1], surface.colour[2], surface.colour[3]);
        if (surface.clipIndex < 0) {
            std::printf("no image (not drawn by the show)");
        } else {
            std::printf("clip %d", surface.clipIndex);
            if (surface.clipIndex == 0 ||
                surface.clipIndex > static_cast<int32_t>(report.clipPaths.size())) {
                std::printf(" (no such clip: clips count from 1)");
            }
        }
        std::printf(", %d triangles\n", object.surfaceTriangles[i].count());
    }

    if (report.uvEntries < 0) {
        std::printf("UV map 'texture': none\n");
    } else {
        std::printf("UV map 'texture': %d entries for %d points\n", report.uvEntries, object.pointCount());
    }
    for (const std::string& name : report.uvMapsPassedOver) {
        std::printf("UV map '%s': passed over (only 'texture' is read)\n", name.c_str());
    }

    std::printf("clips: %zu\n", report.clipPaths.size());
    for (size_t i = 0; i < report.clipPaths.size(); ++i) {
        const std::string& path = report.clipPaths[i];
        if (path.empty()) {
            std::printf("  %zu: (empty path: no image)\n", i + 1);
        } else {
            std::printf("  %zu: %s (%s)\n", i + 1, path.c_str(),
                        fileExists(path) ? "found" : "not found from here");
        }
    }

    if (report.clean()) {
        std::printf("problems: none\n");
        return;
    }
    std::printf("problems: %zu\n", report.notes.size());
    for (const std::string& line : report.notes) std::printf("  %s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaline-lwo-info FILE\n");
        return 2;
    }
    const char* path = argv[1];
    LwobLoader loader;
    if (!loader.openFile(path)) {
        std::fprintf(stderr, "tessaline-lwo-info: %s: cannot be read (the show says \"LWOB not found\")\n",
                     path);
        return 1;
    }
    const bool parsed = loader.parse();
    loader.closeFile();
    std::unique_ptr<LwObject> object(loader.object);
    if (!parsed) {
        std::fprintf(stderr, "tessaline-lwo-info: %s: not an LWO2 object (the show says \"Error reading LWOB\")\n",
                     path);
        return 1;
    }
    std::printf("file: %s\n", path);
    printObject(*object, loader.report);
    return 0;
}
