// The XM writer: header bytes where the format puts them, both cell
// encodings, delta-coded samples, a full round trip through an independent
// reader, and refusal of what the format cannot hold.
#include <gtest/gtest.h>

#include "xm_reader.h"
#include "xm_writer.h"

namespace {

uint16_t u16At(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t u32At(const std::vector<uint8_t>& b, size_t at) { return u16At(b, at) | (uint32_t{u16At(b, at + 2)} << 16); }

// Two channels, three orders over two patterns, two instruments that use
// every instrument field the writer knows.
xm::Module sampleModule() {
    xm::Module m;
    m.name = "round trip";
    m.tracker = "tests";
    m.channels = 2;
    m.speed = 5;
    m.bpm = 140;
    m.restartOrder = 1;
    m.orders = {0, 1, 0};
    xm::Pattern a(4, 2), b(2, 2);
    a.at(0, 0) = {49, 1, xm::volumeSet(40), xm::EffectPanning, 0x80};  // every field: raw form
    a.at(1, 1) = {xm::KeyOff, 0, 0, 0, 0};
    a.at(2, 0) = {0, 0, 0, xm::EffectVolumeSlide, 0x01};
    a.at(3, 1) = {61, 2, 0, 0, 0};
    b.at(1, 0) = {0, 0, xm::volumePanning(3), 0, 0};
    m.patterns = {a, b};

    xm::Instrument looped;
    looped.name = "looped";
    looped.sample.name = "looped sample";
    looped.sample.frames = {0, 1000, -1000, 32767, -32768, 5, 7, 9};
    looped.sample.loop = xm::LoopType::PingPong;
    looped.sample.loopStartFrame = 2;
    looped.sample.loopFrameCount = 5;
    looped.sample.volume = 48;
    looped.sample.finetune = -20;
    looped.sample.panning = 200;
    looped.sample.relativeNote = 29;
    looped.volumeEnvelope.points = {{0, 0}, {4, 64}, {20, 32}, {40, 0}};
    looped.volumeEnvelope.sustainPoint = 2;
    looped.panningEnvelope.points = {{0, 32}, {10, 0}, {20, 64}};
    looped.panningEnvelope.loopStartPoint = 0;
    looped.panningEnvelope.loopEndPoint = 2;
    looped.vibratoWave = xm::VibratoWave::Square;
    looped.vibratoSweep = 40;
    looped.vibratoDepth = 3;
    looped.vibratoRate = 22;
    looped.fadeout = 0x400;

    xm::Instrument oneShot;
    oneShot.name = "a name longer than twenty-two";
    oneShot.sample.frames = {100, -100, 50};
    m.instruments = {looped, oneShot};
    return m;
}

std::vector<uint8_t> written(const xm::Module& m) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(xm::writeModule(m, bytes, error)) << error;
    return bytes;
}

TEST(XmWriter, HeaderFieldsSitAtTheirOffsets) {
    const std::vector<uint8_t> b = written(sampleModule());
    ASSERT_GT(b.size(), 336u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 17), "Extended Module: ");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[17])), "round trip");  // zero-padded
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 58), "tests               ");
    EXPECT_EQ(u16At(b, 58), 0x0104);
    EXPECT_EQ(u32At(b, 60), 276u);
    EXPECT_EQ(u16At(b, 64), 3);    // orders
    EXPECT_EQ(u16At(b, 66), 1);    // restart
    EXPECT_EQ(u16At(b, 68), 2);    // channels
    EXPECT_EQ(u16At(b, 70), 2);    // patterns
    EXPECT_EQ(u16At(b, 72), 2);    // instruments
    EXPECT_EQ(u16At(b, 74), 1);    // linear frequencies
    EXPECT_EQ(u16At(b, 76), 5);    // speed
    EXPECT_EQ(u16At(b, 78), 140);  // BPM
    EXPECT_EQ(b[80], 0);
    EXPECT_EQ(b[81], 1);
    EXPECT_EQ(b[82], 0);
    for (size_t i = 83; i < 336; ++i) ASSERT_EQ(b[i], 0) << "order table byte " << i - 80;
    // First pattern header right after the order table.
    EXPECT_EQ(u32At(b, 336), 9u);
    EXPECT_EQ(b[340], 0);
    EXPECT_EQ(u16At(b, 341), 4);
    EXPECT_EQ(u16At(b, 343), xm::packPattern(sampleModule().patterns[0]).size());
}

TEST(XmWriter, CellsUseTheRawFormOnlyWhenEveryFieldIsPresent) {
    xm::Pattern p(1, 4);
    p.at(0, 0) = {};                                  // empty: mask alone
    p.at(0, 1) = {50, 3, 0x20, 0x0C, 0x10};           // full: five raw bytes
    p.at(0, 2) = {xm::KeyOff, 0, 0, 0, 0};            // note only
    p.at(0, 3) = {0, 7, 0, 0, 0x33};                  // instrument and parameter
    const std::vector<uint8_t> expected = {0x80, 50, 3, 0x20, 0x0C, 0x10, 0x81, 97, 0x92, 7, 0x33};
    EXPECT_EQ(xm::packPattern(p), expected);
    // A full cell whose parameter is 0 cannot use the raw form's meaning of "present".
    xm::Pattern q(1, 1);
    q.at(0, 0) = {50, 3, 0x20, 0x0C, 0};
    EXPECT_EQ(xm::packPattern(q), (std::vector<uint8_t>{0x8F, 50, 3, 0x20, 0x0C}));
    EXPECT_EQ(xmread::unpackPattern(xm::packPattern(p), 1, 4).value(), p);
}

TEST(XmWriter, DeltaCodingWrapsAndDecodesToTheSameFrames) {
    const std::vector<int16_t> frames = {0, 32767, -32768, -1, 5, -32768, 32767};
    const std::vector<uint8_t> d = xm::deltaEncode(frames);
    ASSERT_EQ(d.size(), frames.size() * 2);
    EXPECT_EQ(u16At(d, 2), 32767);   // 32767 - 0
    EXPECT_EQ(u16At(d, 4), 1);       // -32768 - 32767 wraps to 1
    EXPECT_EQ(u16At(d, 6), 32767);   // -1 - (-32768)
    uint16_t value = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        value = static_cast<uint16_t>(value + u16At(d, 2 * i));
        EXPECT_EQ(static_cast<int16_t>(value), frames[i]);
    }
}

TEST(XmWriter, EverythingReadsBackThroughAnIndependentReader) {
    xm::Module m = sampleModule();
    const std::vector<uint8_t> b = written(m);
    std::string error;
    const auto back = xmread::readModule(b, error);
    ASSERT_TRUE(back) << error;
    m.instruments[1].name.resize(22);  // the format keeps 22 characters
    EXPECT_EQ(back->name, m.name);
    EXPECT_EQ(back->orders, m.orders);
    EXPECT_EQ(back->patterns, m.patterns);
    for (size_t i = 0; i < m.instruments.size(); ++i) EXPECT_EQ(back->instruments[i], m.instruments[i]) << i;
    EXPECT_EQ(*back, m);
}

TEST(XmWriter, TheReaderRefusesTruncatedFiles) {
    const std::vector<uint8_t> b = written(sampleModule());
    for (size_t cut : {size_t{10}, size_t{300}, size_t{340}, b.size() / 2, b.size() - 1}) {
        std::string error;
        EXPECT_FALSE(xmread::readModule(std::span(b.data(), cut), error)) << cut;
        EXPECT_FALSE(error.empty());
    }
}

struct Fault {
    const char* name;
    void (*spoil)(xm::Module&);
    const char* says;
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class XmWriterRefuses : public ::testing::TestWithParam<Fault> {};

TEST_P(XmWriterRefuses, WhatTheFormatCannotHold) {
    xm::Module m = sampleModule();
    GetParam().spoil(m);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(xm::writeModule(m, bytes, error));
    EXPECT_NE(error.find(GetParam().says), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, XmWriterRefuses,
    ::testing::Values(
        Fault{"restart", [](xm::Module& m) { m.restartOrder = 3; }, "restart position"},
        Fault{"missingPattern", [](xm::Module& m) { m.orders.push_back(2); }, "order 3: pattern 2"},
        Fault{"noOrders", [](xm::Module& m) { m.orders.clear(); }, "order count"},
        Fault{"channels", [](xm::Module& m) { m.channels = 33; }, "channel count"},
        Fault{"bpm", [](xm::Module& m) { m.bpm = 31; }, "BPM"},
        Fault{"speed", [](xm::Module& m) { m.speed = 0; }, "speed"},
        Fault{"patternChannels", [](xm::Module& m) { m.patterns[1] = xm::Pattern(2, 3); }, "pattern 1"},
        Fault{"instrument", [](xm::Module& m) { m.patterns[0].at(0, 1).instrument = 3; }, "instrument does not exist"},
        Fault{"note", [](xm::Module& m) { m.patterns[0].at(0, 1).note = 98; }, "note value"},
        Fault{"loopPastEnd", [](xm::Module& m) { m.instruments[0].sample.loopFrameCount = 7; }, "loop reaches past"},
        Fault{"emptyLoop", [](xm::Module& m) { m.instruments[0].sample.loopFrameCount = 0; }, "loop reaches past"},
        Fault{"volume", [](xm::Module& m) { m.instruments[1].sample.volume = 65; }, "volume above 64"},
        Fault{"envelopeTime", [](xm::Module& m) { m.instruments[0].volumeEnvelope.points[2].tick = 4; },
              "does not move forward"},
        Fault{"envelopeLevel", [](xm::Module& m) { m.instruments[0].volumeEnvelope.points[1].value = 65; },
              "above 64"},
        Fault{"envelopePoints",
              [](xm::Module& m) {
                  auto& p = m.instruments[0].volumeEnvelope.points;
                  for (uint16_t t = 50; p.size() < 13; t += 5) p.push_back({t, 0});
              },
              "more than 12"},
        Fault{"sustainPoint", [](xm::Module& m) { m.instruments[0].volumeEnvelope.sustainPoint = 4; },
              "outside the points"},
        Fault{"halfLoop", [](xm::Module& m) { m.instruments[0].panningEnvelope.loopEndPoint = -1; },
              "loop needs"},
        Fault{"vibrato", [](xm::Module& m) { m.instruments[0].vibratoDepth = 16; }, "auto-vibrato"},
        Fault{"fadeout", [](xm::Module& m) { m.instruments[0].fadeout = 0x1000; }, "fadeout"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
