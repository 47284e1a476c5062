#include "stop_signals.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile std::sig_atomic_t receivedSignal = 0;

void onStopSignal(int signal) { receivedSignal = signal; }

// The seam's signal for `phase`, once; 0 when none is asked for.
int raisedAt(const char* phase) {
    static bool raised = false;
    const char* wanted = std::getenv("TESSALINE_CAPTURE_RAISE_AT");
    if (raised || wanted == nullptr) {
        return 0;
    }
    const std::string request = wanted;
    const std::string name = phase;
    if (request == name + ":INT") {
        raised = true;
        return SIGINT;
    }
    if (request == name + ":TERM") {
        raised = true;
        return SIGTERM;
    }
    return 0;
}

}  // namespace

namespace capture {

void installStopSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked write or wait returns EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stopSignal() { return receivedSignal; }

bool stopRequested(const char* phase) {
    if (const int signal = raisedAt(phase); signal != 0) {
        std::raise(signal);
    }
    return receivedSignal != 0;
}

}  // namespace capture
