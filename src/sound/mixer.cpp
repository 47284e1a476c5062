#include "sound/mixer.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace sound {

class Mixer::Guard {
public:
    explicit Guard(Mixer& mixer) : mixer_(mixer) { mixer_.lock(); }
    ~Guard() { mixer_.unlock(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    Mixer& mixer_;
};

void Mixer::lock() {
    while (busy_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
}

bool Mixer::tryLock() {
    for (int spin = 0; spin < 64; ++spin) {
        if (!busy_.exchange(true, std::memory_order_acquire)) return true;
    }
    return false;
}

void Mixer::unlock() { busy_.store(false, std::memory_order_release); }

void Mixer::reset(int32_t channelCount) {
    Guard guard(*this);
    modules_.fill(nullptr);
    channels_.fill(nullptr);
    channelCount_ = std::clamp(channelCount, 0, kMaxChannels);
    framesRendered_.store(0, std::memory_order_release);
}

void Mixer::callback(void* mixer, int16_t* samples, int32_t frameCount) {
    static_cast<Mixer*>(mixer)->render(samples, frameCount);
}

void Mixer::render(int16_t* samples, int32_t frameCount) {
    const int64_t first = framesRendered_.load(std::memory_order_relaxed);
    if (!tryLock()) {
        std::memset(samples, 0, static_cast<size_t>(frameCount) * 2 * sizeof(int16_t));
        framesRendered_.store(first + frameCount, std::memory_order_release);
        return;
    }
    for (int32_t done = 0; done < frameCount;) {
        const int32_t frames = std::min(kMixChunkFrames, frameCount - done);
        std::fill_n(mix_.begin(), frames * 2, 0);
        for (Module* module : modules_) {
            if (module != nullptr) module->mixInto(mix_.data(), frames, first + done);
        }
        for (int32_t c = 0; c < channelCount_; ++c) {
            Stream* stream = channels_[c];
            if (stream != nullptr && !stream->mixInto(mix_.data(), frames)) {
                channels_[c] = nullptr;  // played to its end: the channel is free again
                stream->channel = -1;
            }
        }
        int16_t* out = samples + done * 2;
        for (int32_t i = 0; i < frames * 2; ++i) {
            out[i] = static_cast<int16_t>(std::clamp(mix_[i], -32768, 32767));
        }
        done += frames;
    }
    unlock();
    framesRendered_.store(first + frameCount, std::memory_order_release);
}

bool Mixer::addModule(Module* module) {
    Guard guard(*this);
    if (std::find(modules_.begin(), modules_.end(), module) != modules_.end()) return true;
    auto slot = std::find(modules_.begin(), modules_.end(), nullptr);
    if (slot == modules_.end()) return false;
    *slot = module;
    return true;
}

void Mixer::removeModule(Module* module) {
    Guard guard(*this);
    std::replace(modules_.begin(), modules_.end(), module, static_cast<Module*>(nullptr));
}

int32_t Mixer::playStream(int32_t channel, Stream* stream) {
    Guard guard(*this);
    if (stream->channel >= 0) return stream->channel;  // already playing
    if (channel == FreeChannel) {
        for (int32_t c = 0; c < channelCount_; ++c) {
            if (channels_[c] == nullptr) {
                channel = c;
                break;
            }
        }
        if (channel == FreeChannel) return -1;
    }
    if (channel < 0 || channel >= channelCount_) return -1;
    if (Stream* previous = channels_[channel]) previous->channel = -1;  // replaced
    channels_[channel] = stream;
    stream->channel = channel;
    return channel;
}

void Mixer::removeStream(Stream* stream) {
    Guard guard(*this);
    for (Stream*& slot : channels_) {
        if (slot == stream) slot = nullptr;
    }
    stream->channel = -1;
}

void Mixer::setSyncCallback(Stream* stream, StreamSyncCallback callback, void* user) {
    Guard guard(*this);
    stream->callbackUser.store(user, std::memory_order_release);
    stream->callback.store(callback, std::memory_order_release);
}

}  // namespace sound
