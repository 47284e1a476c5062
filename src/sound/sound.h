#pragma once
// The sound layer: module and stream playback with the musical position of
// what is heard. Implementations chosen at link time:
//   sound/          the real layer (libopenmpt, libsndfile, platform audio device)
//   sound/double/   the test double: records calls, answers from a script (sound_double.h)
#include <cstdint>

namespace sound {

struct Module;  // a loaded tracker module
struct Stream;  // an opened streamed file

// Stream mode bits (as the show passes them).
constexpr uint32_t StreamLoopNormal = 0x02;
constexpr uint32_t Stream16Bits = 0x10;
constexpr uint32_t StreamStereo = 0x40;
constexpr uint32_t InitGlobalFocus = 0x02;
constexpr int32_t FreeChannel = -1;

// Called on the audio thread each time a playing stream passes its loop point
// (or its end), with buffer null and length 0; the result is not used.
using StreamSyncCallback = signed char (*)(Stream* stream, void* buffer, int32_t length, void* user);

// Every call below is made on one thread, the main thread.

float getVersion();  // this layer: 3.40
// Opens the audio device (mixRate, stereo, signed 16-bit). Where none opens,
// a silent output takes its place that keeps time like a device, and init
// still succeeds. False only for a rate outside 8000..192000 Hz or a negative
// channel count. Once initialised, further calls succeed and change nothing.
// A device whose callback stops for a while (a suspend, a debugger, the audio
// server moving the stream) keeps the music: the position heard stands still
// through the gap and goes on with the sound when the callbacks come back.
// A gap longer than a few seconds, or a device reported removed, is noticed
// at the next position query or play call and loses the device: the silent
// output takes over from the frame last heard and keeps real time, and the
// default device is tried again, away from the calling thread, at once and
// then about once a second; when one opens and plays, the music goes on
// there from the position reached. No call here waits for a device.
bool init(int32_t mixRate, int32_t maxSoftwareChannels, uint32_t flags);
bool setOutput(int32_t outputType);  // accepted, no effect
// Stops the output and frees every module and stream still loaded. Waits
// for no device: a device that does not answer (an open or a close left
// hanging by the sound server) is closed away from the calling thread once
// it does; an init before then plays its run on the silent output.
void close();

// Null: missing, unreadable or not a module libopenmpt plays. Modules loop
// for ever once played.
Module* loadModule(const char* path);
bool playModule(Module* module);  // false before init or for an unknown handle
bool freeModule(Module* module);   // stops it if playing
// Position of the sound at the speaker: of the frame being heard, not the
// one being mixed. A module not yet heard answers its start (or the position
// it was moved to before it played). With no module (null), the silent score
// clock answers: 6 ticks a row at 125 BPM (120 ms a row), 64 rows an order,
// counted from the first query and restarted by close. -1 for a handle the
// layer does not know (freed).
int32_t getOrder(Module* module);
int32_t getRow(Module* module);
// The score clock's row, in microseconds and in sample frames at 44.1 kHz.
constexpr int64_t ScoreRowMicroseconds = 120000;
constexpr int64_t ScoreRowFrames = 5292;
constexpr int32_t ScoreRowsPerOrder = 64;

// The format is found from the content, whatever the file is called. Only
// StreamLoopNormal in mode changes anything; size > 0 reads only the file's
// first size bytes, 0 the whole file. Null when the file is missing or not
// a sound file libsndfile reads.
Stream* openStream(const char* path, uint32_t mode, int32_t size);
bool setStreamSyncCallback(Stream* stream, StreamSyncCallback callback, void* user);
// channel FreeChannel: the lowest free one of maxSoftwareChannels. Returns the
// channel used, -1 on failure (before init, no free channel, null stream).
// A stream that is already playing keeps its channel.
int32_t playStream(int32_t channel, Stream* stream);
bool closeStream(Stream* stream);

// Why the last loadModule or openStream returned null: the OS's reason for a
// file that cannot be read, else the decoding library's. Empty after a success.
const char* lastLoadError();

// ---- developer transport: the show without --dev or an A/V offset never
// calls these, and nothing above changes with them --------------------------
// A module's own time is counted in sample frames at the mix rate from its
// first frame, as if played from the start without a pause.
//
// With no module (null) the three act on the score clock, whose time is
// counted in sample frames at the mix rate (44.1 kHz before init).
//
// Paused, the module stops where it is and silence is heard; false for an
// unknown handle.
bool setModulePaused(Module* module, bool paused);
// Moves the module to (order, row), whose first frame of module time the
// caller knows (moduleFrame). Until the jump is heard (after what the device
// has buffered) the speaker is taken to be there already. The new position is
// prepared away from the audio thread (a few milliseconds later on a playing
// module); a module not yet played is moved at once and starts there. The
// score clock goes to moduleFrame.
bool setModulePosition(Module* module, int32_t order, int32_t row, int64_t moduleFrame);
// The module time of the frame at the speaker; stands still while paused.
// -1 for an unknown handle. With no module (null), the score clock's time.
int64_t moduleFrameAtSpeaker(Module* module);

}  // namespace sound
