#include "sound/stream_voice.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace sound {

namespace {

constexpr int32_t kInputBlockFrames = 1024;

// libsndfile reads the file through these, so that a byte limit can cut it
// short and any file name works (the format comes from the content).
sf_count_t viewLength(void* user) { return static_cast<StreamFileView*>(user)->length; }

sf_count_t viewSeek(sf_count_t offset, int whence, void* user) {
    auto* view = static_cast<StreamFileView*>(user);
    int64_t target = offset;
    if (whence == SEEK_CUR) target += view->position;
    if (whence == SEEK_END) target += view->length;
    target = std::clamp<int64_t>(target, 0, view->length);
    if (std::fseek(view->file, static_cast<long>(target), SEEK_SET) != 0) return -1;
    view->position = target;
    return target;
}

sf_count_t viewRead(void* data, sf_count_t count, void* user) {
    auto* view = static_cast<StreamFileView*>(user);
    const int64_t want = std::clamp<int64_t>(count, 0, view->length - view->position);
    const size_t got = std::fread(data, 1, static_cast<size_t>(want), view->file);
    view->position += static_cast<int64_t>(got);
    return static_cast<sf_count_t>(got);
}

sf_count_t viewWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t viewTell(void* user) { return static_cast<StreamFileView*>(user)->position; }

}  // namespace

std::unique_ptr<Stream> Stream::open(const char* path, bool loop, int32_t byteLimit, int32_t outputRate) {
    if (path == nullptr || byteLimit < 0 || outputRate <= 0) return nullptr;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return nullptr;
    auto stream = std::make_unique<Stream>(Private{});
    stream->source.file = file;
    if (std::fseek(file, 0, SEEK_END) != 0) return nullptr;
    const long size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return nullptr;
    stream->source.length = byteLimit > 0 ? std::min<int64_t>(size, byteLimit) : size;

    SF_VIRTUAL_IO io{viewLength, viewSeek, viewRead, viewWrite, viewTell};
    stream->info.format = 0;  // found from the content
    stream->sndfile = sf_open_virtual(&io, SFM_READ, &stream->info, &stream->source);
    if (stream->sndfile == nullptr || stream->info.channels < 1 || stream->info.samplerate <= 0) {
        return nullptr;
    }
    // Float samples (Vorbis, float WAV) keep their level: 1.0 is full scale,
    // and the rare overshoot past it is clipped instead of wrapping. (Scaling
    // by the file's peak would change the level and read the whole file first.)
    sf_command(stream->sndfile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    stream->loop = loop;
    stream->outputRate = outputRate;
    stream->step = static_cast<double>(stream->info.samplerate) / outputRate;
    stream->ring.assign(kRingFrames * 2, 0);
    stream->input.assign(static_cast<size_t>(kInputBlockFrames) * stream->info.channels, 0);
    return stream;
}

Stream::~Stream() {
    if (sndfile != nullptr) sf_close(sndfile);
    if (source.file != nullptr) std::fclose(source.file);
}

int64_t Stream::framesPerPass() const {
    return info.frames * outputRate / info.samplerate;
}

bool Stream::nextInputFrame(double frame[2]) {
    if (inputOffset == inputFrames) {
        sf_count_t got = sf_readf_short(sndfile, input.data(), kInputBlockFrames);
        if (got <= 0) {
            // A pass that yielded nothing (an empty file) does not loop, or
            // the decoder would spin on it.
            const bool wrap = loop && passInputFrames > 0 && sf_seek(sndfile, 0, SEEK_SET) == 0;
            pushEvent(ringWritten.load(std::memory_order_relaxed));
            if (wrap) {
                passInputFrames = 0;
                got = sf_readf_short(sndfile, input.data(), kInputBlockFrames);
            }
            if (got <= 0) return false;
        }
        inputFrames = static_cast<int32_t>(got);
        inputOffset = 0;
        passInputFrames += got;
    }
    const int16_t* at = input.data() + static_cast<size_t>(inputOffset) * info.channels;
    frame[0] = at[0];
    frame[1] = info.channels > 1 ? at[1] : at[0];  // mono on both sides; beyond two, the first two
    ++inputOffset;
    return true;
}

void Stream::pushEvent(uint64_t ringFrame) {
    const uint64_t index = eventsWritten.load(std::memory_order_relaxed);
    if (index - eventsRead.load(std::memory_order_acquire) >= kEvents) return;  // full: dropped
    events[index % kEvents].store(ringFrame, std::memory_order_relaxed);
    eventsWritten.store(index + 1, std::memory_order_release);
}

void Stream::fill() {
    if (decodeEnded.load(std::memory_order_relaxed)) return;
    const uint64_t read = ringRead.load(std::memory_order_acquire);
    uint64_t written = ringWritten.load(std::memory_order_relaxed);
    bool ended = false;
    if (!resamplerPrimed) {
        resamplerPrimed = true;
        if (!nextInputFrame(previous)) {
            ended = true;
        } else if (!nextInputFrame(current)) {
            inputEnded = true;
            current[0] = previous[0];
            current[1] = previous[1];
        }
    }
    while (!ended && written - read < kRingFrames) {
        int16_t* out = ring.data() + (written % kRingFrames) * 2;
        for (int c = 0; c < 2; ++c) {
            const double value = previous[c] + (current[c] - previous[c]) * phase;
            out[c] = static_cast<int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
        }
        ++written;
        // Publish as we go, so loop events pushed below carry the right frame.
        ringWritten.store(written, std::memory_order_release);
        phase += step;
        while (phase >= 1.0) {
            phase -= 1.0;
            if (inputEnded) {
                ended = true;
                break;
            }
            previous[0] = current[0];
            previous[1] = current[1];
            if (!nextInputFrame(current)) {
                inputEnded = true;  // hold the last frame for the frames still due
            }
        }
    }
    ringWritten.store(written, std::memory_order_release);
    if (ended) decodeEnded.store(true, std::memory_order_release);
}

bool Stream::mixInto(int32_t* mix, int32_t frameCount) {
    const bool ended = decodeEnded.load(std::memory_order_acquire);
    uint64_t read = ringRead.load(std::memory_order_relaxed);
    const uint64_t written = ringWritten.load(std::memory_order_acquire);
    const int32_t take = static_cast<int32_t>(std::min<uint64_t>(written - read, static_cast<uint64_t>(frameCount)));
    for (int32_t i = 0; i < take; ++i) {
        const int16_t* from = ring.data() + ((read + i) % kRingFrames) * 2;
        mix[i * 2] += from[0];
        mix[i * 2 + 1] += from[1];
    }
    read += take;
    ringRead.store(read, std::memory_order_release);

    const uint64_t pending = eventsWritten.load(std::memory_order_acquire);
    uint64_t done = eventsRead.load(std::memory_order_relaxed);
    while (done < pending && events[done % kEvents].load(std::memory_order_relaxed) <= read) {
        if (StreamSyncCallback call = callback.load(std::memory_order_acquire)) {
            call(this, nullptr, 0, callbackUser.load(std::memory_order_acquire));
        }
        ++done;
        eventsRead.store(done, std::memory_order_release);
    }
    return !(ended && read == written && done == eventsWritten.load(std::memory_order_acquire));
}

void StreamDecoder::add(Stream* stream) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!thread_.joinable()) {
        stopping_ = false;
        thread_ = std::thread([this] { run(); });
    }
    stream->fill();
    if (std::find(streams_.begin(), streams_.end(), stream) == streams_.end()) streams_.push_back(stream);
    wake_.notify_one();
}

void StreamDecoder::remove(Stream* stream) {
    std::lock_guard<std::mutex> lock(mutex_);
    streams_.erase(std::remove(streams_.begin(), streams_.end(), stream), streams_.end());
}

void StreamDecoder::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        streams_.clear();
        wake_.notify_one();
    }
    if (thread_.joinable()) thread_.join();
}

void StreamDecoder::fillNow() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Stream* stream : streams_) stream->fill();
}

void StreamDecoder::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        for (Stream* stream : streams_) stream->fill();
        // The rings hold 1.5 s; topping them up every few milliseconds keeps
        // them nearly full without waking the audio thread.
        wake_.wait_for(lock, std::chrono::milliseconds(5));
    }
}

}  // namespace sound
