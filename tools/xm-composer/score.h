#pragma once
// The composer's notations: how a readable score becomes pattern cells.
//
// Melody (one channel, tokens separated by spaces):
//   <pitch>[:<rows>][@<volume>]   pitch "A4", "C#5", "Bb3" (A4 = 440 Hz, C4 = XM C-4);
//                                 "r" releases the note (key off); "~" holds (writes nothing).
//                                 rows: length until the next token, default the previous one (4 at first);
//                                 volume 0..64 goes to the volume column.
//   |                             bar line: must fall on a multiple of 16 rows.
//   "E5:6 D5:2 C5:4 E5:4 | F5:6 E5:2 C5:4 A4:4"
//
// Grid (one channel, one character a row; spaces ignored; "|" must fall on a bar):
//   each character names a Hit of the kit, "." is an empty row.
//   "x...x.......s... | x...x.......s..."
//
// Faults never stop the composer: each is recorded with where it happened,
// and the caller refuses to write a module while any is recorded.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xm_module.h"

namespace score {

constexpr int RowsPerBar = 16;

class Diagnostics {
public:
    void fail(const std::string& where, const std::string& why) { messages_.push_back(where + ": " + why); }
    bool ok() const { return messages_.empty(); }
    const std::vector<std::string>& messages() const { return messages_; }

private:
    std::vector<std::string> messages_;
};

// A channel of a pattern being written, and where faults are reported.
struct Track {
    xm::Pattern& pattern;
    int channel;
    std::string where;
    Diagnostics& diagnostics;
    xm::Cell& cell(int row) { return pattern.at(row, channel); }
    void fail(const std::string& why) { diagnostics.fail(where, why); }
};

// "C4" -> 49 (XM C-4), "A4" -> 58; octaves 0..7. nullopt when malformed or out of range.
std::optional<int> parseNote(std::string_view name);
std::string noteName(int note);  // 49 -> "C4", 50 -> "C#4"

// Writes a melody from `startRow`; notes are shifted by `transpose` semitones.
// Returns the row after the last token.
int writeMelody(Track track, uint8_t instrument, std::string_view text, int transpose = 0, int startRow = 0);

struct Hit {
    char symbol;
    uint8_t instrument;
    uint8_t note;
    int volume;  // 0..64, or -1 for the sample's default
};

// Writes a grid from `startRow`. Returns the row after the last character.
int writeGrid(Track track, std::string_view text, const std::vector<Hit>& kit, int startRow = 0);

// `text` repeated `count` times, separated by bar lines.
std::string repeatBars(std::string_view text, int count);

}  // namespace score
