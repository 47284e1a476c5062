#pragma once
// Rendering of a tracker module through libopenmpt, with the one set of
// settings that both the live player and the offline renderer use, so that
// what is heard and what is rendered offline are the same samples.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace openmpt {
class module;
}

namespace sound {

struct ModulePosition {
    int32_t order = 0;
    int32_t row = 0;
    bool operator==(const ModulePosition&) const = default;
};

// Modules are rendered in chunks of this many frames, counted from the
// module's first frame. After each chunk the module's position is taken and
// stands for the whole chunk, so a row is reported at most 31 frames (0.7 ms at
// 44.1 kHz) before it is heard, and never after.
constexpr int32_t kModuleChunkFrames = 32;

// Drops whatever is written to it: libopenmpt reports loader warnings
// (truncated files and the like) to a log stream, and the show has nowhere to
// show them. A std::ostream is not safe to share between threads, and
// libopenmpt writes to a module's stream for as long as the module lives, from
// whichever thread uses it: each module gets a stream of its own over one.
class DiscardBuffer : public std::streambuf {
protected:
    int_type overflow(int_type ch) override { return traits_type::not_eof(ch); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// One module's log: what libopenmpt is given, alive as long as the module.
struct ModuleLog {
    DiscardBuffer buffer;
    std::ostream stream{&buffer};
};

// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(const char* path, std::vector<std::byte>& bytes);

class ModuleRenderer {
    struct Private {};  // only open() constructs

public:
    // Null when the bytes are not a module libopenmpt can play. repeatCount:
    // -1 loops for ever, 0 plays the song once, n plays it n + 1 times.
    static std::unique_ptr<ModuleRenderer> open(const std::vector<std::byte>& bytes,
                                                int32_t sampleRate, int32_t repeatCount);
    ModuleRenderer(Private, std::unique_ptr<ModuleLog> log, std::unique_ptr<openmpt::module> module,
                   int32_t sampleRate);
    ~ModuleRenderer();
    ModuleRenderer(const ModuleRenderer&) = delete;
    ModuleRenderer& operator=(const ModuleRenderer&) = delete;

    // Renders up to frameCount frames (interleaved stereo, signed 16-bit) and
    // returns how many; 0 once the song has ended or rendering failed. No
    // allocation on this path.
    int32_t render(int16_t* samples, int32_t frameCount);
    // The position after the frames rendered so far.
    ModulePosition position() const;
    // Jumps to (order, row); false when libopenmpt refuses.
    bool setPosition(ModulePosition position);
    double durationSeconds() const;
    int32_t sampleRate() const { return sampleRate_; }
    // The stream this module's messages go to (its own, never another's).
    const std::ostream& logStream() const { return log_->stream; }

private:
    std::unique_ptr<ModuleLog> log_;  // before module_: outlives it
    std::unique_ptr<openmpt::module> module_;
    int32_t sampleRate_;
    bool failed_ = false;
};

}  // namespace sound
