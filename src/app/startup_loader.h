#pragma once
// Start-up work that needs no GL, done on a worker thread while the main
// thread opens the window: decoding the start-up images. The uploads stay on
// the thread that holds the GL context and happen in the caller's order, so
// texture indices and log lines are those of loading one image after another.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "render/texture_manager.h"

// decodeImage under the process's one DevIL lock. DevIL is not thread-safe:
// while an ImageDecoder may be running, every decode goes through here.
DecodedImage decodeImageExclusive(const char* path);

// Decodes a list of image files, in list order, on one worker thread that
// starts with the constructor.
class ImageDecoder {
public:
    explicit ImageDecoder(std::vector<std::string> paths);
    ~ImageDecoder();  // stop()
    ImageDecoder(const ImageDecoder&) = delete;
    ImageDecoder& operator=(const ImageDecoder&) = delete;

    size_t size() const { return paths_.size(); }
    const char* path(size_t index) const { return paths_[index].c_str(); }
    // The decoded image at index (below size()), handed over once: waits for
    // the worker, or decodes it here when the worker was stopped before it.
    DecodedImage take(size_t index);
    // The worker finishes the image it is on, starts no other, and is joined.
    // Idempotent; needed before the process exits with the worker running.
    void stop();

private:
    void run();

    const std::vector<std::string> paths_;
    std::vector<DecodedImage> images_;  // by index; filled by the worker
    std::mutex mutex_;                  // guards decodedCount_, stopping_ and images_
    std::condition_variable decoded_;   // signalled after each image and at the end
    size_t decodedCount_ = 0;           // images_[0 .. decodedCount_) are ready
    bool stopping_ = false;
    bool finished_ = false;             // the worker decodes nothing more
    std::thread worker_;                // last: starts once the rest is set up
};
