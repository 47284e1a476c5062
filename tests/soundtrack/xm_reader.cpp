#include "xm_reader.h"

#include <cstring>

namespace xmread {
namespace {

class Cursor {
public:
    explicit Cursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    size_t offset() const { return at_; }
    size_t remaining() const { return ok_ ? bytes_.size() - at_ : 0; }

    uint8_t u8() { return need(1) ? bytes_[at_++] : 0; }
    uint16_t u16() {
        const uint16_t lo = u8();
        return static_cast<uint16_t>(lo | (u8() << 8));
    }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | (static_cast<uint32_t>(u16()) << 16);
    }
    std::string text(size_t width) {
        std::string s;
        if (!need(width)) return s;
        for (size_t i = 0; i < width; ++i) s += static_cast<char>(bytes_[at_ + i]);
        at_ += width;
        while (!s.empty() && (s.back() == '\0' || s.back() == ' ')) s.pop_back();
        return s;
    }
    std::span<const uint8_t> take(size_t count) {
        if (!need(count)) return {};
        auto out = bytes_.subspan(at_, count);
        at_ += count;
        return out;
    }
    void seek(size_t offset) {
        if (offset > bytes_.size()) ok_ = false;
        else at_ = offset;
    }

private:
    bool need(size_t count) {
        if (!ok_ || bytes_.size() - at_ < count) ok_ = false;
        return ok_;
    }
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

xm::Envelope readEnvelope(const uint16_t (&points)[24], uint8_t count, uint8_t sustain, uint8_t loopStart,
                          uint8_t loopEnd, uint8_t flags) {
    xm::Envelope env;
    if (!(flags & 1)) return env;
    for (int i = 0; i < count && i < 12; ++i) env.points.push_back({points[2 * i], points[2 * i + 1]});
    if (flags & 2) env.sustainPoint = sustain;
    if (flags & 4) {
        env.loopStartPoint = loopStart;
        env.loopEndPoint = loopEnd;
    }
    return env;
}

}  // namespace

std::optional<xm::Pattern> unpackPattern(std::span<const uint8_t> packed, int rows, int channels) {
    xm::Pattern pattern(rows, channels);
    Cursor c(packed);
    for (xm::Cell& cell : pattern.cells) {
        const uint8_t first = c.u8();
        if (first & 0x80) {
            if (first & 0x01) cell.note = c.u8();
            if (first & 0x02) cell.instrument = c.u8();
            if (first & 0x04) cell.volume = c.u8();
            if (first & 0x08) cell.effect = c.u8();
            if (first & 0x10) cell.param = c.u8();
        } else {
            cell.note = first;
            cell.instrument = c.u8();
            cell.volume = c.u8();
            cell.effect = c.u8();
            cell.param = c.u8();
        }
    }
    if (!c.ok() || c.remaining() != 0) return std::nullopt;
    return pattern;
}

std::optional<xm::Module> readModule(std::span<const uint8_t> bytes, std::string& error) {
    Cursor c(bytes);
    auto fail = [&](const std::string& why) {
        error = "at byte " + std::to_string(c.offset()) + ": " + why;
        return std::nullopt;
    };
    xm::Module m;
    if (c.text(17) != "Extended Module:") return fail("no XM signature");
    m.name = c.text(20);
    if (c.u8() != 0x1A) return fail("no 0x1A after the name");
    m.tracker = c.text(20);
    if (c.u16() != 0x0104) return fail("not format version 1.04");
    const size_t headerStart = c.offset();
    const uint32_t headerSize = c.u32();
    const uint16_t orderCount = c.u16();
    m.restartOrder = c.u16();
    m.channels = c.u16();
    const uint16_t patternCount = c.u16();
    const uint16_t instrumentCount = c.u16();
    m.linearFrequencies = (c.u16() & 1) != 0;
    m.speed = c.u16();
    m.bpm = c.u16();
    const std::span<const uint8_t> orderTable = c.take(256);
    if (!c.ok()) return fail("header cut short");
    if (orderCount > 256) return fail("more than 256 orders");
    m.orders.assign(orderTable.begin(), orderTable.begin() + orderCount);
    c.seek(headerStart + headerSize);

    for (int p = 0; p < patternCount; ++p) {
        const size_t start = c.offset();
        const uint32_t length = c.u32();
        if (c.u8() != 0) return fail("pattern " + std::to_string(p) + " has an unknown packing");
        const uint16_t rows = c.u16();
        const uint16_t size = c.u16();
        c.seek(start + length);
        const auto data = c.take(size);
        if (!c.ok()) return fail("pattern " + std::to_string(p) + " cut short");
        auto pattern = unpackPattern(data, rows, m.channels);
        if (!pattern) return fail("pattern " + std::to_string(p) + " data does not fill its rows");
        m.patterns.push_back(std::move(*pattern));
    }

    for (int i = 0; i < instrumentCount; ++i) {
        const std::string which = "instrument " + std::to_string(i + 1);
        const size_t start = c.offset();
        const uint32_t size = c.u32();
        xm::Instrument ins;
        ins.name = c.text(22);
        c.u8();  // type
        if (c.u16() != 1) return fail(which + " does not hold exactly one sample");
        const uint32_t sampleHeaderSize = c.u32();
        c.take(96);  // keymap
        uint16_t vol[24], pan[24];
        for (uint16_t& v : vol) v = c.u16();
        for (uint16_t& v : pan) v = c.u16();
        const uint8_t volCount = c.u8(), panCount = c.u8();
        const uint8_t volSustain = c.u8(), volLoopStart = c.u8(), volLoopEnd = c.u8();
        const uint8_t panSustain = c.u8(), panLoopStart = c.u8(), panLoopEnd = c.u8();
        const uint8_t volFlags = c.u8(), panFlags = c.u8();
        ins.volumeEnvelope = readEnvelope(vol, volCount, volSustain, volLoopStart, volLoopEnd, volFlags);
        ins.panningEnvelope = readEnvelope(pan, panCount, panSustain, panLoopStart, panLoopEnd, panFlags);
        ins.vibratoWave = static_cast<xm::VibratoWave>(c.u8());
        ins.vibratoSweep = c.u8();
        ins.vibratoDepth = c.u8();
        ins.vibratoRate = c.u8();
        ins.fadeout = c.u16();
        c.seek(start + size);

        const size_t sampleStart = c.offset();
        xm::Sample& s = ins.sample;
        const uint32_t lengthBytes = c.u32(), loopStartBytes = c.u32(), loopLengthBytes = c.u32();
        s.volume = c.u8();
        s.finetune = static_cast<int8_t>(c.u8());
        const uint8_t type = c.u8();
        s.panning = c.u8();
        s.relativeNote = static_cast<int8_t>(c.u8());
        if (c.u8() != 0) return fail(which + " sample is not delta-coded PCM");
        s.name = c.text(22);
        c.seek(sampleStart + sampleHeaderSize);
        if (!(type & 0x10) || (lengthBytes | loopStartBytes | loopLengthBytes) & 1)
            return fail(which + " sample is not 16-bit");
        s.loop = static_cast<xm::LoopType>(type & 3);
        s.loopStartFrame = s.loop == xm::LoopType::None ? 0 : loopStartBytes / 2;
        s.loopFrameCount = s.loop == xm::LoopType::None ? 0 : loopLengthBytes / 2;
        const auto data = c.take(lengthBytes);
        if (!c.ok()) return fail(which + " sample data cut short");
        uint16_t value = 0;
        for (size_t k = 0; k + 1 < data.size(); k += 2) {
            value = static_cast<uint16_t>(value + (data[k] | (data[k + 1] << 8)));
            s.frames.push_back(static_cast<int16_t>(value));
        }
        m.instruments.push_back(std::move(ins));
    }
    if (!c.ok()) return fail("file cut short");
    if (c.remaining() != 0) return fail(std::to_string(c.remaining()) + " bytes after the last instrument");
    return m;
}

}  // namespace xmread
