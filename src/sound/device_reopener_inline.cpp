// DeviceReopener for a build without threads (the web page): every device
// call is made at once on the caller's thread. There the platform's device
// calls do not wait (a page's audio context opens and closes without asking a
// sound server), so nothing is gained by a worker, and a page cannot start one.
// An attempt hands over a device that has opened; it has not yet called back
// (that would mean waiting), and a device that then never calls back shows as
// a gap in the layer's clock as any stalled device does.
#include "sound/device_reopener.h"

namespace sound {

struct DeviceReopener::Shared {
    DeviceRequest request;
    bool haveRequest = false;
    bool opened = false;  // a device waits to be taken
};

void DeviceReopener::startWorker() {
    if (!shared_) shared_ = std::make_shared<Shared>();
}

void DeviceReopener::handOver(const DeviceRequest& request) {
    startWorker();
    platform::closeAudioDevice();
    shared_->request = request;
    shared_->haveRequest = true;
    attempt();
}

void DeviceReopener::handOverToClose() {
    startWorker();
    platform::closeAudioDevice();
    shared_->haveRequest = false;
}

void DeviceReopener::attempt() {
    if (!shared_ || !shared_->haveRequest || shared_->opened) return;
    const DeviceRequest& next = shared_->request;
    platform::AudioDeviceInfo obtained;
    if (!platform::openAudioDevice(next.sampleRate, 2, next.bufferFrames, next.callback, next.user, obtained)) {
        return;
    }
    platform::pauseAudioDevice(false);
    shared_->opened = true;
}

bool DeviceReopener::take() {
    if (!shared_ || !shared_->opened) return false;
    shared_->opened = false;
    return true;
}

void DeviceReopener::stop() {
    if (!shared_) return;
    if (shared_->opened) platform::closeAudioDevice();
    shared_.reset();
}

bool DeviceReopener::leftBehindBusy() { return false; }
bool DeviceReopener::waitIdle(int32_t) { return true; }
bool DeviceReopener::waitLeftBehind(int32_t) { return true; }

}  // namespace sound
