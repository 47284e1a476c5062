#include "ffmpeg_encoder.h"

#include <fcntl.h>
#include <poll.h>
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

// How often a wait for ffmpeg's exit looks again; a stop signal wakes it at
// once (through the stop pipe), so this only bounds how late an exit is seen.
constexpr int kExitPollMs = 20;
// How long ffmpeg has to end on SIGTERM before its process group is killed:
// it may be writing out the file's end, which is thrown away anyway.
constexpr int kTermGraceMs = 2000;

// Runs ffmpeg with `arguments` and standard input from `input` (-1: none),
// standard output to `output` (-1: inherited), in a process group of its own
// (its id is the child's), so that ending it ends whatever it started too.
// The signals this process ignores or catches get their default actions back
// in the child.
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
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
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

// Sleeps up to `ms`, or less once a stop signal has come (at once if it
// came before).
void sleepUnlessStopped(int ms) {
    pollfd stop{capture::stopPipe(), POLLIN, 0};
    poll(&stop, 1, ms);
}

// Waits for the child to end or a stop signal to come, whichever is first:
// true with its wait status (-1 when it cannot be waited for) once it has
// ended, false when a stop signal came first (it still runs then).
bool waitUnlessStopped(pid_t child, int& status) {
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) {
            return true;
        }
        if (ended < 0 && errno != EINTR) {
            status = -1;
            return true;
        }
        if (capture::stopSignal() != 0) {
            return false;
        }
        sleepUnlessStopped(kExitPollMs);
    }
}

// True once the child has ended; it stays unreaped, so its id (which is
// also its group's) cannot be given to another process meanwhile.
bool hasEnded(pid_t child) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == child;
}

// Ends the child's process group: SIGTERM, then, if the child is still
// there after the grace (ignoring the signal, or stuck), SIGKILL to what is
// left of the group. Waits for the child; its wait status.
int endGroup(pid_t child) {
    kill(-child, SIGTERM);
    for (int waitedMs = 0; waitedMs < kTermGraceMs && !hasEnded(child); waitedMs += kExitPollMs) {
        poll(nullptr, 0, kExitPollMs);
    }
    kill(-child, SIGKILL);  // a no-op where all of it has ended
    return waitFor(child);
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
    while (child >= 0 && capture::stopSignal() == 0) {
        pollfd waits[] = {{fds[0], POLLIN, 0}, {capture::stopPipe(), POLLIN, 0}};
        if (poll(waits, 2, 100) <= 0 || waits[0].revents == 0) {
            continue;  // a signal, a stop (seen above), or the 100 ms tick where there is no stop pipe
        }
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got > 0) {
            listing.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    if (child >= 0 && capture::stopSignal() != 0) {
        endGroup(child);
        return "stopped while asking ffmpeg for its encoders";
    }
    if (child < 0) {
        return "ffmpeg is not installed, so no video can be made; install it (apt-get install ffmpeg) "
               "or write a PNG sequence with --frames DIR";
    }
    int status = 0;
    if (!waitUnlessStopped(child, status)) {
        endGroup(child);
        return "stopped while asking ffmpeg for its encoders";
    }
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
    // Our end does not block: a full pipe is waited out in poll, beside the
    // stop pipe. ffmpeg's end is an open file of its own and stays blocking.
    if (pipe2(fds, O_CLOEXEC) != 0) {
        failure_ = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return;
    }
    if (fcntl(fds[1], F_SETFL, O_NONBLOCK) != 0) {
        failure_ = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
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
        if (capture::stopSignal() != 0) {
            failure_ = "interrupted";
            return false;
        }
        const ssize_t written = ::write(input_, at, left);
        if (written > 0) {
            at += written;
            left -= static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            // The pipe is full: wait for room or a stop signal. The tick
            // only matters where there is no stop pipe.
            pollfd waits[] = {{input_, POLLOUT, 0}, {capture::stopPipe(), POLLIN, 0}};
            poll(waits, 2, 100);
            continue;
        }
        if (written < 0 && errno == EPIPE) {
            close(input_);
            input_ = -1;
            reap();
            failure_ = "ffmpeg stopped taking frames (" + failure_ + ")";
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
    // front); a stop signal in that time, or before it, ends it.
    int status = 0;
    if (capture::stopRequested("video") || !waitUnlessStopped(child_, status)) {
        abort();
        failure_ = "interrupted";
        return false;
    }
    child_ = -1;
    failure_ = describeExit(status);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// On the frame writer's thread where a write found ffmpeg gone; a stop signal
// while waiting ends what is left of it.
bool VideoEncoder::reap() {
    if (child_ < 0) {
        return false;
    }
    int status = 0;
    if (!waitUnlessStopped(child_, status)) {
        status = endGroup(child_);
    }
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
        failure_ = describeExit(endGroup(child_));
        child_ = -1;
    }
}
