#pragma once
// Switches that tests use to put the real sound layer into situations a
// machine does not offer on demand. Not for the show. A simulated audio device
// comes with the null platform (platform/null/audio_double.h).
#include <cstdint>

#include "sound/sound.h"

namespace sound::testing {

// The version getVersion reports; restored by resetHooks.
void setReportedVersion(float version);
// false: init does not try the audio device and takes the silent output.
void setDeviceAllowed(bool allowed);
// While on, the silent output and the score clock read a clock that moves
// only through advanceManualClock, instead of the system's steady clock.
void useManualClock(bool manual);
void advanceManualClock(int64_t microseconds);
// Fills every playing stream's buffer now, so what the device plays next does
// not depend on how far the decoder thread has got.
void fillStreamBuffers();
// Closes the layer and restores every switch above, and the score clock.
void resetHooks();

// What init chose, or the silent output after a lost device.
bool usingSilentOutput();
// Whether a device was lost (removed, or silent past the gap bound) and the
// silent output plays until another is taken.
bool deviceLost();
// Waits (up to timeoutMs) until the device worker has no close or attempt
// under way or asked for, so what the next query finds does not depend on
// the worker's speed.
bool waitDeviceAttempt(int32_t timeoutMs);
// Whether a device worker left behind by close is still inside a device
// call, and waiting (up to timeoutMs) until it has ended; resetHooks waits too.
bool deviceWorkerLeftBehind();
bool waitDeviceWorkerEnded(int32_t timeoutMs);
// Waits (up to timeoutMs) until the module's latest jump is prepared for the
// mixer, so what the device plays next does not depend on the worker's speed.
bool waitJumpPrepared(Module* module, int32_t timeoutMs);
// Output frame now at the speaker (what order and row are answered for).
int64_t speakerFrame();
// Output frames mixed so far; a module played now starts at this frame.
int64_t framesRendered();
// The channel a stream plays on, -1 when none.
int32_t streamChannel(const Stream* stream);

}  // namespace sound::testing
