#pragma once
// The audio output device under the sound layer. One implementation per
// platform (platform/sdl, platform/null), chosen at link time like platform.h.
// At most one device is open at a time.
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

// Where the device stands, as one consistent snapshot.
struct AudioDevicePosition {
    int64_t framesRendered = 0;  // frames the callback has filled since the device opened
    int32_t framesBuffered = 0;  // of those, frames not yet played out
    // Since the callback last returned (since the device opened, before the
    // first call): a device that stopped asking for sound shows here.
    int64_t sinceCallbackMicroseconds = 0;
    bool lost = false;  // the backend reports the device gone (unplugged, out of range)
};

// Starts the audio backend; false when there is none (then no device
// opens). Ends it again, closing any device still open. Both on the show's
// thread only, and stopAudio only while no other thread is inside a call
// below: the backend's shared state is torn down under it.
bool startAudio();
void stopAudio();

// Opens the default output device, paused; false when no device can be
// opened (nor before startAudio). May be called on any thread, one call at a
// time with closeAudioDevice: a device may be opened or closed on a worker
// while the show's thread goes on. The device plays exactly sampleRate and channels (converting if the
// hardware differs); bufferFrames is a request, obtained says what was given.
bool openAudioDevice(int32_t sampleRate, int32_t channels, int32_t bufferFrames,
                     AudioCallback callback, void* user, AudioDeviceInfo& obtained);
// While paused the callback is not called.
void pauseAudioDevice(bool paused);
// Stops the callback (it is not running once this returns) and closes the device.
void closeAudioDevice();
// The frame at the speaker is framesRendered - framesBuffered. Where the
// backend gives no exact count, framesBuffered is estimated from the time since
// the last callback. Callable from any thread; zeros when no device is open.
AudioDevicePosition audioDevicePosition();

// Tests: while held, the callback is not called, as when a device stalls.
// The device stays open; releasing lets the callback run again.
void holdAudioCallback(bool held);

}  // namespace platform
