#pragma once
// ffmpeg as the capture's encoder: H.264 (libx264) from raw RGBA frames on
// its standard input, muxed with AAC from a WAV file, converted and tagged as
// BT.709 (primaries, transfer, matrix) in limited range at every size, which
// is what players assume for HD and what they show right for SD too.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// What the ffmpeg on the PATH lacks for a video, as one line for the user
// ("ffmpeg is not installed ...", "ffmpeg has no libx264 encoder ..."); empty
// when it has both encoders (from `ffmpeg -encoders`). A stop signal while
// asking ends the asking ffmpeg and gives a line saying so.
std::string ffmpegProblem();

class VideoEncoder {
public:
    // Starts ffmpeg writing `videoPath` (a temporary: the caller renames it).
    VideoEncoder(const std::string& videoPath, const std::string& wavPath, int32_t width, int32_t height,
                 int32_t fps);
    ~VideoEncoder();  // stops an unfinished ffmpeg
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    bool ok() const { return child_ > 0; }
    // One frame, RGBA8 bottom row first. False when ffmpeg stopped taking
    // frames (it exited: EPIPE), on another write error, or when a stop
    // signal came, also while the pipe was full; failure() says which.
    bool write(const std::vector<uint8_t>& rgbaBottomUp);
    // Closes ffmpeg's input and waits; true when it exited with 0. A stop
    // signal before or while waiting ends ffmpeg (abort) and gives false.
    bool finish();
    // Ends ffmpeg now and waits for it: SIGTERM to its process group, and
    // SIGKILL to what is left of it 2 s later.
    void abort();
    // Why the last write or finish failed: "ffmpeg exited with status 1", ...
    const std::string& failure() const { return failure_; }

private:
    bool reap();  // waits for ffmpeg (ends it on a stop signal); true when it exited with 0
    pid_t child_ = -1;
    int input_ = -1;  // write end of ffmpeg's standard input
    std::string failure_;
};
