#pragma once
// SIGINT and SIGTERM end a capture in any phase: the handler only records the
// signal, and each phase asks at its checkpoints whether to stop. The run
// then removes what it wrote and ends with 128 + the signal. Once its
// outputs have been renamed into place a signal changes nothing.
//
// A wait (on ffmpeg's exit, on room in its pipe) watches stopPipe() beside
// what it waits for: the handler writes into that pipe and nothing reads it,
// so it stays readable from the first stop signal on, and a signal that came
// just before the wait began wakes it as surely as one that comes during it.
#include <csignal>

namespace capture {

// Ignores SIGPIPE (a write to an ffmpeg that has exited fails with EPIPE
// instead of ending the process) and catches SIGINT and SIGTERM without
// restarting system calls, so a blocked write or wait returns and the run can
// clean up. The child processes get the default actions back. Reads the test
// seam's setting (below) once, here.
void installStopSignals();
// The SIGINT or SIGTERM received so far; 0 when none.
int stopSignal();
// The read end of the stop pipe: readable once a stop signal has come; -1
// when it could not be made (poll ignores it then, so a wait that also has a
// timeout still sees stopSignal()).
int stopPipe();

// A checkpoint of the phase named `phase` ("start", "sound", "wav", "seek", "still",
// "frame", "video", "published"): true when the run is to stop. Reads no
// setting and allocates nothing: it runs every frame.
// Test seam: TESSALINE_CAPTURE_RAISE_AT=PHASE:INT (or :TERM) raises that
// signal at the phase's first checkpoint, as if it had come from outside
// just then.
bool stopRequested(const char* phase);

}  // namespace capture
