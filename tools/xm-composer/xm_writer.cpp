#include "xm_writer.h"

#include <algorithm>
#include <cstring>

namespace xm {
namespace {

// Byte sizes of the fixed records, as FastTracker 2 writes them.
constexpr uint32_t HeaderSizeFromField = 276;    // header size field .. end of order table
constexpr uint32_t PatternHeaderSize = 9;        // length, packing, rows, data size
constexpr uint32_t InstrumentHeaderSize = 263;   // size field .. reserved tail
constexpr uint32_t SampleHeaderSize = 40;        // one sample header
constexpr uint16_t FormatVersion = 0x0104;

class ByteSink {
public:
    explicit ByteSink(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint8_t v) { out_.push_back(v); }
    void s8(int8_t v) { out_.push_back(static_cast<uint8_t>(v)); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v & 0xFF));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v & 0xFFFF));
        u16(static_cast<uint16_t>(v >> 16));
    }
    // Fixed-width text, cut to `width`, padded with `pad`.
    void text(const std::string& s, size_t width, char pad) {
        for (size_t i = 0; i < width; ++i) u8(static_cast<uint8_t>(i < s.size() ? s[i] : pad));
    }
    void zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    void bytes(const std::vector<uint8_t>& b) { out_.insert(out_.end(), b.begin(), b.end()); }
    size_t size() const { return out_.size(); }

private:
    std::vector<uint8_t>& out_;
};

std::string checkEnvelope(const Envelope& env, const std::string& where) {
    const int n = static_cast<int>(env.points.size());
    if (n > MaxEnvelopePoints) return where + ": more than 12 points";
    if (n == 1) return where + ": an envelope needs at least two points";
    for (int i = 0; i < n; ++i) {
        if (env.points[i].value > 64) return where + ": point " + std::to_string(i) + " above 64";
        if (i > 0 && env.points[i].tick <= env.points[i - 1].tick)
            return where + ": point " + std::to_string(i) + " does not move forward in time";
    }
    auto badIndex = [n](int index) { return index < -1 || index >= std::max(n, 1); };
    if (badIndex(env.sustainPoint) || badIndex(env.loopStartPoint) || badIndex(env.loopEndPoint))
        return where + ": sustain or loop point outside the points";
    if ((env.loopStartPoint < 0) != (env.loopEndPoint < 0) || env.loopEndPoint < env.loopStartPoint)
        return where + ": loop needs a start and an end point in order";
    return {};
}

// Envelope block shared by volume and panning: 12 points of (tick, value).
void writeEnvelopePoints(ByteSink& s, const Envelope& env) {
    for (int i = 0; i < MaxEnvelopePoints; ++i) {
        const bool used = i < static_cast<int>(env.points.size());
        s.u16(used ? env.points[i].tick : 0);   // x: ticks since the note started
        s.u16(used ? env.points[i].value : 0);  // y: level 0..64
    }
}

uint8_t envelopeFlags(const Envelope& env) {
    if (env.points.empty()) return 0;
    uint8_t flags = 1;                          // bit 0: envelope on
    if (env.sustainPoint >= 0) flags |= 2;      // bit 1: hold at the sustain point until key off
    if (env.loopStartPoint >= 0) flags |= 4;    // bit 2: loop between the loop points
    return flags;
}

uint8_t pointIndex(int index) { return static_cast<uint8_t>(index < 0 ? 0 : index); }

void writeInstrument(ByteSink& s, const Instrument& ins) {
    const Sample& smp = ins.sample;
    const bool sixteenBit = true;
    const uint32_t bytesPerFrame = sixteenBit ? 2 : 1;

    // Instrument header, first part.
    s.u32(InstrumentHeaderSize);  // instrument header size, counted from this field
    s.text(ins.name, 22, '\0');   // instrument name
    s.u8(0);                      // instrument type (always 0)
    s.u16(1);                     // number of samples in the instrument
    // Second part, present because there is a sample.
    s.u32(SampleHeaderSize);      // size of each sample header
    s.zeros(96);                  // sample number for each of the 96 notes: all sample 0
    writeEnvelopePoints(s, ins.volumeEnvelope);   // volume envelope points
    writeEnvelopePoints(s, ins.panningEnvelope);  // panning envelope points
    s.u8(static_cast<uint8_t>(ins.volumeEnvelope.points.size()));   // number of volume points
    s.u8(static_cast<uint8_t>(ins.panningEnvelope.points.size()));  // number of panning points
    s.u8(pointIndex(ins.volumeEnvelope.sustainPoint));     // volume sustain point
    s.u8(pointIndex(ins.volumeEnvelope.loopStartPoint));   // volume loop start point
    s.u8(pointIndex(ins.volumeEnvelope.loopEndPoint));     // volume loop end point
    s.u8(pointIndex(ins.panningEnvelope.sustainPoint));    // panning sustain point
    s.u8(pointIndex(ins.panningEnvelope.loopStartPoint));  // panning loop start point
    s.u8(pointIndex(ins.panningEnvelope.loopEndPoint));    // panning loop end point
    s.u8(envelopeFlags(ins.volumeEnvelope));   // volume type: bit 0 on, 1 sustain, 2 loop
    s.u8(envelopeFlags(ins.panningEnvelope));  // panning type: bit 0 on, 1 sustain, 2 loop
    s.u8(static_cast<uint8_t>(ins.vibratoWave));  // auto-vibrato waveform
    s.u8(ins.vibratoSweep);   // auto-vibrato sweep (ticks to full depth)
    s.u8(ins.vibratoDepth);   // auto-vibrato depth
    s.u8(ins.vibratoRate);    // auto-vibrato rate
    s.u16(ins.fadeout);       // volume fadeout after key off
    s.zeros(22);              // reserved, up to the instrument header size

    // Sample header.
    const uint32_t loopStart = smp.loop == LoopType::None ? 0 : smp.loopStartFrame;
    const uint32_t loopLength = smp.loop == LoopType::None ? 0 : smp.loopFrameCount;
    s.u32(static_cast<uint32_t>(smp.frames.size()) * bytesPerFrame);  // sample length in bytes
    s.u32(loopStart * bytesPerFrame);   // loop start in bytes
    s.u32(loopLength * bytesPerFrame);  // loop length in bytes
    s.u8(smp.volume);                   // default volume 0..64
    s.s8(smp.finetune);                 // finetune, 1/128 semitone, signed
    // type: bits 0-1 loop (0 none, 1 forward, 2 ping-pong), bit 4 16-bit data
    s.u8(static_cast<uint8_t>(static_cast<uint8_t>(smp.loop) | (sixteenBit ? 0x10 : 0)));
    s.u8(smp.panning);                  // panning 0..255
    s.s8(smp.relativeNote);             // relative note, signed semitones (0: C-4 plays C-4)
    s.u8(0);                            // packing: 0 = delta-coded PCM
    s.text(smp.name, 22, '\0');         // sample name

    // Sample data follows the instrument's sample headers.
    s.bytes(deltaEncode(smp.frames));
}

}  // namespace

std::vector<uint8_t> deltaEncode(std::span<const int16_t> frames) {
    std::vector<uint8_t> out;
    out.reserve(frames.size() * 2);
    uint16_t previous = 0;
    for (int16_t frame : frames) {
        const uint16_t value = static_cast<uint16_t>(frame);
        const uint16_t delta = static_cast<uint16_t>(value - previous);  // wraps modulo 2^16
        out.push_back(static_cast<uint8_t>(delta & 0xFF));
        out.push_back(static_cast<uint8_t>(delta >> 8));
        previous = value;
    }
    return out;
}

std::vector<uint8_t> packPattern(const Pattern& pattern) {
    std::vector<uint8_t> out;
    for (int row = 0; row < pattern.rows; ++row) {
        for (int ch = 0; ch < pattern.channels; ++ch) {
            const Cell& c = pattern.at(row, ch);
            if (c.note != 0 && c.instrument != 0 && c.volume != 0 && c.effect != 0 && c.param != 0) {
                // All five present: the raw form is no longer than the packed one.
                out.insert(out.end(), {c.note, c.instrument, c.volume, c.effect, c.param});
                continue;
            }
            uint8_t mask = 0x80;                 // bit 7: this byte is a field mask
            if (c.note) mask |= 0x01;            // bit 0: note follows
            if (c.instrument) mask |= 0x02;      // bit 1: instrument follows
            if (c.volume) mask |= 0x04;          // bit 2: volume column follows
            if (c.effect) mask |= 0x08;          // bit 3: effect type follows
            if (c.param) mask |= 0x10;           // bit 4: effect parameter follows
            out.push_back(mask);
            if (c.note) out.push_back(c.note);
            if (c.instrument) out.push_back(c.instrument);
            if (c.volume) out.push_back(c.volume);
            if (c.effect) out.push_back(c.effect);
            if (c.param) out.push_back(c.param);
        }
    }
    return out;
}

std::string validate(const Module& m) {
    if (m.channels < 1 || m.channels > MaxChannels) return "module: channel count must be 1..32";
    if (m.orders.empty() || m.orders.size() > MaxOrders) return "module: order count must be 1..256";
    if (m.patterns.empty() || m.patterns.size() > MaxPatterns) return "module: pattern count must be 1..256";
    if (m.instruments.size() > MaxInstruments) return "module: more than 128 instruments";
    if (m.restartOrder < 0 || m.restartOrder >= static_cast<int>(m.orders.size()))
        return "module: restart position outside the order list";
    if (m.speed < 1 || m.speed > 31) return "module: speed must be 1..31 ticks a row";
    if (m.bpm < 32 || m.bpm > 255) return "module: BPM must be 32..255";
    for (size_t i = 0; i < m.orders.size(); ++i)
        if (m.orders[i] >= m.patterns.size())
            return "order " + std::to_string(i) + ": pattern " + std::to_string(m.orders[i]) + " does not exist";
    for (size_t p = 0; p < m.patterns.size(); ++p) {
        const Pattern& pat = m.patterns[p];
        const std::string where = "pattern " + std::to_string(p);
        if (pat.rows < 1 || pat.rows > 256) return where + ": row count must be 1..256";
        if (pat.channels != m.channels) return where + ": channel count differs from the module's";
        if (pat.cells.size() != static_cast<size_t>(pat.rows * pat.channels)) return where + ": cell count is wrong";
        for (const Cell& c : pat.cells) {
            if (c.note > KeyOff) return where + ": note value above key off";
            if (c.instrument > m.instruments.size()) return where + ": instrument does not exist";
        }
        if (packPattern(pat).size() > 0xFFFF) return where + ": packed data exceeds 65535 bytes";
    }
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const Instrument& ins = m.instruments[i];
        const std::string where = "instrument " + std::to_string(i + 1) + " (" + ins.name + ")";
        const Sample& s = ins.sample;
        if (s.volume > 64) return where + ": sample volume above 64";
        if (s.frames.size() > 0x7FFFFFFFu / 2) return where + ": sample too long";
        if (s.loop != LoopType::None &&
            (s.loopFrameCount == 0 || s.loopStartFrame + static_cast<uint64_t>(s.loopFrameCount) > s.frames.size()))
            return where + ": loop reaches past the end of the sample";
        if (ins.vibratoDepth > 15 || ins.vibratoRate > 63) return where + ": auto-vibrato out of range";
        if (ins.fadeout > 0xFFF) return where + ": fadeout above 0xFFF";
        if (auto e = checkEnvelope(ins.volumeEnvelope, where + " volume envelope"); !e.empty()) return e;
        if (auto e = checkEnvelope(ins.panningEnvelope, where + " panning envelope"); !e.empty()) return e;
    }
    return {};
}

bool writeModule(const Module& m, std::vector<uint8_t>& out, std::string& error) {
    error = validate(m);
    if (!error.empty()) return false;
    out.clear();
    ByteSink s(out);

    // File header.
    s.text("Extended Module: ", 17, ' ');  // ID text
    s.text(m.name, 20, '\0');                // module name
    s.u8(0x1A);                              // end-of-text marker
    s.text(m.tracker, 20, ' ');              // tracker name
    s.u16(FormatVersion);                    // format version: 1.04
    s.u32(HeaderSizeFromField);              // header size, counted from this field
    s.u16(static_cast<uint16_t>(m.orders.size()));       // song length in orders
    s.u16(static_cast<uint16_t>(m.restartOrder));        // restart position (order played after the last)
    s.u16(static_cast<uint16_t>(m.channels));            // number of channels
    s.u16(static_cast<uint16_t>(m.patterns.size()));     // number of patterns
    s.u16(static_cast<uint16_t>(m.instruments.size()));  // number of instruments
    s.u16(m.linearFrequencies ? 1 : 0);                  // flags: bit 0 linear frequency table
    s.u16(static_cast<uint16_t>(m.speed));               // default speed (ticks per row)
    s.u16(static_cast<uint16_t>(m.bpm));                 // default BPM
    for (int i = 0; i < MaxOrders; ++i)                  // pattern order table, zero-filled
        s.u8(i < static_cast<int>(m.orders.size()) ? m.orders[i] : 0);

    for (const Pattern& pat : m.patterns) {
        const std::vector<uint8_t> packed = packPattern(pat);
        s.u32(PatternHeaderSize);                          // pattern header length
        s.u8(0);                                           // packing type (always 0)
        s.u16(static_cast<uint16_t>(pat.rows));            // number of rows
        s.u16(static_cast<uint16_t>(packed.size()));       // packed pattern data size in bytes
        s.bytes(packed);                                   // packed pattern data
    }
    for (const Instrument& ins : m.instruments) writeInstrument(s, ins);
    return true;
}

}  // namespace xm
