// music.dat: libsndfile knows it by its content, it holds exactly one pass of
// the module's closing theme, it loops without a seam, and the sound layer
// plays it round and round.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis.h"
#include "platform/null/audio_double.h"
#include "render.h"
#include "sound/sound.h"
#include "sound/sound_test_hooks.h"
#include "tessaline_song.h"
#include "test_paths.h"

namespace {

const size_t LoopFrames = soundtrack::FramesPerOrder * (tessaline::OrderCount - tessaline::RestartOrder);

// libsndfile over bytes in memory: no file name, so the format can only come
// from the content.
struct MemoryFile {
    const std::vector<uint8_t>* bytes;
    sf_count_t at = 0;
};

SF_VIRTUAL_IO memoryIo() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* u) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(u)->bytes->size()); };
    io.seek = [](sf_count_t offset, int whence, void* u) {
        auto* m = static_cast<MemoryFile*>(u);
        const sf_count_t size = static_cast<sf_count_t>(m->bytes->size());
        const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->at : size;
        m->at = std::clamp<sf_count_t>(base + offset, 0, size);
        return m->at;
    };
    io.read = [](void* ptr, sf_count_t count, void* u) {
        auto* m = static_cast<MemoryFile*>(u);
        const sf_count_t n = std::min<sf_count_t>(count, static_cast<sf_count_t>(m->bytes->size()) - m->at);
        std::memcpy(ptr, m->bytes->data() + m->at, static_cast<size_t>(n));
        m->at += n;
        return n;
    };
    io.write = [](const void*, sf_count_t, void*) { return sf_count_t{0}; };
    io.tell = [](void* u) { return static_cast<MemoryFile*>(u)->at; };
    return io;
}

class MusicDat : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bytes_ = new std::vector<uint8_t>(soundtrack::readFile(path()));
        decoded_ = new std::vector<float>();
        info_ = new SF_INFO{};
        if (bytes_->empty()) return;
        MemoryFile memory{bytes_};
        SF_VIRTUAL_IO io = memoryIo();
        SNDFILE* file = sf_open_virtual(&io, SFM_READ, info_, &memory);
        if (!file) return;
        decoded_->resize(static_cast<size_t>(info_->frames * info_->channels));
        const sf_count_t got = sf_readf_float(file, decoded_->data(), info_->frames);
        decoded_->resize(static_cast<size_t>(got * info_->channels));
        sf_close(file);

        // The module rendered on from order 26 for three passes.
        passes_ = new std::vector<float>();
        const std::vector<uint8_t> module = soundtrack::readFile(buildPath("data/tessaline/music/tessaline.xm"));
        render::Options from26;
        from26.order = tessaline::RestartOrder;
        from26.loop = true;
        std::string error;
        if (!module.empty()) render::renderFrames(module, 3 * LoopFrames, from26, *passes_, error);
    }
    static void TearDownTestSuite() {
        delete bytes_;
        delete decoded_;
        delete info_;
        delete passes_;
    }
    // Pass n (0..2) of the module's closing theme, interleaved stereo.
    static std::span<const float> pass(int n) { return std::span(*passes_).subspan(2 * LoopFrames * n, 2 * LoopFrames); }
    void SetUp() override {
        ASSERT_FALSE(bytes_->empty()) << "the build did not write " << path();
        ASSERT_FALSE(decoded_->empty()) << "libsndfile cannot decode music.dat from its content";
    }
    static std::string path() { return buildPath("data/duskmire/music/music.dat"); }

    static std::vector<uint8_t>* bytes_;
    static std::vector<float>* decoded_;
    static SF_INFO* info_;
    static std::vector<float>* passes_;
};

std::vector<uint8_t>* MusicDat::bytes_ = nullptr;
std::vector<float>* MusicDat::decoded_ = nullptr;
SF_INFO* MusicDat::info_ = nullptr;
std::vector<float>* MusicDat::passes_ = nullptr;

// Signal to difference ratio of `actual` against `reference`, in dB.
double snrDb(std::span<const float> reference, std::span<const float> actual) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        signal += static_cast<double>(reference[i]) * reference[i];
        const double d = static_cast<double>(actual[i]) - reference[i];
        noise += d * d;
    }
    return 10 * std::log10(signal / (noise + 1e-30));
}

TEST_F(MusicDat, IsOggVorbisOfOneClosingThemePass) {
    EXPECT_EQ(info_->format & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);
    EXPECT_EQ(info_->format & SF_FORMAT_SUBMASK, SF_FORMAT_VORBIS);
    EXPECT_EQ(info_->samplerate, 44100);
    EXPECT_EQ(info_->channels, 2);
    EXPECT_EQ(static_cast<size_t>(info_->frames), LoopFrames);  // 6 orders of 7.68 s: 46.08 s
    EXPECT_EQ(decoded_->size(), 2 * LoopFrames);
}

TEST_F(MusicDat, HoldsTheModulesClosingThemeAsItSoundsWhenLooping) {
    ASSERT_EQ(passes_->size(), 6 * LoopFrames);
    // From the second pass on the closing theme repeats itself (to far below
    // a 16-bit step), so one pass after the first is the true loop.
    float largest = 0;
    for (size_t i = 0; i < 2 * LoopFrames; ++i) largest = std::max(largest, std::fabs(pass(1)[i] - pass(2)[i]));
    EXPECT_LT(largest, 1e-5f);
    // The stream is that pass through a lossy coder: the difference stays
    // far below the music.
    EXPECT_GT(snrDb(pass(1), *decoded_), 20.0) << "music.dat is not the closing theme";
    const render::Level level = render::measure(*decoded_);
    EXPECT_LT(level.peakDbfs, -1.0);
    EXPECT_GT(level.rmsDbfs, -35.0);
    // Mastered with the module: as loud as the closing theme it holds, and
    // the coder's overshoot stays below full scale.
    const soundtrack::Loudness stream = soundtrack::loudnessOf(*decoded_);
    EXPECT_NEAR(stream.integratedLufs, soundtrack::loudnessOf(pass(1)).integratedLufs, 0.5);
    EXPECT_NEAR(stream.integratedLufs, -14.0, 1.5);
    EXPECT_LT(stream.truePeakDbtp, -1.0);
}

TEST_F(MusicDat, LoopsWithoutASeam) {
    ASSERT_EQ(passes_->size(), 6 * LoopFrames);
    const std::vector<float>& d = *decoded_;
    const size_t frames = d.size() / 2, w = 4410;  // 100 ms either side
    // The stream's end followed by its start sounds like the module playing
    // on through its loop point.
    std::vector<float> played, seam;
    played.insert(played.end(), d.end() - 2 * w, d.end());
    played.insert(played.end(), d.begin(), d.begin() + 2 * w);
    seam.insert(seam.end(), pass(1).end() - 2 * w, pass(1).end());
    seam.insert(seam.end(), pass(2).begin(), pass(2).begin() + 2 * w);
    EXPECT_GT(snrDb(seam, played), 20.0);
    // The step from the last frame back to the first is an ordinary step.
    std::vector<float> steps;
    for (size_t i = 1; i < frames; ++i)
        for (int c = 0; c < 2; ++c) steps.push_back(std::fabs(d[2 * i + c] - d[2 * (i - 1) + c]));
    std::nth_element(steps.begin(), steps.begin() + steps.size() * 999 / 1000, steps.end());
    const float usual = steps[steps.size() * 999 / 1000];
    for (int c = 0; c < 2; ++c) EXPECT_LE(std::fabs(d[c] - d[2 * (frames - 1) + c]), usual) << "channel " << c;
}

// ---- through the sound layer --------------------------------------------------------------

signed char countLoops(sound::Stream*, void*, int32_t, void* user) {
    ++*static_cast<int*>(user);
    return 1;
}

TEST_F(MusicDat, TheSoundLayerOpensItByContentAndPlaysItRound) {
    sound::testing::resetHooks();
    platform::audio_double::reset();
    platform::audio_double::setAvailable(true);
    platform::audio_double::setBufferFrames(1024);
    platform::audio_double::setCapture(true);
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    ASSERT_FALSE(sound::testing::usingSilentOutput());

    constexpr uint32_t showMode = sound::StreamLoopNormal | sound::Stream16Bits | sound::StreamStereo;
    sound::Stream* stream = sound::openStream(path().c_str(), showMode, 0);
    ASSERT_NE(stream, nullptr);
    int loops = 0;
    ASSERT_TRUE(sound::setStreamSyncCallback(stream, countLoops, &loops));
    const int64_t start = platform::audioDevicePosition().framesRendered;
    ASSERT_GE(sound::playStream(sound::FreeChannel, stream), 0);
    const int64_t total = start + static_cast<int64_t>(LoopFrames) + 44100;
    for (int64_t left = total; left > 0; left -= 8192) {
        sound::testing::fillStreamBuffers();
        platform::audio_double::advance(std::min<int64_t>(left, 8192));
    }
    const std::vector<int16_t>& heard = platform::audio_double::captured();
    ASSERT_GE(heard.size(), static_cast<size_t>(2 * total));

    // What is heard on both sides of the loop point is the file's end and then
    // its start again, as libsndfile decodes it to 16 bits for the layer
    // (float sources at their own level, clipped at full scale).
    SF_INFO info{};
    SNDFILE* file = sf_open(path().c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<int16_t> shorts(2 * LoopFrames);
    ASSERT_EQ(sf_readf_short(file, shorts.data(), static_cast<sf_count_t>(LoopFrames)), static_cast<sf_count_t>(LoopFrames));
    sf_close(file);
    auto expected = [&](size_t fileFrame, int c) { return shorts[2 * fileFrame + c]; };
    int worst = 0;
    for (int64_t f = -2000; f < 2000; ++f) {
        const size_t fileFrame = f < 0 ? LoopFrames + f : static_cast<size_t>(f);
        const size_t heardFrame = static_cast<size_t>(start + static_cast<int64_t>(LoopFrames) + f);
        for (int c = 0; c < 2; ++c)
            worst = std::max(worst, static_cast<int>(std::abs(heard[2 * heardFrame + c] - expected(fileFrame, c))));
    }
    EXPECT_LE(worst, 2) << "largest difference, in 16-bit steps, around the loop point";
    EXPECT_EQ(loops, 1);
    EXPECT_TRUE(sound::closeStream(stream));
    sound::testing::resetHooks();
    platform::audio_double::reset();
}

}  // namespace
