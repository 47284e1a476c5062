#pragma once
// Start-up work that needs no GL, done on one worker thread while the main
// thread opens the window: decoding the start-up images, then whatever else
// the caller hands it (the music library's one-time set-up). The uploads stay
// on the thread that holds the GL context and happen in the caller's order,
// so texture indices and log lines are those of loading one image after
// another.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "render/texture_manager.h"

// decodeImage under the process's one DevIL lock. DevIL is not thread-safe:
// while a StartupWorker may be running, every decode goes through here.
DecodedImage decodeImageExclusive(const char* path);

// Decodes a list of image files in list order, then runs afterImages, on one
// worker thread that starts with the constructor.
class StartupWorker {
public:
    explicit StartupWorker(std::vector<std::string> imagePaths, std::function<void()> afterImages = {});
    ~StartupWorker();  // stop()
    StartupWorker(const StartupWorker&) = delete;
    StartupWorker& operator=(const StartupWorker&) = delete;

    // The decoded image at index (below the number of paths), handed over
    // once: waits for the worker, or decodes it here when the worker was
    // stopped before it.
    DecodedImage takeImage(size_t index);
    // The worker finishes the step it is on, starts no other, and is joined.
    // Idempotent; needed before the process exits with the worker running.
    void stop();

private:
    void run();
    bool stopping();

    const std::vector<std::string> paths_;
    const std::function<void()> afterImages_;
    std::vector<DecodedImage> images_;  // by index; filled by the worker
    std::mutex mutex_;                  // guards images_, decodedCount_, stopping_, imagesDone_
    std::condition_variable decoded_;   // signalled after each image and when no more come
    size_t decodedCount_ = 0;           // images_[0 .. decodedCount_) are ready
    bool stopping_ = false;
    bool imagesDone_ = false;           // the worker decodes no more images
    std::thread worker_;                // last: starts once the rest is set up
};
