#pragma once
// Sums the playing modules and streams into the output, one small chunk at a
// time, on the audio thread.
//
// The main thread changes what plays (a handful of pointer stores) under a
// spin lock that the audio thread only ever tries: if it is taken at that
// instant, the audio thread spins a few times and then plays the callback as
// silence rather than wait. No allocation happens on the audio thread.
#include <array>
#include <atomic>
#include <cstdint>

#include "sound/module_voice.h"
#include "sound/stream_voice.h"

namespace sound {

class Mixer {
public:
    static constexpr int32_t kMaxModules = 8;
    static constexpr int32_t kMaxChannels = 64;
    static constexpr int32_t kMixChunkFrames = 64;

    // Main thread, while no audio callback can run.
    void reset(int32_t channelCount);

    // Audio thread (or the silent output's pump): fills frameCount frames.
    void render(int16_t* samples, int32_t frameCount);
    static void callback(void* mixer, int16_t* samples, int32_t frameCount);
    // Frames rendered since reset.
    int64_t framesRendered() const { return framesRendered_.load(std::memory_order_acquire); }

    // Main thread.
    bool addModule(Module* module);
    void removeModule(Module* module);
    // channel -1: the lowest free channel. Returns the channel, -1 when none.
    int32_t playStream(int32_t channel, Stream* stream);
    void removeStream(Stream* stream);
    void setSyncCallback(Stream* stream, StreamSyncCallback callback, void* user);
    int32_t channelCount() const { return channelCount_; }

private:
    class Guard;
    void lock();
    bool tryLock();
    void unlock();

    std::atomic<bool> busy_{false};
    std::array<Module*, kMaxModules> modules_{};
    std::array<Stream*, kMaxChannels> channels_{};
    int32_t channelCount_ = 0;
    std::atomic<int64_t> framesRendered_{0};
    std::array<int32_t, kMixChunkFrames * 2> mix_{};
};

}  // namespace sound
