#include "platform/audio_device.h"

// STUB: replaced by the music work.
namespace platform {
bool openAudioDevice(int32_t, int32_t, int32_t, AudioCallback, void*, AudioDeviceInfo&) { return false; }
void pauseAudioDevice(bool) {}
void closeAudioDevice() {}
}  // namespace platform
