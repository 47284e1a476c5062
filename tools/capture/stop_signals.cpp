#include "stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Read on the frame writer's thread too: a lock-free atomic, which a signal
// handler may also write.
std::atomic<int> receivedSignal = 0;
static_assert(std::atomic<int>::is_always_lock_free);
int stopPipeEnds[2] = {-1, -1};

void onStopSignal(int signal) {
    const int savedErrno = errno;  // the interrupted code may be about to read it
    receivedSignal = signal;
    if (stopPipeEnds[1] >= 0) {
        const char byte = 1;
        // Non-blocking: once the pipe is full it is readable anyway.
        [[maybe_unused]] const ssize_t ignored = write(stopPipeEnds[1], &byte, 1);
    }
    errno = savedErrno;
}

// The seam's request, read once at start-up: the phase and the signal to
// raise at its first checkpoint; raiseSignal 0 when none is asked for.
std::string raisePhase;
int raiseSignal = 0;

void readSeam() {
    const char* wanted = std::getenv("TESSALINE_CAPTURE_RAISE_AT");
    const std::string request = wanted == nullptr ? "" : wanted;
    const auto colon = request.rfind(':');
    if (colon == std::string::npos) {
        return;
    }
    const std::string signal = request.substr(colon + 1);
    raiseSignal = signal == "INT" ? SIGINT : signal == "TERM" ? SIGTERM : 0;
    raisePhase = request.substr(0, colon);
}

}  // namespace

namespace capture {

void installStopSignals() {
    readSeam();
    if (pipe2(stopPipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        stopPipeEnds[0] = stopPipeEnds[1] = -1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked write or wait returns EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stopSignal() { return receivedSignal; }

int stopPipe() { return stopPipeEnds[0]; }

bool stopRequested(const char* phase) {
    if (raiseSignal != 0 && raisePhase == phase) {
        const int signal = raiseSignal;
        raiseSignal = 0;  // once
        std::raise(signal);
    }
    return receivedSignal != 0;
}

}  // namespace capture
