#include "render.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

namespace render {
namespace {

constexpr size_t ChunkFrames = 4096;

// Reads up to frameCount frames; stops early only when the song ends.
void readInto(openmpt::module& mod, size_t frameCount, std::vector<float>* out) {
    std::vector<float> chunk(ChunkFrames * Channels);
    size_t done = 0;
    while (done < frameCount) {
        const size_t want = std::min(ChunkFrames, frameCount - done);
        const size_t got = mod.read_interleaved_stereo(RateHz, want, chunk.data());
        if (got == 0) break;
        if (out) out->insert(out->end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got * Channels));
        done += got;
    }
}

void configure(openmpt::module& mod, bool loop) {
    mod.ctl_set_integer("dither", 0);    // no dither: the same module gives the same samples
    mod.set_repeat_count(loop ? -1 : 0);  // -1: loop forever at the restart position
}

}  // namespace

bool renderFrames(const std::vector<uint8_t>& module, size_t frameCount, const Options& options,
                  std::vector<float>& out, std::string& error) {
    out.clear();
    try {
        openmpt::module_ext mod(module);
        configure(mod, options.loop);
        if (options.soloChannel >= 0) {
            auto* interactive = static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
            if (!interactive) {
                error = "libopenmpt: no interactive interface for muting channels";
                return false;
            }
            for (int ch = 0; ch < mod.get_num_channels(); ++ch)
                interactive->set_channel_mute_status(ch, ch != options.soloChannel);
        }
        if (options.order != 0 || options.row != 0) mod.set_position_order_row(options.order, options.row);
        out.reserve(frameCount * Channels);
        readInto(mod, frameCount, &out);
        return true;
    } catch (const std::exception& e) {
        error = std::string("libopenmpt: ") + e.what();
        return false;
    }
}

bool renderLoop(const std::vector<uint8_t>& module, int firstOrder, size_t loopFrames, std::vector<float>& out,
                std::string& error) {
    out.clear();
    try {
        openmpt::module mod(module);
        configure(mod, true);
        mod.set_position_order_row(firstOrder, 0);
        readInto(mod, loopFrames, nullptr);  // first pass: starts from silence, discarded
        out.reserve(loopFrames * Channels);
        readInto(mod, loopFrames, &out);     // second pass: begins with the first pass's tails
        if (out.size() != loopFrames * Channels) {
            error = "libopenmpt: the loop ended early";
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = std::string("libopenmpt: ") + e.what();
        return false;
    }
}

double toDbfs(double linear) { return linear > 1e-10 ? 20.0 * std::log10(linear) : -200.0; }

Level measure(std::span<const float> interleaved) {
    Level level;
    if (interleaved.empty()) return level;
    double sumSquares = 0, peak = 0;
    for (float v : interleaved) {
        sumSquares += static_cast<double>(v) * v;
        peak = std::max(peak, static_cast<double>(std::fabs(v)));
    }
    level.rmsDbfs = toDbfs(std::sqrt(sumSquares / static_cast<double>(interleaved.size())));
    level.peakDbfs = toDbfs(peak);
    return level;
}

}  // namespace render
