#pragma once
// The sound layer: module and stream playback with the musical position of
// what is heard. Implementations chosen at link time:
//   sound/          the real layer (libopenmpt, libsndfile, platform audio device)
//   sound/double/   a scripted stand-in that records calls (sound_double.h)
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

// Called from the audio thread; returns a truth value.
using StreamSyncCallback = signed char (*)(Stream* stream, void* buffer, int32_t length, void* user);

float getVersion();
bool init(int32_t mixRate, int32_t maxSoftwareChannels, uint32_t flags);
bool setOutput(int32_t outputType);  // accepted, no effect
void close();

Module* loadModule(const char* path);  // null: missing or not a module
bool playModule(Module* module);
bool freeModule(Module* module);
// Position of the sound at the speaker. With no module (null), the silent
// score clock answers: 6 ticks a row at 125 BPM (120 ms a row), 64 rows an
// order, counted from the first query.
int32_t getOrder(Module* module);
int32_t getRow(Module* module);

Stream* openStream(const char* path, uint32_t mode, int32_t size);  // by content
bool setStreamSyncCallback(Stream* stream, StreamSyncCallback callback, void* user);
int32_t playStream(int32_t channel, Stream* stream);  // channel used, -1 on failure
bool closeStream(Stream* stream);

}  // namespace sound
