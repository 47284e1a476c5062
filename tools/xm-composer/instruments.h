#pragma once
// The tessaline instrument set, synthesised in code. Numbers are the XM
// instrument numbers the score uses (1-based).
#include <cstdint>
#include <vector>

#include "xm_module.h"

namespace tessaline {

enum Instrument : uint8_t {
    Kick = 1,    // pitch-swept sine with a click: the heartbeat
    Snare,       // tuned body and band-passed noise
    ClosedHat,   // short high-passed noise with metallic partials
    OpenHat,     // the same, ringing longer
    Crash,       // long bright noise wash
    Riser,       // noise swept upwards over one bar, into a section start
    Bass,        // band-limited saw with a sub partial and a filter-like attack
    SuperPad,    // seven detuned band-limited saws
    Pluck,       // two-operator FM pluck for the arpeggio
    Lead,        // two detuned saws and a square, auto-vibrato
    Bell,        // inharmonic FM bell for the closing theme
    WarmPad,     // soft detuned saws with a slow swell
    RoundBass,   // nearly sine bass for the closing theme
};
constexpr int InstrumentCount = RoundBass;

// Builds all instruments in number order (element 0 is instrument 1).
std::vector<xm::Instrument> buildInstruments();

}  // namespace tessaline
