#include "score.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace score {
namespace {

constexpr int DefaultRows = 4;

std::vector<std::string_view> tokens(std::string_view text) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        const size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

std::optional<int> parseInt(std::string_view s) {
    int value = 0;
    if (s.empty()) return std::nullopt;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

}  // namespace

std::optional<int> parseNote(std::string_view name) {
    static const int semitoneOf[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.size() < 2 || name.size() > 3) return std::nullopt;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if (letter < 'A' || letter > 'G') return std::nullopt;
    int semitone = semitoneOf[letter - 'A'];
    size_t i = 1;
    if (name.size() == 3) {
        if (name[1] == '#') ++semitone;
        else if (name[1] == 'b') --semitone;
        else return std::nullopt;
        i = 2;
    }
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
    const int octave = name[i] - '0';
    const int note = octave * 12 + semitone + 1;
    if (note < xm::LowestNote || note > xm::HighestNote) return std::nullopt;
    return note;
}

std::string noteName(int note) {
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    if (note < xm::LowestNote || note > xm::HighestNote) return "?";
    return std::string(names[(note - 1) % 12]) + std::to_string((note - 1) / 12);
}

int writeMelody(Track track, uint8_t instrument, std::string_view text, int transpose, int startRow) {
    int row = startRow;
    int rows = DefaultRows;
    for (std::string_view token : tokens(text)) {
        if (token == "|") {
            if (row % RowsPerBar != 0) track.fail("bar line at row " + std::to_string(row) + " is not on a bar");
            continue;
        }
        const size_t colon = token.find(':');
        const size_t at = token.find('@');
        const std::string_view pitch = token.substr(0, std::min(colon, at));
        if (colon != std::string_view::npos) {
            const auto length = parseInt(token.substr(colon + 1, at == std::string_view::npos ? std::string_view::npos
                                                                                               : at - colon - 1));
            if (!length || *length < 1) {
                track.fail("bad length in " + quoted(token));
                return row;
            }
            rows = *length;
        }
        std::optional<int> volume;
        if (at != std::string_view::npos) {
            volume = parseInt(token.substr(at + 1));
            if (!volume || *volume < 0 || *volume > 64) {
                track.fail("bad volume in " + quoted(token) + " (0..64)");
                return row;
            }
        }
        if (row >= track.pattern.rows) {
            track.fail(quoted(token) + " starts at row " + std::to_string(row) + ", past the pattern's end");
            return row;
        }
        xm::Cell& cell = track.cell(row);
        if (pitch == "r") {
            cell.note = xm::KeyOff;
        } else if (pitch != "~") {
            const auto note = parseNote(pitch);
            if (!note) {
                track.fail("unknown pitch " + quoted(pitch));
                return row;
            }
            const int shifted = *note + transpose;
            if (shifted < xm::LowestNote || shifted > xm::HighestNote) {
                track.fail(quoted(pitch) + " transposed by " + std::to_string(transpose) + " leaves C0..B7");
                return row;
            }
            cell.note = static_cast<uint8_t>(shifted);
            cell.instrument = instrument;
        }
        if (volume) cell.volume = xm::volumeSet(*volume);
        row += rows;
    }
    if (row > track.pattern.rows)
        track.fail("melody runs to row " + std::to_string(row) + ", past the pattern's " +
                   std::to_string(track.pattern.rows) + " rows");
    return row;
}

int writeGrid(Track track, std::string_view text, const std::vector<Hit>& kit, int startRow) {
    int row = startRow;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        if (c == '|') {
            if (row % RowsPerBar != 0) track.fail("bar line at row " + std::to_string(row) + " is not on a bar");
            continue;
        }
        if (row >= track.pattern.rows) {
            track.fail("grid runs past the pattern's " + std::to_string(track.pattern.rows) + " rows");
            return row;
        }
        if (c != '.') {
            const Hit* hit = nullptr;
            for (const Hit& h : kit)
                if (h.symbol == c) hit = &h;
            if (!hit) {
                track.fail(std::string("no hit for '") + c + "' at row " + std::to_string(row));
                return row;
            }
            xm::Cell& cell = track.cell(row);
            cell.note = hit->note;
            cell.instrument = hit->instrument;
            cell.volume = hit->volume >= 0 ? xm::volumeSet(hit->volume) : 0;
        }
        ++row;
    }
    return row;
}

std::string repeatBars(std::string_view text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += " | ";
        out += text;
    }
    return out;
}

}  // namespace score
