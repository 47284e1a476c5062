// tessaline-heart-gen OUTPUT.lwo [FREQUENCY]
//
// Writes the show's heart object: a smooth heart of 5780 triangles (a
// geodesic sphere of frequency 17) within radius 0.9 of the origin, each
// triangle on three points of its own (17,340 points) so that the show's
// one-normal-per-triangle sphere mapping shades clean facets; one warm red
// surface whose image block shows clip 1, the UV map "texture", and one clip
// whose stored name resolves to data/tessaline/gfx/heart-env.png.
#include <cstdio>   // Required for: fopen, fwrite, fclose, fprintf
#include <cstdlib>  // Required for: strtol
#include <string>

#include "heart_mesh.h"
#include "lwo2_writer.h"

namespace {

// Frequency 17: facets small enough to read as a glossy surface at the
// first scene's closest approach, few enough for seven hearts drawn
// triangle by triangle at well over 60 fps on a software rasteriser.
constexpr long showFrequency = 17;
constexpr long maxFrequency = 64;  // 81,920 triangles: far beyond any use

}  // namespace

int main(int argc, char** argv) {
    // An optional frequency makes the same object at another size, such as
    // the small seed the loader's fuzzer starts from.
    long frequency = showFrequency;
    if (argc == 3) {
        char* end = nullptr;
        frequency = std::strtol(argv[2], &end, 10);
        if (end == argv[2] || *end != '\0' || frequency < 1 || frequency > maxFrequency) {
            frequency = 0;
        }
    }
    if ((argc != 2 && argc != 3) || frequency == 0) {
        std::fprintf(stderr, "usage: tessaline-heart-gen OUTPUT.lwo [FREQUENCY 1-%ld, default %ld]\n",
                     maxFrequency, showFrequency);
        return 2;
    }
    const Mesh shape = makeHeart(static_cast<int32_t>(frequency), 0.9f);
    const Mesh heart = facetted(shape);

    ObjectLook look;
    look.surfaceName = "Heart";
    look.colour = {0.92f, 0.22f, 0.26f};
    look.uvMapName = "texture";
    // Stored form of C:/tessaline/data/tessaline/gfx/heart-env.png; the
    // loader keeps the part from "data/".
    look.imagePath = "C:tessaline/data/tessaline/gfx/heart-env.png";
    const std::vector<uint8_t> bytes = encodeObject(heart, look);

    const std::string path = argv[1];
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "tessaline-heart-gen: cannot write %s\n", partial.c_str());
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "tessaline-heart-gen: cannot write %s\n", path.c_str());
        std::remove(partial.c_str());
        return 1;
    }
    const MeshStats stats = measure(shape);
    std::printf("tessaline-heart-gen: %s: %zu points (%zu corners), %zu triangles, radius %.3f, "
                "smallest angle %.1f deg, %d open edges, %zu bytes\n",
                path.c_str(), heart.points.size(), shape.points.size(), heart.triangles.size(),
                stats.maxRadius, stats.minAngleDeg, stats.openEdges, bytes.size());
    return 0;
}
