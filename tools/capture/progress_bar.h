#pragma once
// A one-line progress bar with the time left, redrawn on standard error at
// most a few times a second.
#include <chrono>
#include <cstdint>
#include <string>

class ProgressBar {
public:
    ProgressBar(std::string label, int64_t total, bool enabled);
    void update(int64_t done);
    void finish();

    // "[#####.....]  50%  12.0 s left"; exposed for tests.
    static std::string format(int64_t done, int64_t total, double elapsedSeconds, int32_t barWidth);

private:
    std::string label_;
    int64_t total_;
    bool enabled_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};
