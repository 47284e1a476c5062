// tessaline-heart-gen OUTPUT.lwo
//
// Writes the show's heart object: a smooth heart of 1002 points and 2000
// triangles within radius 0.9 of the origin, one warm red surface whose
// image block shows clip 1, the UV map "texture", and one clip whose stored
// name resolves to data/tessaline/gfx/heart-env.png.
#include <cstdio>   // Required for: fopen, fwrite, fclose, fprintf
#include <string>

#include "heart_mesh.h"
#include "lwo2_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaline-heart-gen OUTPUT.lwo\n");
        return 2;
    }
    const Mesh heart = makeHeart(10, 0.9f);

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
    const MeshStats stats = measure(heart);
    std::printf("tessaline-heart-gen: %s: %zu points, %zu triangles, radius %.3f, smallest angle %.1f deg, %zu bytes\n",
                path.c_str(), heart.points.size(), heart.triangles.size(), stats.maxRadius,
                stats.minAngleDeg, bytes.size());
    return 0;
}
