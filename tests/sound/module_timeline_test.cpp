// Modules through the real layer on a simulated device: the order and row
// answered are those of the frame at the speaker, exactly as an offline render
// has them, and the samples played are the offline render's.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <tuple>

#include "sound_fixture.h"
#include "test_paths.h"

namespace {

using sound::ModulePosition;

// The corpus modules: odd structure on purpose (pattern jumps, E6x loops,
// pattern delay, speed 1, an order list that starts elsewhere, a truncated file).
const std::string kCorpusModules[] = {
    "openmpt_test.xm",         "libxmp_test.xm",          "pattern_jump_ft2_break.xm",
    "pattern_loop_mpt.xm",     "set_position_mid_pattdelay.xm", "lxx_after_loop.xm",
    "JUHO_-_Ihana_paiva.xm",
};

// Frames to follow: a little past the song's end (to cross the loop back to
// the restart position), at most 13 s.
int64_t framesToFollow(const std::string& path) {
    sound::OfflineRender probe(path);
    const double seconds = std::min(probe.durationSeconds() + 0.5, 13.0);
    return static_cast<int64_t>(seconds * 44100);
}

class ModuleTimelineTest : public SoundTest,
                           public ::testing::WithParamInterface<std::tuple<std::string, int32_t>> {};

TEST_P(ModuleTimelineTest, AnswersAndSamplesMatchTheOfflineRender) {
    const std::string path = corpusPath("xm/" + std::get<0>(GetParam()));
    const int32_t bufferFrames = std::get<1>(GetParam());
    const int64_t frames = framesToFollow(path);
    const ModuleReference reference = ModuleReference::render(path, frames + 8192);

    openOnDevice(bufferFrames);
    sound::Module* module = sound::loadModule(path.c_str());
    ASSERT_NE(module, nullptr);
    // The device has already taken two buffers of silence; the module starts
    // with the next buffer it asks for.
    const int64_t startFrame = deviceRendered();
    ASSERT_TRUE(sound::playModule(module));

    // Irregular steps, so that queries fall at every phase of the chunks and
    // of the device's buffers.
    const int64_t steps[] = {1, 31, 32, 33, 500, 1023, 64, 4410, 7, 2048};
    int64_t played = platform::audio_double::framesPlayed();
    for (size_t i = 0; played < startFrame + frames; ++i) {
        platform::audio_double::advance(steps[i % std::size(steps)]);
        played = platform::audio_double::framesPlayed();
        ASSERT_EQ(sound::testing::speakerFrame(), played);
        const ModulePosition expected = reference.at(played - startFrame);
        const ModulePosition answered{sound::getOrder(module), sound::getRow(module)};
        ASSERT_EQ(answered, expected) << "at module frame " << played - startFrame;
    }

    const std::vector<int16_t>& heard = platform::audio_double::captured();
    ASSERT_GE(heard.size(), static_cast<size_t>((startFrame + frames) * 2));
    EXPECT_TRUE(std::all_of(heard.begin(), heard.begin() + startFrame * 2, [](int16_t s) { return s == 0; }));
    EXPECT_TRUE(std::equal(heard.begin() + startFrame * 2, heard.begin() + (startFrame + frames) * 2,
                           reference.samples.begin()))
        << "played samples differ from the offline render";
    EXPECT_TRUE(sound::freeModule(module));
}

INSTANTIATE_TEST_SUITE_P(Corpus, ModuleTimelineTest,
                         ::testing::Combine(::testing::ValuesIn(kCorpusModules), ::testing::Values(1024, 333)),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param);
                             name = name.substr(0, name.find('.'));
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name + "_buffer" + std::to_string(std::get<1>(info.param));
                         });

// ---- what the latency compensation buys --------------------------------------------

TEST_F(SoundTest, RowIsNotAnsweredUntilItReachesTheSpeaker) {
    const std::string path = corpusPath("xm/libxmp_test.xm");
    // Rows begin exactly where the one-frame render changes position.
    const ModuleReference exact = ModuleReference::render(path, 44100, 1);
    int64_t secondRowFrame = 0;
    for (size_t f = 1; f < exact.positions.size() && secondRowFrame == 0; ++f) {
        if (!(exact.positions[f] == exact.positions[f - 1])) secondRowFrame = static_cast<int64_t>(f);
    }
    ASSERT_GT(secondRowFrame, 0);

    openOnDevice(4096);  // a large buffer: 93 ms between rendering and hearing
    sound::Module* module = sound::loadModule(path.c_str());
    ASSERT_NE(module, nullptr);
    const int64_t startFrame = deviceRendered();
    ASSERT_TRUE(sound::playModule(module));

    // Just before the second row is heard, the mixer has rendered well past it.
    platform::audio_double::advance(startFrame + secondRowFrame - 40);
    EXPECT_GT(deviceRendered() - startFrame, secondRowFrame + 4000);
    EXPECT_EQ(sound::getRow(module), exact.positions[0].row);
    // Within one chunk of it the new row is answered, and never after it.
    platform::audio_double::advance(40);
    EXPECT_EQ(sound::getRow(module), exact.positions[secondRowFrame].row);
}

TEST_F(SoundTest, ModuleNotYetHeardAnswersItsStart) {
    openOnDevice(2048);
    sound::Module* module = sound::loadModule(corpusPath("xm/lxx_after_loop.xm").c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(sound::getOrder(module), 0);
    EXPECT_EQ(sound::getRow(module), 0);
    ASSERT_TRUE(sound::playModule(module));
    platform::audio_double::advance(100);  // still the silence buffered before it
    EXPECT_EQ(sound::getOrder(module), 0);
    EXPECT_EQ(sound::getRow(module), 0);
}

// ---- transport jumps ----------------------------------------------------------------

// The sound of a module moved to (order, row) before its first frame.
std::vector<int16_t> renderFrom(const std::string& path, ModulePosition position, int64_t frames) {
    std::vector<std::byte> bytes;
    EXPECT_TRUE(sound::readWholeFile(path.c_str(), bytes));
    auto renderer = sound::ModuleRenderer::open(bytes, 44100, -1);
    EXPECT_TRUE(renderer && renderer->setPosition(position));
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
    for (int64_t done = 0; renderer && done < frames;) {
        const int32_t got = renderer->render(samples.data() + done * 2,
                                             static_cast<int32_t>(std::min<int64_t>(sound::kModuleChunkFrames, frames - done)));
        if (got == 0) break;
        done += got;
    }
    return samples;
}

// A jump of a playing module is prepared away from the device and taken at
// the start of the next buffer: from there the device plays the module as
// if started at the target, and the module time runs on from the target.
TEST_F(SoundTest, AJumpIsHeardFromTheNextBufferAsTheModuleFromThere) {
    const std::string path = corpusPath("xm/openmpt_test.xm");
    const ModulePosition target{1, 8};
    const int64_t targetFrame = 123456;  // the caller's count; the layer runs on from it
    openOnDevice(1024);
    sound::Module* module = sound::loadModule(path.c_str());
    ASSERT_TRUE(sound::playModule(module));
    platform::audio_double::advance(5000);
    ASSERT_TRUE(sound::setModulePosition(module, target.order, target.row, targetFrame));
    EXPECT_EQ(sound::moduleFrameAtSpeaker(module), targetFrame) << "taken as heard at once";
    ASSERT_TRUE(sound::testing::waitJumpPrepared(module, 10000));
    // The next buffer the device asks for is the first with the jump; it is
    // heard once what the device holds now has played.
    const int64_t taken = deviceRendered();
    platform::audio_double::advance(taken - platform::audio_double::framesPlayed() + 8000);
    const std::vector<int16_t> expected = renderFrom(path, target, 8000);
    const std::vector<int16_t>& heard = platform::audio_double::captured();
    ASSERT_GE(heard.size(), static_cast<size_t>(taken + 8000) * 2);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), heard.begin() + taken * 2));
    EXPECT_EQ(sound::moduleFrameAtSpeaker(module), targetFrame + platform::audio_double::framesPlayed() - taken);
}

// A module moved before it plays (a reloaded one) starts there: its first
// frame heard is the target's, and until then it answers the target.
TEST_F(SoundTest, AModuleMovedBeforeItPlaysStartsThere) {
    const std::string path = corpusPath("xm/openmpt_test.xm");
    const ModulePosition target{1, 8};
    openOnDevice(512);
    sound::Module* module = sound::loadModule(path.c_str());
    ASSERT_TRUE(sound::setModulePosition(module, target.order, target.row, 4410));
    EXPECT_EQ((ModulePosition{sound::getOrder(module), sound::getRow(module)}), target);
    EXPECT_EQ(sound::moduleFrameAtSpeaker(module), 4410);
    const int64_t startFrame = deviceRendered();
    ASSERT_TRUE(sound::playModule(module));
    platform::audio_double::advance(startFrame + 6000);
    const std::vector<int16_t> expected = renderFrom(path, target, 6000);
    const std::vector<int16_t>& heard = platform::audio_double::captured();
    ASSERT_GE(heard.size(), static_cast<size_t>(startFrame + 6000) * 2);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), heard.begin() + startFrame * 2));
    EXPECT_EQ(sound::moduleFrameAtSpeaker(module), 4410 + 6000);
}

// libopenmpt writes to a module's log from whichever thread uses the module
// (the main thread loads, a jump worker prepares): no two modules, the one a
// worker opens included, may share a stream.
TEST_F(SoundTest, EachModuleLogsToAStreamOfItsOwn) {
    std::vector<std::byte> bytes;
    ASSERT_TRUE(sound::readWholeFile(corpusPath("xm/openmpt_test.xm").c_str(), bytes));
    const auto first = sound::ModuleRenderer::open(bytes, 44100, -1);
    std::unique_ptr<sound::ModuleRenderer> second;
    std::thread worker([&] { second = sound::ModuleRenderer::open(bytes, 44100, -1); });
    worker.join();
    ASSERT_TRUE(first && second);
    EXPECT_NE(&first->logStream(), &second->logStream());
}

// ---- bad input ----------------------------------------------------------------------

TEST_F(SoundTest, FilesThatAreNotModulesAreRefused) {
    openOnDevice(512);
    EXPECT_EQ(sound::loadModule(corpusPath("xm/invalid/load_xm_orders_mismatch.xm").c_str()), nullptr);
    EXPECT_EQ(sound::loadModule(corpusPath("xm/does_not_exist.xm").c_str()), nullptr);
    EXPECT_EQ(sound::loadModule(corpusPath("xm/LICENSE.openmpt.txt").c_str()), nullptr);
    EXPECT_EQ(sound::loadModule(nullptr), nullptr);
    const std::string empty = ::testing::TempDir() + "empty_module.xm";
    std::ofstream(empty, std::ios::binary).close();
    EXPECT_EQ(sound::loadModule(empty.c_str()), nullptr);
}

// Damaged copies of a real module: each one is refused or plays; none may
// crash the layer or make it answer nonsense.
TEST_F(SoundTest, DamagedModulesAreRefusedOrPlayed) {
    std::vector<std::byte> original;
    ASSERT_TRUE(sound::readWholeFile(corpusPath("xm/openmpt_test.xm").c_str(), original));
    std::mt19937 random(20240607);
    openOnDevice(512);
    int played = 0;
    for (int copy = 0; copy < 40; ++copy) {
        std::vector<std::byte> damaged = original;
        if (copy % 4 == 0) {
            damaged.resize(random() % damaged.size());  // cut short
        } else {
            for (int flip = 0; flip < 1 + copy; ++flip) {
                damaged[random() % damaged.size()] = static_cast<std::byte>(random() & 0xFF);
            }
        }
        const std::string path = ::testing::TempDir() + "damaged_" + std::to_string(copy) + ".xm";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
        sound::Module* module = sound::loadModule(path.c_str());
        if (module == nullptr) continue;
        ++played;
        ASSERT_TRUE(sound::playModule(module));
        for (int step = 0; step < 20; ++step) {
            platform::audio_double::advance(1000);
            EXPECT_GE(sound::getOrder(module), 0);
            EXPECT_GE(sound::getRow(module), 0);
        }
        EXPECT_TRUE(sound::freeModule(module));
        std::remove(path.c_str());
    }
    EXPECT_GT(played, 0);
}

}  // namespace
