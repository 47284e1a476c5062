#include "sound/sound.h"

// STUB: replaced by the music work.
namespace sound {
float getVersion() { return 3.33f; }
bool init(int32_t, int32_t, uint32_t) { return true; }
bool setOutput(int32_t) { return true; }
void close() {}
Module* loadModule(const char*) { return nullptr; }
bool playModule(Module*) { return true; }
bool freeModule(Module*) { return true; }
int32_t getOrder(Module*) { return 0; }
int32_t getRow(Module*) { return 0; }
Stream* openStream(const char*, uint32_t, int32_t) { return nullptr; }
bool setStreamSyncCallback(Stream*, StreamSyncCallback, void*) { return true; }
int32_t playStream(int32_t, Stream*) { return -1; }
bool closeStream(Stream*) { return true; }
}  // namespace sound
