#pragma once
// A streamed file: libsndfile decodes it (format found from the content, not
// the name) on the decoder thread into a ring of output-rate stereo frames;
// the mixer plays from the ring on the audio thread. Neither side waits for
// the other: an empty ring plays as silence.
#include <sndfile.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sound/sound.h"

namespace sound {

// The file as libsndfile sees it: possibly cut short by a byte limit.
struct StreamFileView {
    std::FILE* file = nullptr;
    int64_t length = 0;    // bytes visible
    int64_t position = 0;  // read position, bytes
};

struct Stream {
private:
    struct Private {};  // only open() constructs

public:
    // Null when the file is missing, unreadable or no format libsndfile knows.
    // byteLimit > 0 reads only that many bytes of the file.
    static std::unique_ptr<Stream> open(const char* path, bool loop, int32_t byteLimit,
                                        int32_t outputRate);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Decoder side: decodes until the ring is full or the file has ended.
    void fill();
    // Audio thread: adds up to frameCount frames into mix and calls the sync
    // callback for every loop point (and the end) played. Returns false once
    // the stream has ended and everything decoded has been played.
    bool mixInto(int32_t* mix, int32_t frameCount);

    // Output frames of one pass through the file (at the output rate).
    int64_t framesPerPass() const;
    int32_t fileSampleRate() const { return info.samplerate; }
    int32_t fileChannels() const { return info.channels; }
    int32_t fileFormat() const { return info.format; }

    // Set on the main thread, read on the audio thread.
    std::atomic<StreamSyncCallback> callback{nullptr};
    std::atomic<void*> callbackUser{nullptr};
    std::atomic<int32_t> channel{-1};  // changed under the mixer lock

    explicit Stream(Private) {}

private:
    bool nextInputFrame(double frame[2]);
    void pushEvent(uint64_t ringFrame);

    StreamFileView source;
    SNDFILE* sndfile = nullptr;
    SF_INFO info{};
    bool loop = false;
    int32_t outputRate = 0;

    // Decoded frames, interleaved stereo. Single producer, single consumer.
    static constexpr uint64_t kRingFrames = 1 << 16;  // about 1.5 s at 44.1 kHz
    std::vector<int16_t> ring;
    std::atomic<uint64_t> ringWritten{0};
    std::atomic<uint64_t> ringRead{0};
    std::atomic<bool> decodeEnded{false};  // the last frame is in the ring

    // Ring frame counts at which the sound passes a loop point or the end.
    static constexpr uint64_t kEvents = 64;
    std::array<std::atomic<uint64_t>, kEvents> events{};
    std::atomic<uint64_t> eventsWritten{0};
    std::atomic<uint64_t> eventsRead{0};  // advanced by the audio thread

    // Decoder state: input frames and a linear resampler (exact copy when
    // the file's rate is the output rate).
    std::vector<int16_t> input;
    int32_t inputFrames = 0;
    int32_t inputOffset = 0;
    int64_t passInputFrames = 0;  // input frames read in the current pass
    bool resamplerPrimed = false;
    bool inputEnded = false;
    double previous[2] = {0, 0};
    double current[2] = {0, 0};
    double phase = 0;  // 0 <= phase < 1, between previous and current
    double step = 1;   // input frames per output frame
};

// The thread that keeps every playing stream's ring filled.
class StreamDecoder {
public:
    ~StreamDecoder() { stop(); }
    // Fills the stream's ring before returning, so playback starts at once.
    void add(Stream* stream);
    void remove(Stream* stream);
    void stop();
    // Fills every stream's ring now, on the calling thread.
    void fillNow();

private:
    void run();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Stream*> streams_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace sound
