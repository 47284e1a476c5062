#include "app/dev_session.h"

#include "core/demo_config.h"
#include "platform/platform.h"

DevSession::DevSession(const ShowOptions& options)
    : keysEnabled_(options.dev), map_(demoConfig.modulePath), transport_(map_, options.avOffsetMs) {
    collectKeyPresses = keysEnabled_;
    pressedKeys.clear();
}

DevSession::~DevSession() {
    collectKeyPresses = false;
    pressedKeys.clear();
}

void DevSession::beforeFrame() {
    for (const uintptr_t key : pressedKeys) {
        if (key == platform::VK_F1) {
            overlayShown_ = !overlayShown_;
        } else {
            transport_.press(key);
        }
    }
    pressedKeys.clear();
    transport_.beginFrame();
}

void DevSession::afterFrame() {}
