#pragma once
// In-memory form of an Extended Module (XM, format version 0x0104) as this
// tool writes it: one sample per instrument, linear frequency table, 16-bit
// samples. The writer (xm_writer.h) turns it into bytes; tests read the bytes
// back into the same structure and compare.
#include <cstdint>
#include <string>
#include <vector>

namespace xm {

constexpr int MaxChannels = 32;
constexpr int MaxOrders = 256;
constexpr int MaxPatterns = 256;
constexpr int MaxInstruments = 128;
constexpr int MaxEnvelopePoints = 12;
constexpr uint8_t KeyOff = 97;   // note value that releases the playing note
constexpr uint8_t LowestNote = 1;    // C-0
constexpr uint8_t HighestNote = 96;  // B-7

// Volume-column encodings (the byte stored in Cell::volume).
constexpr uint8_t volumeSet(int volume0to64) { return static_cast<uint8_t>(0x10 + volume0to64); }
constexpr uint8_t volumePanning(int pan0to15) { return static_cast<uint8_t>(0xC0 + pan0to15); }

// Effect-column commands used by the composer.
constexpr uint8_t EffectPanning = 0x08;      // 8xx: set channel panning 00 (left)..FF (right)
constexpr uint8_t EffectVolumeSlide = 0x0A;  // Axy: slide up x or down y per tick after the first
constexpr uint8_t EffectSetVolume = 0x0C;    // Cxx: channel volume 00..40
constexpr uint8_t EffectSpeed = 0x0F;        // Fxx: xx < 0x20 ticks per row, else BPM

// One channel of one row. Zero in a field means "nothing there".
struct Cell {
    uint8_t note = 0;        // 1..96 (C-0..B-7), 97 key off
    uint8_t instrument = 0;  // 1..128
    uint8_t volume = 0;      // volume column byte (see volumeSet)
    uint8_t effect = 0;      // effect type 0x00..0x23
    uint8_t param = 0;       // effect parameter
    bool operator==(const Cell&) const = default;
    bool empty() const { return note == 0 && instrument == 0 && volume == 0 && effect == 0 && param == 0; }
};

struct Pattern {
    Pattern() = default;
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(static_cast<size_t>(rowCount * channelCount)) {}
    int rows = 0;
    int channels = 0;
    std::vector<Cell> cells;  // row-major: cells[row * channels + channel]
    Cell& at(int row, int channel) { return cells[static_cast<size_t>(row * channels + channel)]; }
    const Cell& at(int row, int channel) const { return cells[static_cast<size_t>(row * channels + channel)]; }
    bool operator==(const Pattern&) const = default;
};

struct EnvelopePoint {
    uint16_t tick = 0;   // ticks since the note started
    uint16_t value = 0;  // 0..64
    bool operator==(const EnvelopePoint&) const = default;
};

// An envelope is on when it has points. Indices refer to points; -1 is none.
struct Envelope {
    std::vector<EnvelopePoint> points;
    int sustainPoint = -1;
    int loopStartPoint = -1;
    int loopEndPoint = -1;
    bool operator==(const Envelope&) const = default;
};

enum class LoopType : uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct Sample {
    std::string name;                // up to 22 characters are stored
    std::vector<int16_t> frames;     // mono 16-bit PCM
    uint32_t loopStartFrame = 0;
    uint32_t loopFrameCount = 0;     // 0 with LoopType::None
    LoopType loop = LoopType::None;
    uint8_t volume = 64;             // default volume 0..64
    int8_t finetune = 0;             // 1/128 semitone
    uint8_t panning = 128;           // 0 left .. 255 right
    int8_t relativeNote = 0;         // semitones added to every note
    bool operator==(const Sample&) const = default;
};

// Auto-vibrato waveform of an instrument.
enum class VibratoWave : uint8_t { Sine = 0, Square = 1, RampDown = 2, RampUp = 3 };

struct Instrument {
    std::string name;  // up to 22 characters are stored
    Sample sample;     // every note plays this one sample
    Envelope volumeEnvelope;
    Envelope panningEnvelope;
    VibratoWave vibratoWave = VibratoWave::Sine;
    uint8_t vibratoSweep = 0;  // ticks until full depth
    uint8_t vibratoDepth = 0;  // 0..15
    uint8_t vibratoRate = 0;   // 0..63, phase step per tick (256 steps a cycle)
    uint16_t fadeout = 0;      // volume lost per tick after key off, /65536
    bool operator==(const Instrument&) const = default;
};

struct Module {
    std::string name;     // up to 20 characters are stored
    std::string tracker;  // up to 20 characters are stored
    int channels = 8;
    int speed = 6;        // ticks per row
    int bpm = 125;        // tick rate: bpm * 2 / 5 ticks a second
    bool linearFrequencies = true;
    int restartOrder = 0;
    std::vector<uint8_t> orders;  // pattern index per order
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
    bool operator==(const Module&) const = default;
};

}  // namespace xm
