#pragma once
// The sound layer's test double: it records every call, in order,
// as text, and answers from a script. Tests link it instead of the real layer
// (vexel_add_test ... SOUND double).
//
// Calls are recorded as "name(arg,arg)", handles as "module1", "stream1", ...
// in order of creation, null handles as "null", mode bits in hex:
//   getVersion()  init(44100,32,0x2)  setOutput(2)  close()
//   loadModule(data/x.xm)  playModule(module1)  freeModule(module1)
//   getOrder(module1)  getRow(null)
//   openStream(data/y.dat,0x52,0)  setStreamSyncCallback(stream1,callback,0)
//   playStream(-1,stream1)  closeStream(stream1)
// The callback argument is "callback" or "null"; the user value is printed
// as a number.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sound/sound.h"

namespace sound_double {

struct Script {
    float version = 3.33f;
    bool initSucceeds = true;
    bool loadSucceeds = true;        // loadModule gives a handle
    bool openStreamSucceeds = true;  // openStream gives a handle
    bool playModuleResult = true;
    int32_t playStreamChannel = 0;   // what playStream answers
    // Answers of getRow and getOrder, one per call, in order; when a queue
    // runs dry its last answer repeats (0 if it never had one).
    std::deque<int32_t> rows;
    std::deque<int32_t> orders;
    // What moduleFrameAtSpeaker answers (module time at the speaker).
    int64_t moduleFrame = 0;
};

// The script the next calls answer from; edit it freely.
Script& script();
// Every call since the last reset.
const std::vector<std::string>& calls();
// Only the calls whose name is one of names (handy to leave out queries).
std::vector<std::string> callsNamed(const std::vector<std::string>& names);
// Forgets the calls, restores the default script, restarts handle numbering.
void reset();

// The last callback and user value handed to setStreamSyncCallback.
sound::StreamSyncCallback lastSyncCallback();
void* lastSyncUser();

}  // namespace sound_double
