#pragma once
// libopenmpt builds its resampling tables once per process, on the first
// module it opens: tens of milliseconds that would otherwise fall on the
// first sound::loadModule. The tables live in a function-local static, so
// building them is safe while another thread opens a module (that thread
// waits for them).

namespace sound {

// Opens the module at path and drops it, paying that one-time cost on the
// calling thread, which may be any thread: no state of the sound layer or of
// the audio device is touched. Nothing happens when path is null, missing or
// not a module.
void warmModuleLibrary(const char* path);

}  // namespace sound
