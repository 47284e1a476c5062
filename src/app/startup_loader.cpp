#include "app/startup_loader.h"

#include <utility>

#include "platform/platform.h"

namespace {

constexpr int workerNiceStep = 10;  // added to the main thread's nice value

std::mutex& devilLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

DecodedImage decodeImageExclusive(const char* path) {
    const std::lock_guard<std::mutex> hold(devilLock());
    return decodeImage(path);
}

StartupWorker::StartupWorker(std::vector<std::string> imagePaths, std::function<void()> afterImages)
    : paths_(std::move(imagePaths)),
      afterImages_(std::move(afterImages)),
      images_(paths_.size()),
      worker_([this] { run(); }) {}

StartupWorker::~StartupWorker() { stop(); }

bool StartupWorker::stopping() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return stopping_;
}

void StartupWorker::run() {
    // Below the main thread, whose window comes first: on a machine with few
    // cores the worker then runs while the main thread waits on the window
    // system instead of slowing it. Linux gives each thread its own nice
    // value; where that fails the worker runs at the main thread's.
    platform::lowerThreadPriority(workerNiceStep);
    for (size_t i = 0; i < paths_.size() && !stopping(); ++i) {
        // Decoded outside mutex_, so that takeImage of an earlier image never
        // waits for this one.
        DecodedImage image = decodeImageExclusive(paths_[i].c_str());
        const std::lock_guard<std::mutex> hold(mutex_);
        images_[i] = std::move(image);
        decodedCount_ = i + 1;
        decoded_.notify_all();
    }
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        imagesDone_ = true;
        decoded_.notify_all();
    }
    if (afterImages_ && !stopping()) afterImages_();
}

DecodedImage StartupWorker::takeImage(size_t index) {
    std::unique_lock<std::mutex> hold(mutex_);
    decoded_.wait(hold, [&] { return decodedCount_ > index || imagesDone_; });
    if (decodedCount_ > index) return std::move(images_[index]);
    hold.unlock();
    return decodeImageExclusive(paths_[index].c_str());  // stopped before this one
}

void StartupWorker::stop() {
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        stopping_ = true;
    }
    if (worker_.joinable()) worker_.join();
}
