#include "harmony.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace score {
namespace {

std::optional<int> parsePitchClass(std::string_view s, size_t& used) {
    static const int semitoneOf[7] = {9, 11, 0, 2, 4, 5, 7};
    if (s.empty() || s[0] < 'A' || s[0] > 'G') return std::nullopt;
    int pc = semitoneOf[s[0] - 'A'];
    used = 1;
    if (s.size() > 1 && (s[1] == '#' || s[1] == 'b')) {
        pc += s[1] == '#' ? 1 : -1;
        used = 2;
    }
    return (pc + 12) % 12;
}

struct Quality {
    std::string_view name;
    std::vector<int> intervals;
};

const std::vector<Quality>& qualities() {
    static const std::vector<Quality> table = {
        {"", {0, 4, 7}},        {"m", {0, 3, 7}},         {"7", {0, 4, 7, 10}},     {"m7", {0, 3, 7, 10}},
        {"maj7", {0, 4, 7, 11}}, {"6", {0, 4, 7, 9}},       {"sus2", {0, 2, 7}},       {"sus4", {0, 5, 7}},
        {"add9", {0, 4, 7, 14}}, {"madd9", {0, 3, 7, 14}},
    };
    return table;
}

// The chord's notes from `lowest` upward.
std::vector<int> chordTonesFrom(const Chord& chord, int lowest, int count) {
    std::vector<int> out;
    for (int note = lowest; static_cast<int>(out.size()) < count && note <= xm::HighestNote; ++note) {
        const int pc = (note - 1) % 12;
        for (int interval : chord.intervals)
            if ((chord.root + interval) % 12 == pc) {
                out.push_back(note);
                break;
            }
    }
    return out;
}

void strike(Track& track, int row, int note, const PartStyle& style) {
    xm::Cell& cell = track.cell(row);
    cell.note = static_cast<uint8_t>(note);
    cell.instrument = style.instrument;
    if (style.volume >= 0) cell.volume = xm::volumeSet(style.volume);
    if (style.panning >= 0) {
        cell.effect = xm::EffectPanning;
        cell.param = static_cast<uint8_t>(style.panning);
    }
}

std::string compact(std::string_view rhythm) {
    std::string out;
    for (char c : rhythm)
        if (!std::isspace(static_cast<unsigned char>(c))) out += c;
    return out;
}

bool barsFit(Track& track, const std::vector<Chord>& chords, const std::string& rhythm, int startRow) {
    if (rhythm.size() != static_cast<size_t>(RowsPerBar)) {
        track.fail("a bar rhythm needs 16 rows, got " + std::to_string(rhythm.size()));
        return false;
    }
    if (startRow < 0 || startRow + static_cast<int>(chords.size()) * RowsPerBar > track.pattern.rows) {
        track.fail(std::to_string(chords.size()) + " bars from row " + std::to_string(startRow) +
                   " do not fit the pattern");
        return false;
    }
    return true;
}

// Note of pitch class `pc` inside [low, high] nearest to `target`.
int nearest(int pc, int target, int low, int high) {
    int best = 0;
    for (int note = low; note <= high; ++note)
        if ((note - 1) % 12 == pc && (best == 0 || std::abs(note - target) < std::abs(best - target))) best = note;
    return best;
}

}  // namespace

std::optional<Chord> parseChord(std::string_view symbol) {
    Chord chord;
    chord.symbol = std::string(symbol);
    size_t used = 0;
    const auto root = parsePitchClass(symbol, used);
    if (!root) return std::nullopt;
    chord.root = *root;
    chord.bass = *root;
    std::string_view rest = symbol.substr(used);
    if (const size_t slash = rest.find('/'); slash != std::string_view::npos) {
        size_t bassUsed = 0;
        const auto bass = parsePitchClass(rest.substr(slash + 1), bassUsed);
        if (!bass || slash + 1 + bassUsed != rest.size()) return std::nullopt;
        chord.bass = *bass;
        rest = rest.substr(0, slash);
    }
    for (const Quality& q : qualities())
        if (q.name == rest) {
            chord.intervals = q.intervals;
            return chord;
        }
    return std::nullopt;
}

std::vector<Chord> parseProgression(std::string_view text, Diagnostics& diagnostics, const std::string& where) {
    std::vector<Chord> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (std::isspace(static_cast<unsigned char>(text[i])) || text[i] == '|')) ++i;
        const size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != '|') ++i;
        if (i == start) break;
        const std::string_view symbol = text.substr(start, i - start);
        if (auto chord = parseChord(symbol)) out.push_back(*chord);
        else diagnostics.fail(where, "unknown chord \"" + std::string(symbol) + "\"");
    }
    return out;
}

int noteAtOrAbove(int pitchClass, int lowest) {
    int note = lowest;
    while ((note - 1) % 12 != pitchClass) ++note;
    return note;
}

void writeBass(Track track, const PartStyle& style, const std::vector<Chord>& chords, std::string_view barRhythm,
               int lowestNote, int startRow) {
    const std::string rhythm = compact(barRhythm);
    if (!barsFit(track, chords, rhythm, startRow)) return;
    for (size_t bar = 0; bar < chords.size(); ++bar) {
        const int root = noteAtOrAbove(chords[bar].bass, lowestNote);
        for (int step = 0; step < RowsPerBar; ++step) {
            const int row = startRow + static_cast<int>(bar) * RowsPerBar + step;
            switch (rhythm[static_cast<size_t>(step)]) {
                case 'R': strike(track, row, root, style); break;
                case 'O': strike(track, row, root + 12, style); break;
                case 'F': strike(track, row, noteAtOrAbove((chords[bar].root + 7) % 12, root), style); break;
                case '^': track.cell(row).note = xm::KeyOff; break;
                case '.': break;
                default: track.fail(std::string("unknown bass step '") + rhythm[static_cast<size_t>(step)] + "'"); return;
            }
        }
    }
}

void writeArpeggio(Track track, const PartStyle& style, const std::vector<Chord>& chords, std::string_view barFigure,
                   int lowestNote, int startRow) {
    const std::string figure = compact(barFigure);
    if (!barsFit(track, chords, figure, startRow)) return;
    for (size_t bar = 0; bar < chords.size(); ++bar) {
        const std::vector<int> tones = chordTonesFrom(chords[bar], lowestNote, 10);
        for (int step = 0; step < RowsPerBar; ++step) {
            const int row = startRow + static_cast<int>(bar) * RowsPerBar + step;
            const char c = figure[static_cast<size_t>(step)];
            if (c == '.') continue;
            if (c == '^') {
                track.cell(row).note = xm::KeyOff;
            } else if (c >= '0' && c <= '9' && static_cast<size_t>(c - '0') < tones.size()) {
                strike(track, row, tones[static_cast<size_t>(c - '0')], style);
            } else {
                track.fail(std::string("unknown arpeggio step '") + c + "'");
                return;
            }
        }
    }
}

void writePads(Track lower, Track upper, const PartStyle& lowerStyle, const PartStyle& upperStyle,
               const std::vector<Chord>& chords, PadVoices& voices, int lowestNote, int highestNote) {
    if (static_cast<int>(chords.size()) * RowsPerBar > lower.pattern.rows) {
        lower.fail(std::to_string(chords.size()) + " bars do not fit the pattern");
        return;
    }
    const int middle = (lowestNote + highestNote) / 2;
    for (size_t bar = 0; bar < chords.size(); ++bar) {
        const Chord& chord = chords[bar];
        const auto& iv = chord.intervals;
        const int a = (chord.root + (iv.size() >= 3 ? iv[1] : 0)) % 12;
        const int b = (chord.root + iv.back()) % 12;
        const int lowTarget = voices.lower ? voices.lower : middle - 3;
        const int highTarget = voices.upper ? voices.upper : middle + 3;
        // Try both ways round; keep the one that moves least with the voices apart.
        int bestLow = 0, bestHigh = 0, bestCost = 1 << 30;
        for (int swap = 0; swap < 2; ++swap) {
            int lo = nearest(swap ? b : a, lowTarget, lowestNote, highestNote);
            int hi = nearest(swap ? a : b, highTarget, lowestNote, highestNote);
            if (lo == 0 || hi == 0) continue;
            if (hi <= lo) hi += 12;
            if (hi > highestNote) {
                hi -= 12;
                lo -= 12;
            }
            if (lo < lowestNote || hi <= lo) continue;
            const int cost = std::abs(lo - lowTarget) + std::abs(hi - highTarget);
            if (cost < bestCost) {
                bestCost = cost;
                bestLow = lo;
                bestHigh = hi;
            }
        }
        if (bestLow == 0) {
            lower.fail("no pad voicing for " + chord.symbol + " between " + noteName(lowestNote) + " and " +
                       noteName(highestNote));
            return;
        }
        const int row = static_cast<int>(bar) * RowsPerBar;
        if (bar == 0 || bestLow != voices.lower) strike(lower, row, bestLow, lowerStyle);
        if (bar == 0 || bestHigh != voices.upper) strike(upper, row, bestHigh, upperStyle);
        voices.lower = bestLow;
        voices.upper = bestHigh;
    }
}

}  // namespace score
