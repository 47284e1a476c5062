// xm-composer: writes the show's music.
//   xm-composer <module.xm> <stream.dat>
// The module is composed and synthesised here; the stream is the module's
// closing theme rendered through libopenmpt as a seamless Ogg Vorbis loop.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ogg_stream.h"
#include "render.h"
#include "tessaline_song.h"
#include "xm_writer.h"

namespace {

constexpr double VorbisQuality = 0.5;

int fail(const std::string& message) {
    std::fprintf(stderr, "xm-composer: %s\n", message.c_str());
    return 1;
}

// Writes beside the target and renames, so a failed run leaves no half file.
bool writeWhole(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    const std::filesystem::path temporary = path.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            error = temporary.string() + ": cannot write";
            return false;
        }
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) error = path.string() + ": cannot replace: " + ec.message();
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return fail("usage: xm-composer <module.xm> <stream.dat>");
    const std::filesystem::path modulePath = argv[1], streamPath = argv[2];

    score::Diagnostics diagnostics;
    const xm::Module module = tessaline::composeSoundtrack(diagnostics);
    if (!diagnostics.ok()) {
        for (const std::string& m : diagnostics.messages()) std::fprintf(stderr, "xm-composer: score: %s\n", m.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!xm::writeModule(module, bytes, error)) return fail(error);
    if (!writeWhole(modulePath, bytes, error)) return fail(error);

    const size_t loopFrames = static_cast<size_t>(
        (tessaline::OrderCount - tessaline::RestartOrder) * tessaline::SecondsPerOrder * render::RateHz + 0.5);
    std::vector<float> loop;
    if (!render::renderLoop(bytes, tessaline::RestartOrder, loopFrames, loop, error)) return fail(error);
    std::error_code ec;
    std::filesystem::create_directories(streamPath.parent_path(), ec);
    const std::string streamTemporary = streamPath.string() + ".part";
    if (!ogg::writeVorbis(streamTemporary, loop, render::Channels, render::RateHz, VorbisQuality, error))
        return fail(error);
    std::filesystem::rename(streamTemporary, streamPath, ec);
    if (ec) return fail(streamPath.string() + ": cannot replace: " + ec.message());

    const render::Level level = render::measure(loop);
    std::printf("xm-composer: %s: %zu bytes, %zu orders, %zu patterns, %zu instruments\n", modulePath.c_str(),
                bytes.size(), module.orders.size(), module.patterns.size(), module.instruments.size());
    std::printf("xm-composer: %s: %zu frames at %d Hz, loop RMS %.1f dBFS, peak %.1f dBFS\n", streamPath.c_str(),
                loopFrames, render::RateHz, level.rmsDbfs, level.peakDbfs);
    return 0;
}
