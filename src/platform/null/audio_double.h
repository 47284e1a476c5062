#pragma once
// The null platform's audio device: none by default, so the sound layer takes
// its silent output. Tests can make a simulated device available; it never
// plays on its own: advance() plays frames and refills the way a real device
// does, on the calling thread, so positions are exact and repeatable. Every
// call may come from any thread (one lock over the device).
//
// Model: the device holds up to two buffers of bufferFrames. Whenever it holds
// bufferFrames or fewer, it asks the callback for another bufferFrames.
#include <cstdint>
#include <vector>

#include "platform/audio_device.h"

namespace platform::audio_double {

// Closed, unavailable, buffer size as requested, nothing captured. The
// backend's state (startAudio) is the layer's and stays.
void reset();
// Whether openAudioDevice succeeds.
void setAvailable(bool available);
// The buffer size the device gives, whatever is requested; 0: as requested.
void setBufferFrames(int32_t frames);

bool isOpen();
bool isPaused();
AudioDeviceInfo requested();  // the arguments of the last openAudioDevice
AudioDeviceInfo obtained();

// Plays frameCount frames at the speaker, refilling as it goes. Does nothing
// while closed, paused or removed. While stalled, what is held plays out and
// then silence: frames pass, the callback is not called.
void advance(int64_t frameCount);
// The device stops calling back (a driver that hangs); false resumes it.
void setStalled(bool stalled);
// The device goes away: it reports itself lost, plays nothing and never calls
// back again; it stays open until closed.
void remove();
// While held, openAudioDevice waits (as on a sound server that does not
// answer) until released or reset; after 10 s it gives up and fails.
void holdOpens(bool held);
// Waits (up to timeoutMs) until an openAudioDevice call waits on the hold;
// false on timeout. openHeld: whether one waits now.
bool waitForHeldOpen(int32_t timeoutMs);
bool openHeld();
// How many times openAudioDevice was called on the calling thread.
int32_t openCallsOnThisThread();
// Between startAudio and stopAudio; openAudioDevice fails outside. The
// stopAudio calls made while an open was under way on another thread (the
// backend torn down under it; reset clears the count).
bool backendStarted();
int32_t backendStopsUnderACall();
int64_t framesPlayed();
int32_t callbackCount();

// While capturing, every frame played is kept (interleaved stereo).
void setCapture(bool capture);
const std::vector<int16_t>& captured();

}  // namespace platform::audio_double
