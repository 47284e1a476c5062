#include "ffmpeg_encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stop_signals.h"

extern char** environ;

namespace {

// `ffmpeg -encoders` lists one encoder a line: " V....D libx264  libx264 H.264 ...".
bool listsEncoder(const std::string& listing, const std::string& name) {
    return listing.find(" " + name + " ") != std::string::npos;
}

// Runs ffmpeg with `arguments` and standard input from `input` (-1: none),
// standard output to `output` (-1: inherited). The signals this process
// ignores or catches get their default actions back in the child.
pid_t spawnFfmpeg(const std::vector<std::string>& arguments, int input, int output) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("ffmpeg"));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) {
        posix_spawn_file_actions_adddup2(&actions, input, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, 1);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t child = -1;
    if (posix_spawnp(&child, "ffmpeg", &actions, &attributes, argv.data(), environ) != 0) {
        child = -1;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Waits for the child, through interrupting signals; its wait status, or -1.
int waitFor(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

std::string describeExit(int status) {
    if (status == -1) {
        return "ffmpeg could not be waited for";
    }
    if (WIFSIGNALED(status)) {
        return std::string("ffmpeg was ended by signal ") + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    }
    return "ffmpeg exited with status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

std::string ffmpegProblem() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return std::string("cannot ask ffmpeg for its encoders: ") + std::strerror(errno);
    }
    const pid_t child = spawnFfmpeg({"-hide_banner", "-encoders"}, -1, fds[1]);
    close(fds[1]);
    std::string listing;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got > 0) {
            listing.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    if (child < 0) {
        return "ffmpeg is not installed, so no video can be made; install it (apt-get install ffmpeg) "
               "or write a PNG sequence with --frames DIR";
    }
    const int status = waitFor(child);
    // posix_spawnp reports a missing binary as an exit with status 127.
    if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        return "ffmpeg is not installed, so no video can be made; install it (apt-get install ffmpeg) "
               "or write a PNG sequence with --frames DIR";
    }
    for (const char* encoder : {"libx264", "aac"}) {
        if (!listsEncoder(listing, encoder)) {
            return std::string("the ffmpeg on the PATH has no ") + encoder +
                   " encoder (`ffmpeg -encoders`), so no video can be made; install Debian's ffmpeg";
        }
    }
    return {};
}

VideoEncoder::VideoEncoder(const std::string& videoPath, const std::string& wavPath, int32_t width,
                           int32_t height, int32_t fps) {
    const std::vector<std::string> arguments = {
        "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgba", "-video_size", std::to_string(width) + "x" + std::to_string(height),
        "-framerate", std::to_string(fps), "-i", "pipe:0",
        "-i", wavPath,
        // Frames arrive bottom row first, as OpenGL reads them. RGB becomes
        // YUV by the BT.709 matrix in limited (TV) range, and the stream says
        // so; untagged, players guess, and ffmpeg's default matrix is BT.601.
        "-vf", "vflip,scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
        "-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709", "-color_range", "tv",
        "-c:v", "libx264", "-preset", "veryfast", "-crf", "18",
        "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-shortest", videoPath};
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        failure_ = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return;
    }
    child_ = spawnFfmpeg(arguments, fds[0], -1);
    close(fds[0]);
    if (child_ < 0) {
        close(fds[1]);
        failure_ = "cannot start ffmpeg";
        return;
    }
    input_ = fds[1];
}

VideoEncoder::~VideoEncoder() { abort(); }

bool VideoEncoder::write(const std::vector<uint8_t>& rgbaBottomUp) {
    if (input_ < 0) {
        return false;
    }
    const uint8_t* at = rgbaBottomUp.data();
    size_t left = rgbaBottomUp.size();
    while (left > 0) {
        const ssize_t written = ::write(input_, at, left);
        if (written > 0) {
            at += written;
            left -= static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR && capture::stopSignal() == 0) {
            continue;
        }
        if (written < 0 && errno == EPIPE) {
            close(input_);
            input_ = -1;
            reap();
            failure_ = "ffmpeg stopped taking frames (" + failure_ + ")";
        } else if (written < 0 && errno == EINTR) {
            failure_ = "interrupted";
        } else {
            failure_ = std::string("cannot write to ffmpeg: ") + std::strerror(errno);
        }
        return false;
    }
    return true;
}

bool VideoEncoder::finish() {
    if (child_ < 0) {
        return false;
    }
    if (input_ >= 0 && close(input_) != 0 && errno != EINTR) {
        failure_ = std::string("cannot close ffmpeg's input: ") + std::strerror(errno);
    }
    input_ = -1;
    // ffmpeg may take a while over the file's end (moving its index to the
    // front); a stop signal in that time ends it.
    int status = 0;
    for (;;) {
        if (capture::stopRequested("video")) {
            abort();
            failure_ = "interrupted";
            return false;
        }
        if (waitpid(child_, &status, 0) >= 0) {
            break;
        }
        if (errno != EINTR) {
            status = -1;
            break;
        }
    }
    child_ = -1;
    failure_ = describeExit(status);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool VideoEncoder::reap() {
    if (child_ < 0) {
        return false;
    }
    const int status = waitFor(child_);
    child_ = -1;
    failure_ = describeExit(status);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void VideoEncoder::abort() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    if (child_ > 0) {
        kill(child_, SIGTERM);
        reap();
    }
}
