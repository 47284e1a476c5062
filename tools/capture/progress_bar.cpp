#include "progress_bar.h"

#include <unistd.h>

#include <cstdio>

ProgressBar::ProgressBar(std::string label, int64_t total, bool enabled)
    // A bar redrawn in place only makes sense on a terminal.
    : label_(std::move(label)), total_(total), enabled_(enabled && isatty(STDERR_FILENO) != 0),
      start_(std::chrono::steady_clock::now()), lastDraw_() {}

std::string ProgressBar::format(int64_t done, int64_t total, double elapsedSeconds, int32_t barWidth) {
    if (total <= 0) {
        total = 1;
    }
    if (done > total) {
        done = total;
    }
    const double fraction = static_cast<double>(done) / static_cast<double>(total);
    const int32_t filled = static_cast<int32_t>(fraction * barWidth);
    std::string bar = "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]";
    char tail[64];
    if (done > 0) {
        const double left = elapsedSeconds * (1.0 - fraction) / fraction;
        std::snprintf(tail, sizeof tail, " %3d%%  %.1f s left", static_cast<int>(fraction * 100.0), left);
    } else {
        std::snprintf(tail, sizeof tail, " %3d%%", 0);
    }
    return bar + tail;
}

void ProgressBar::update(int64_t done) {
    if (!enabled_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (done < total_ && now - lastDraw_ < std::chrono::milliseconds(200)) {
        return;
    }
    lastDraw_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\r%s %s", label_.c_str(), format(done, total_, elapsed, 30).c_str());
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (!enabled_) {
        return;
    }
    update(total_);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(stderr, "  done in %.1f s\n", elapsed);
}
