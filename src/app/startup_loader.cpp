#include "app/startup_loader.h"

#include <utility>

namespace {

std::mutex& devilLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

DecodedImage decodeImageExclusive(const char* path) {
    const std::lock_guard<std::mutex> hold(devilLock());
    return decodeImage(path);
}

ImageDecoder::ImageDecoder(std::vector<std::string> paths)
    : paths_(std::move(paths)), images_(paths_.size()), worker_([this] { run(); }) {}

ImageDecoder::~ImageDecoder() { stop(); }

void ImageDecoder::run() {
    for (size_t i = 0; i < paths_.size(); ++i) {
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            if (stopping_) break;
        }
        // Decoded outside mutex_, so that take() of an earlier image never
        // waits for this one.
        DecodedImage image = decodeImageExclusive(paths_[i].c_str());
        const std::lock_guard<std::mutex> hold(mutex_);
        images_[i] = std::move(image);
        decodedCount_ = i + 1;
        decoded_.notify_all();
    }
    const std::lock_guard<std::mutex> hold(mutex_);
    finished_ = true;
    decoded_.notify_all();
}

DecodedImage ImageDecoder::take(size_t index) {
    std::unique_lock<std::mutex> hold(mutex_);
    decoded_.wait(hold, [&] { return decodedCount_ > index || finished_; });
    if (decodedCount_ > index) return std::move(images_[index]);
    hold.unlock();
    return decodeImageExclusive(paths_[index].c_str());  // stopped before this one
}

void ImageDecoder::stop() {
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        stopping_ = true;
    }
    if (worker_.joinable()) worker_.join();
}
