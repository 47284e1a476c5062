#pragma once
// "tessaline", the show's soundtrack: A minor, 125 BPM at speed 6 (120 ms a
// row, 7.68 s an order), 32 orders, the closing theme (orders 26..31) looping.
#include <array>
#include <vector>

#include "score.h"
#include "xm_module.h"

namespace tessaline {

enum Channel : int {
    KickChannel = 0,
    SnareChannel,
    HatChannel,  // hats, crash, riser
    BassChannel,
    PadLowChannel,
    PadHighChannel,
    ArpChannel,   // arpeggio, or the lead's echo in the reprise
    LeadChannel,  // lead, or the bell in the intro and the closing theme
    ChannelCount
};

constexpr int Speed = 6;
constexpr int Bpm = 125;
constexpr int RowsPerPattern = 64;
constexpr int OrderCount = 32;
constexpr int RestartOrder = 26;      // the closing theme loops from here
constexpr int FirstDrumOrder = 4;     // kicks on the beat rows from here on
constexpr int FadeOrder = 25;         // the first scene fades to black ...
constexpr int FadeRow = 48;           // ... from this row
constexpr double SecondsPerRow = Speed * 2.5 / Bpm;  // a tick lasts 2.5 / BPM seconds
constexpr double SecondsPerOrder = SecondsPerRow * RowsPerPattern;
constexpr std::array<int, 8> BeatRows = {0, 4, 16, 20, 32, 36, 48, 52};  // the heart jumps on these

// The mix, in dB per channel on the composed volumes (see mix.h): masters the
// first pass to about -14 LUFS with the true peak below -1 dBTP. The kick
// stays at full volume (its sample is driven instead) and the bass rises
// least, so the kick still stands out in the low band on every beat row.
// Volumes stop at 64: the lead, pads and snare reach it before their gain.
constexpr std::array<double, ChannelCount> MixGainDb = {0, 6, 6, 2, 7, 7, 5, 8};

// One pattern per order, as composed (before equal patterns are shared).
std::vector<xm::Pattern> composeOrders(score::Diagnostics& diagnostics);

// The whole module: instruments, shared patterns, order table.
xm::Module composeSoundtrack(score::Diagnostics& diagnostics);

// Equal patterns stored once; `orders` receives the pattern index of each input.
std::vector<xm::Pattern> sharePatterns(const std::vector<xm::Pattern>& perOrder, std::vector<uint8_t>& orders);

}  // namespace tessaline
