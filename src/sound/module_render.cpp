#include "sound/module_render.h"

#include <cstdio>
#include <libopenmpt/libopenmpt.hpp>
#include <ostream>
#include <streambuf>

namespace sound {

bool readWholeFile(const char* path, std::vector<std::byte>& bytes) {
    bytes.clear();
    if (path == nullptr) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::byte block[65536];
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(block, 1, sizeof block, file);
        bytes.insert(bytes.end(), block, block + got);
        if (got < sizeof block) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    return ok;
}

std::unique_ptr<ModuleRenderer> ModuleRenderer::open(const std::vector<std::byte>& bytes,
                                                     int32_t sampleRate, int32_t repeatCount) {
    if (bytes.empty() || sampleRate <= 0) return nullptr;
    try {
        auto log = std::make_unique<ModuleLog>();
        auto module = std::make_unique<openmpt::module>(bytes, log->stream);
        // No dither: rendering is a pure function of the module, so offline
        // renders and test expectations match the live output bit for bit.
        module->ctl_set_integer("dither", 0);
        module->set_repeat_count(repeatCount);
        return std::make_unique<ModuleRenderer>(Private{}, std::move(log), std::move(module), sampleRate);
    } catch (...) {
        // openmpt::exception for a file it cannot load; std::bad_alloc alike.
        return nullptr;
    }
}

ModuleRenderer::ModuleRenderer(Private, std::unique_ptr<ModuleLog> log, std::unique_ptr<openmpt::module> module,
                               int32_t sampleRate)
    : log_(std::move(log)), module_(std::move(module)), sampleRate_(sampleRate) {}

ModuleRenderer::~ModuleRenderer() = default;

int32_t ModuleRenderer::render(int16_t* samples, int32_t frameCount) {
    if (failed_ || frameCount <= 0) return 0;
    try {
        return static_cast<int32_t>(
            module_->read_interleaved_stereo(sampleRate_, static_cast<size_t>(frameCount), samples));
    } catch (...) {
        failed_ = true;
        return 0;
    }
}

ModulePosition ModuleRenderer::position() const {
    return {module_->get_current_order(), module_->get_current_row()};
}

bool ModuleRenderer::setPosition(ModulePosition position) {
    try {
        module_->set_position_order_row(position.order, position.row);
        return true;
    } catch (...) {
        return false;
    }
}

double ModuleRenderer::durationSeconds() const { return module_->get_duration_seconds(); }

}  // namespace sound
