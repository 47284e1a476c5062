#pragma once
// The audio output device under the sound layer. One implementation per
// platform (platform/sdl, platform/null), chosen at link time like platform.h.
#include <cstdint>

namespace platform {

// Fills frameCount interleaved stereo frames of signed 16-bit samples. Runs
// on the device's own thread: no allocation, no blocking lock.
using AudioCallback = void (*)(void* user, int16_t* samples, int32_t frameCount);

struct AudioDeviceInfo {
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bufferFrames = 0;  // frames the device holds between callbacks
};

// Opens the default output device; false when no device can be opened.
bool openAudioDevice(int32_t sampleRate, int32_t channels, int32_t bufferFrames,
                     AudioCallback callback, void* user, AudioDeviceInfo& obtained);
void pauseAudioDevice(bool paused);
void closeAudioDevice();

}  // namespace platform
