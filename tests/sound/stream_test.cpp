// Streams through the real layer on a simulated device. The files are written
// here with libsndfile in each format, under a name that says nothing of the
// format ("*.dat"), and what the device plays is compared with libsndfile's
// own decoding of the same file.
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <thread>

#include "sound_fixture.h"
#include "test_paths.h"

namespace {

constexpr uint32_t kShowMode = sound::StreamLoopNormal | sound::Stream16Bits | sound::StreamStereo;

bool majorFormatAvailable(int major) {
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
        if (info.format == major) return true;
    }
    return false;
}

// Writes frameCount frames of two sines (left 441 Hz, right 882 Hz), or one
// for mono, and returns whether libsndfile could.
bool writeTone(const std::string& path, int format, int sampleRate, int channels, int frameCount,
               double frequency = 441.0) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    if (!sf_format_check(&info)) return false;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    std::vector<int16_t> samples(static_cast<size_t>(frameCount) * channels);
    for (int f = 0; f < frameCount; ++f) {
        for (int c = 0; c < channels; ++c) {
            const double t = static_cast<double>(f) / sampleRate;
            samples[static_cast<size_t>(f) * channels + c] =
                static_cast<int16_t>(std::lround(9000.0 * std::sin(2 * M_PI * frequency * (c + 1) * t)));
        }
    }
    const sf_count_t written = sf_writef_short(file, samples.data(), frameCount);
    sf_close(file);
    return written == frameCount;
}

// libsndfile's decoding of a whole file as stereo (mono doubled), read the
// way the layer reads it.
std::vector<int16_t> decodeStereo(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    if (file == nullptr) return {};
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<int16_t> block(1024 * static_cast<size_t>(info.channels));
    std::vector<int16_t> stereo;
    for (sf_count_t got; (got = sf_readf_short(file, block.data(), 1024)) > 0;) {
        for (sf_count_t f = 0; f < got; ++f) {
            stereo.push_back(block[f * info.channels]);
            stereo.push_back(block[f * info.channels + (info.channels > 1 ? 1 : 0)]);
        }
    }
    sf_close(file);
    return stereo;
}

std::atomic<int> syncCalls{0};
std::atomic<sound::Stream*> syncStream{nullptr};
std::atomic<void*> syncUser{nullptr};
std::atomic<std::thread::id> syncThread{};

signed char countSync(sound::Stream* stream, void* /*buffer*/, int32_t /*length*/, void* user) {
    syncCalls.fetch_add(1);
    syncStream.store(stream);
    syncUser.store(user);
    syncThread.store(std::this_thread::get_id());
    return 1;
}

class StreamTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        syncCalls = 0;
        syncStream = nullptr;
        syncUser = nullptr;
    }

    std::string tempFile(const std::string& name) { return ::testing::TempDir() + name; }

    // Plays the file from the next device buffer on; returns the frame it starts at.
    int64_t play(sound::Stream* stream) {
        const int64_t start = deviceRendered();
        EXPECT_GE(sound::playStream(sound::FreeChannel, stream), 0);
        return start;
    }

    // Plays frameCount more frames, keeping the stream's buffer full so that
    // what is heard does not depend on the decoder thread's pace.
    static void advance(int64_t frameCount) {
        while (frameCount > 0) {
            sound::testing::fillStreamBuffers();
            const int64_t step = std::min<int64_t>(frameCount, 8192);
            platform::audio_double::advance(step);
            frameCount -= step;
        }
    }

    // Heard samples of frames [from, from + count).
    static std::vector<int16_t> heard(int64_t from, int64_t count) {
        const auto& all = platform::audio_double::captured();
        EXPECT_GE(all.size(), static_cast<size_t>((from + count) * 2));
        return {all.begin() + from * 2, all.begin() + (from + count) * 2};
    }
};

// ---- each format, looping, named .dat --------------------------------------------------

struct FormatCase {
    const char* name;
    int major;
    int format;
};

void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.name; }

class StreamFormatTest : public StreamTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(StreamFormatTest, LoopsTheDecodedFileSampleForSample) {
    const FormatCase& c = GetParam();
    if (!majorFormatAvailable(c.major)) GTEST_SKIP() << c.name << " is not supported by this libsndfile";
    const std::string path = tempFile(std::string("tone_") + c.name + ".dat");
    ASSERT_TRUE(writeTone(path, c.format, 44100, 2, 9000)) << c.name;
    const std::vector<int16_t> pass = decodeStereo(path);
    const int64_t passFrames = static_cast<int64_t>(pass.size() / 2);
    ASSERT_GT(passFrames, 0);

    openOnDevice(512);
    sound::Stream* stream = sound::openStream(path.c_str(), kShowMode, 0);
    ASSERT_NE(stream, nullptr) << c.name;
    ASSERT_TRUE(sound::setStreamSyncCallback(stream, countSync, nullptr));
    const int64_t start = play(stream);
    advance(start + passFrames * 5 / 2);

    const std::vector<int16_t> out = heard(start, passFrames * 5 / 2);
    // Lossless files keep the level they were written at (a tone of peak
    // 9000): float samples are not rescaled to the file's own peak.
    const std::string name = c.name;
    if (name == "wav" || name == "flac" || name == "wav_float") {
        int peak = 0;
        for (int16_t sample : out) peak = std::max(peak, std::abs(static_cast<int>(sample)));
        EXPECT_NEAR(peak, 9000, 10) << c.name;
    }
    for (int64_t f = 0; f < passFrames * 5 / 2; ++f) {
        const size_t from = static_cast<size_t>(f % passFrames) * 2;
        ASSERT_EQ(out[f * 2], pass[from]) << c.name << " frame " << f;
        ASSERT_EQ(out[f * 2 + 1], pass[from + 1]) << c.name << " frame " << f;
    }
    // Called from the device's thread (here the one advancing it), once for
    // each time the stream came round.
    EXPECT_EQ(syncCalls.load(), 2);
    EXPECT_EQ(syncStream.load(), stream);
    EXPECT_EQ(syncThread.load(), std::this_thread::get_id());
    EXPECT_TRUE(sound::closeStream(stream));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, StreamFormatTest,
    ::testing::Values(FormatCase{"wav", SF_FORMAT_WAV, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                      FormatCase{"flac", SF_FORMAT_FLAC, SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                      FormatCase{"ogg_vorbis", SF_FORMAT_OGG, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
                      FormatCase{"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
                      FormatCase{"wav_float", SF_FORMAT_WAV, SF_FORMAT_WAV | SF_FORMAT_FLOAT}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- playback details ---------------------------------------------------------------------

TEST_F(StreamTest, WithoutTheLoopBitItPlaysOnceAndFreesItsChannel) {
    const std::string path = tempFile("once.dat");
    ASSERT_TRUE(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 3000));
    openOnDevice(256);
    sound::Stream* stream = sound::openStream(path.c_str(), sound::Stream16Bits | sound::StreamStereo, 0);
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(sound::setStreamSyncCallback(stream, countSync, reinterpret_cast<void*>(42)));
    const int64_t start = play(stream);
    EXPECT_EQ(sound::testing::streamChannel(stream), 0);
    advance(start + 6000);
    const std::vector<int16_t> out = heard(start, 6000);
    EXPECT_GT(out[2 * 125], 8000);  // a quarter into the tone's fifth period
    EXPECT_TRUE(std::all_of(out.begin() + 2 * 3000, out.end(), [](int16_t s) { return s == 0; }));
    EXPECT_EQ(sound::testing::streamChannel(stream), -1);
    EXPECT_EQ(syncCalls.load(), 1);  // at its end
    EXPECT_EQ(syncUser.load(), reinterpret_cast<void*>(42));
    EXPECT_TRUE(sound::closeStream(stream));
}

TEST_F(StreamTest, MonoAtHalfRateIsResampledOntoBothSides) {
    const std::string path = tempFile("mono22k.dat");
    ASSERT_TRUE(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 22050, 100.0));
    openOnDevice(1024);
    sound::Stream* stream = sound::openStream(path.c_str(), kShowMode, 0);
    ASSERT_NE(stream, nullptr);
    const int64_t start = play(stream);
    advance(start + 44100);
    const std::vector<int16_t> out = heard(start, 44100);
    // One second of a 100 Hz tone at the output rate, within interpolation
    // and rounding error.
    for (int f = 0; f < 44100 - 2; ++f) {
        const double expected = 9000.0 * std::sin(2 * M_PI * 100.0 * f / 44100.0);
        ASSERT_NEAR(out[f * 2], expected, 4.0) << "frame " << f;
        ASSERT_EQ(out[f * 2 + 1], out[f * 2]) << "frame " << f;
    }
}

TEST_F(StreamTest, TwoStreamsTakeTwoChannelsAndMix) {
    const std::string path = tempFile("mixed.dat");
    ASSERT_TRUE(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 4410));
    const std::vector<int16_t> pass = decodeStereo(path);
    openOnDevice(512);
    sound::Stream* first = sound::openStream(path.c_str(), kShowMode, 0);
    sound::Stream* second = sound::openStream(path.c_str(), kShowMode, 0);
    ASSERT_TRUE(first && second);
    const int64_t start = deviceRendered();
    EXPECT_EQ(sound::playStream(sound::FreeChannel, first), 0);
    EXPECT_EQ(sound::playStream(sound::FreeChannel, second), 1);
    advance(start + 4000);
    const std::vector<int16_t> out = heard(start, 4000);
    for (int i = 0; i < 8000; ++i) {
        ASSERT_EQ(out[i], std::clamp(2 * pass[i], -32768, 32767)) << "sample " << i;
    }
}

TEST_F(StreamTest, ByteLimitCutsTheFileShort) {
    const std::string path = tempFile("limited.dat");
    ASSERT_TRUE(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 8000));
    const std::vector<int16_t> pass = decodeStereo(path);
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const int64_t headerBytes = static_cast<int64_t>(file.tellg()) - 8000 * 4;
    openOnDevice(512);
    sound::Stream* stream = sound::openStream(path.c_str(), kShowMode, static_cast<int32_t>(headerBytes + 1000 * 4));
    ASSERT_NE(stream, nullptr);
    const int64_t start = play(stream);
    advance(start + 2500);
    const std::vector<int16_t> out = heard(start, 2500);
    for (int f = 0; f < 2500; ++f) ASSERT_EQ(out[f * 2], pass[(f % 1000) * 2]) << "frame " << f;
}

TEST_F(StreamTest, WhatIsNotASoundFileIsRefused) {
    openOnDevice(512);
    EXPECT_EQ(sound::openStream(tempFile("nowhere.dat").c_str(), kShowMode, 0), nullptr);
    const std::string text = tempFile("text.dat");
    std::ofstream(text) << "not a sound, just words, long enough to be looked at properly\n";
    EXPECT_EQ(sound::openStream(text.c_str(), kShowMode, 0), nullptr);
    EXPECT_EQ(sound::openStream(corpusPath("xm/libxmp_test.xm").c_str(), kShowMode, 0), nullptr);
    EXPECT_EQ(sound::openStream(nullptr, kShowMode, 0), nullptr);
    EXPECT_EQ(sound::openStream(text.c_str(), kShowMode, -1), nullptr);
}

TEST_F(StreamTest, NullOrClosedStreamsAreRefusedQuietly) {
    openOnDevice(512);
    EXPECT_FALSE(sound::setStreamSyncCallback(nullptr, countSync, nullptr));
    EXPECT_EQ(sound::playStream(sound::FreeChannel, nullptr), -1);
    EXPECT_FALSE(sound::closeStream(nullptr));
    const std::string path = tempFile("closed.dat");
    ASSERT_TRUE(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 1000));
    sound::Stream* stream = sound::openStream(path.c_str(), kShowMode, 0);
    ASSERT_TRUE(sound::closeStream(stream));
    EXPECT_FALSE(sound::closeStream(stream));
    advance(4096);  // nothing left playing, nothing to crash on
}

TEST_F(StreamTest, EmptyFileLoopsAsSilenceWithoutSpinning) {
    const std::string path = tempFile("empty.dat");
    ASSERT_TRUE(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0));
    openOnDevice(512);
    sound::Stream* stream = sound::openStream(path.c_str(), kShowMode, 0);
    ASSERT_NE(stream, nullptr);
    const int64_t start = play(stream);
    advance(start + 3000);
    const std::vector<int16_t> out = heard(start, 3000);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
}

TEST_F(StreamTest, StreamOnTheSilentOutputKeepsTheScoreClock) {
    const std::string path = tempFile("silent.dat");
    ASSERT_TRUE(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 5000));
    sound::testing::useManualClock(true);
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    sound::Stream* stream = sound::openStream(path.c_str(), kShowMode, 0);
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(sound::setStreamSyncCallback(stream, countSync, nullptr));
    EXPECT_GE(sound::playStream(sound::FreeChannel, stream), 0);
    EXPECT_EQ(sound::getRow(nullptr), 0);
    sound::testing::advanceManualClock(250'000);  // 11025 frames: past two loop points
    EXPECT_EQ(sound::getRow(nullptr), 2);
    EXPECT_EQ(syncCalls.load(), 2);
    EXPECT_TRUE(sound::closeStream(stream));
}

}  // namespace
