#pragma once
// Common set-up for tests of the real sound layer: every test starts with the
// layer closed, every switch at its default and no audio device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/null/audio_double.h"
#include "sound/offline_render.h"
#include "sound/sound.h"
#include "sound/sound_test_hooks.h"

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound::testing::resetHooks();
        platform::audio_double::reset();
    }
    void TearDown() override {
        sound::testing::resetHooks();
        platform::audio_double::reset();
    }

    // Opens the layer on a simulated device that holds up to two buffers of
    // bufferFrames; captures what the device plays.
    static void openOnDevice(int32_t bufferFrames) {
        platform::audio_double::setAvailable(true);
        platform::audio_double::setBufferFrames(bufferFrames);
        platform::audio_double::setCapture(true);
        ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
        ASSERT_FALSE(sound::testing::usingSilentOutput());
    }
    // Frames the device has asked the layer for so far.
    static int64_t deviceRendered() { return platform::audioDevicePosition().framesRendered; }
};

// A module rendered offline, looping as the player's modules do.
struct ModuleReference {
    std::vector<int16_t> samples;
    std::vector<sound::ModulePosition> positions;
    sound::ModulePosition start;

    static ModuleReference render(const std::string& path, int64_t frames,
                                  int32_t chunkFrames = sound::kModuleChunkFrames) {
        ModuleReference reference;
        sound::OfflineRender offline(path, -1, chunkFrames);
        EXPECT_TRUE(offline.ok()) << path;
        reference.start = offline.startPosition();
        offline.render(frames, reference.samples, reference.positions);
        return reference;
    }
    // The position heard at a module frame (negative: not started yet).
    sound::ModulePosition at(int64_t moduleFrame) const {
        return moduleFrame < 0 ? start : positions.at(static_cast<size_t>(moduleFrame));
    }
};
