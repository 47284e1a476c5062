#pragma once
// Chord symbols and the parts written from a progression (one chord a bar):
// bass, arpeggio and two pad voices with nearest-note voice leading.
//
// Chord symbols: root A..G with optional # or b, then a quality:
//   "" major, "m" minor, "7", "m7", "maj7", "6", "sus2", "sus4", "add9", "madd9",
//   and an optional "/X" bass note: "Am", "Fmaj7", "Esus4", "C/E".
// Progressions: symbols separated by spaces, "|" optional between bars.
//
// Rhythm strings for bass and arpeggio hold one character a row (16 a bar,
// spaces ignored) and repeat for every bar of the progression:
//   bass:      'R' root (the bass note), 'O' octave above it, 'F' fifth above it,
//              '^' key off, '.' nothing
//   arpeggio:  '0'..'9' the n-th chord tone counted upward from the lowest note,
//              '^' key off, '.' nothing
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "score.h"

namespace score {

struct Chord {
    std::string symbol;
    int root = 0;                // pitch class, C = 0
    int bass = 0;                // pitch class of the bass note (the root unless "/X")
    std::vector<int> intervals;  // semitones above the root, ascending, starting with 0
};

std::optional<Chord> parseChord(std::string_view symbol);
std::vector<Chord> parseProgression(std::string_view text, Diagnostics& diagnostics, const std::string& where);

// Lowest note >= `lowest` whose pitch class is `pitchClass`.
int noteAtOrAbove(int pitchClass, int lowest);

// Options shared by the chord-driven writers.
struct PartStyle {
    uint8_t instrument = 0;
    int volume = -1;   // volume column on every note, or -1 for the sample default
    int panning = -1;  // effect 8xx on every note, or -1 for none
};

// Both write their first bar at `startRow`.
void writeBass(Track track, const PartStyle& style, const std::vector<Chord>& chords, std::string_view barRhythm,
               int lowestNote, int startRow = 0);
void writeArpeggio(Track track, const PartStyle& style, const std::vector<Chord>& chords, std::string_view barFigure,
                   int lowestNote, int startRow = 0);

// The two pad voices remember their last notes so that the next chord moves
// each voice as little as possible.
struct PadVoices {
    int lower = 0;  // 0: no previous note
    int upper = 0;
};

// Writes the chord tones other than the root (third and fifth, or third and
// seventh) into two channels within [lowestNote, highestNote]. A voice is
// struck at the first bar and wherever its note changes.
void writePads(Track lower, Track upper, const PartStyle& lowerStyle, const PartStyle& upperStyle,
               const std::vector<Chord>& chords, PadVoices& voices, int lowestNote, int highestNote);

}  // namespace score
