// The composer's notations: note names, melodies, drum grids, chord symbols
// and the parts written from a progression, with their faults.
#include <gtest/gtest.h>

#include "harmony.h"
#include "mix.h"
#include "score.h"

namespace {

using score::Diagnostics;
using score::Track;

struct Sheet {
    xm::Pattern pattern{64, 2};
    Diagnostics diagnostics;
    Track track(int channel = 0) { return Track{pattern, channel, "test part", diagnostics}; }
    const xm::Cell& at(int row, int channel = 0) const { return pattern.at(row, channel); }
    bool mentions(const std::string& text) const {
        for (const std::string& m : diagnostics.messages())
            if (m.find(text) != std::string::npos && m.rfind("test part: ", 0) == 0) return true;
        return false;
    }
};

TEST(ScoreNotes, NamesMapToXmNotesAndBack) {
    EXPECT_EQ(score::parseNote("C0"), 1);
    EXPECT_EQ(score::parseNote("C4"), 49);
    EXPECT_EQ(score::parseNote("A4"), 58);
    EXPECT_EQ(score::parseNote("C#5"), 62);
    EXPECT_EQ(score::parseNote("Bb3"), 47);
    EXPECT_EQ(score::parseNote("B7"), 96);
    EXPECT_EQ(score::parseNote("e2"), 29);
    for (const char* bad : {"", "C", "C#", "H4", "C8", "Cb0", "B#7", "C10", "Cx4", "C-4"})
        EXPECT_FALSE(score::parseNote(bad)) << bad;
    for (int note = 1; note <= 96; ++note) EXPECT_EQ(score::parseNote(score::noteName(note)), note);
}

TEST(ScoreMelody, WritesNotesLengthsVolumesReleasesAndHolds) {
    Sheet s;
    const int end = score::writeMelody(s.track(), 5, "E5:6 D5:2@40 r:4 ~:2 C5 | G4:16", 0);
    EXPECT_TRUE(s.diagnostics.ok());
    EXPECT_EQ(end, 32);
    EXPECT_EQ(s.at(0), (xm::Cell{65, 5, 0, 0, 0}));
    EXPECT_EQ(s.at(6), (xm::Cell{63, 5, xm::volumeSet(40), 0, 0}));
    EXPECT_EQ(s.at(8).note, xm::KeyOff);
    EXPECT_EQ(s.at(8).instrument, 0);
    EXPECT_TRUE(s.at(12).empty());             // "~" writes nothing
    EXPECT_EQ(s.at(14).note, 61);              // C5 takes the previous length (2)
    EXPECT_EQ(s.at(16).note, 56);
    for (int row : {1, 5, 7, 9, 13, 15, 17}) EXPECT_TRUE(s.at(row).empty()) << row;
}

TEST(ScoreMelody, TransposesAndStartsWhereAsked) {
    Sheet s;
    score::writeMelody(s.track(1), 2, "A4:4 C5", -12, 32);
    EXPECT_TRUE(s.diagnostics.ok());
    EXPECT_EQ(s.at(32, 1).note, 46);
    EXPECT_EQ(s.at(36, 1).note, 49);
    EXPECT_TRUE(s.at(0, 1).empty());
}

TEST(ScoreMelody, FaultsSayWhereAndWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"C4:15 | D4", "bar line at row 15"},
        {"X4:4", "unknown pitch \"X4\""},
        {"C4:0", "bad length"},
        {"C4:x", "bad length"},
        {"C4@65", "bad volume"},
        {"C4:64 D4", "past the pattern's end"},
        {"C4:70", "melody runs to row 70"},
        {"B7", "leaves C0..B7"},
    };
    for (const auto& [text, says] : cases) {
        Sheet s;
        score::writeMelody(s.track(), 1, text, text[0] == 'B' ? 1 : 0);
        EXPECT_TRUE(s.mentions(says)) << text << " -> "
                                      << (s.diagnostics.ok() ? "no fault" : s.diagnostics.messages()[0]);
    }
}

TEST(ScoreGrid, HitsReplaceTheCellAndFaultsAreReported) {
    const std::vector<score::Hit> kit = {{'x', 1, 49, -1}, {'g', 2, 49, 14}};
    Sheet s;
    s.pattern.at(0, 0).volume = xm::volumeSet(18);  // left by an earlier part
    const int end = score::writeGrid(s.track(), "x...g... ........ | ........ x.......", kit);
    EXPECT_TRUE(s.diagnostics.ok());
    EXPECT_EQ(end, 32);
    EXPECT_EQ(s.at(0), (xm::Cell{49, 1, 0, 0, 0}));  // default volume: the column is cleared
    EXPECT_EQ(s.at(4), (xm::Cell{49, 2, xm::volumeSet(14), 0, 0}));
    EXPECT_EQ(s.at(24).instrument, 1);
    EXPECT_TRUE(s.at(8).empty());

    Sheet unknown;
    score::writeGrid(unknown.track(), "x..z", kit);
    EXPECT_TRUE(unknown.mentions("no hit for 'z' at row 3"));
    Sheet misplaced;
    score::writeGrid(misplaced.track(), "x.| x", kit);
    EXPECT_TRUE(misplaced.mentions("bar line at row 2"));
    Sheet tooLong;
    score::writeGrid(tooLong.track(), std::string(65, '.'), kit);
    EXPECT_TRUE(tooLong.mentions("past the pattern's 64 rows"));
    EXPECT_EQ(score::repeatBars("ab", 3), "ab | ab | ab");
}

TEST(ScoreChords, SymbolsGiveRootBassAndIntervals) {
    auto am = score::parseChord("Am");
    ASSERT_TRUE(am);
    EXPECT_EQ(am->root, 9);
    EXPECT_EQ(am->bass, 9);
    EXPECT_EQ(am->intervals, (std::vector<int>{0, 3, 7}));
    auto ce = score::parseChord("C/E");
    ASSERT_TRUE(ce);
    EXPECT_EQ(ce->root, 0);
    EXPECT_EQ(ce->bass, 4);
    EXPECT_EQ(score::parseChord("Fmaj7")->intervals, (std::vector<int>{0, 4, 7, 11}));
    EXPECT_EQ(score::parseChord("G#m7")->root, 8);
    EXPECT_EQ(score::parseChord("Bb")->root, 10);
    EXPECT_EQ(score::parseChord("Esus4")->intervals, (std::vector<int>{0, 5, 7}));
    EXPECT_EQ(score::parseChord("Amadd9")->intervals, (std::vector<int>{0, 3, 7, 14}));
    for (const char* bad : {"", "H", "Cxyz", "C/", "C/H", "C/Eb7", "m"}) EXPECT_FALSE(score::parseChord(bad)) << bad;

    Diagnostics d;
    const auto progression = score::parseProgression("Am | F C  Gx", d, "order 9 chords");
    EXPECT_EQ(progression.size(), 3u);
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0], "order 9 chords: unknown chord \"Gx\"");
}

std::vector<score::Chord> chords(const char* text) {
    Diagnostics d;
    auto out = score::parseProgression(text, d, "test");
    EXPECT_TRUE(d.ok());
    return out;
}

TEST(ScoreParts, BassFollowsTheBassNoteInItsRegister) {
    Sheet s;
    score::writeBass(s.track(), {7, 30, -1}, chords("Am C/E"), "R.O.F.^.........", 29);
    EXPECT_TRUE(s.diagnostics.ok());
    EXPECT_EQ(s.at(0), (xm::Cell{34, 7, xm::volumeSet(30), 0, 0}));  // A-2, first A at or above E-2
    EXPECT_EQ(s.at(2).note, 46);                                      // octave
    EXPECT_EQ(s.at(4).note, 41);                                      // fifth: E-3
    EXPECT_EQ(s.at(6).note, xm::KeyOff);
    EXPECT_EQ(s.at(16).note, 29);  // C/E plays E-2
    EXPECT_EQ(s.at(20).note, 32);  // and the fifth of C above it: G-2
}

TEST(ScoreParts, ArpeggioCountsChordTonesUpward) {
    Sheet s;
    score::writeArpeggio(s.track(), {9, -1, -1}, chords("Am G"), "0123 5... .... ...^", 58, 16);
    EXPECT_TRUE(s.diagnostics.ok());
    const int am[] = {58, 61, 65, 70};  // A-4 C-5 E-5 A-5
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s.at(16 + i).note, am[i]);
    EXPECT_EQ(s.at(20).note, 77);           // sixth tone: E-6
    EXPECT_EQ(s.at(31).note, xm::KeyOff);
    EXPECT_EQ(s.at(32).note, 60);           // G chord from A-4: B-4 first
    EXPECT_TRUE(s.at(0).empty());

    Sheet shortRhythm;
    score::writeArpeggio(shortRhythm.track(), {9, -1, -1}, chords("Am"), "0123", 58);
    EXPECT_TRUE(shortRhythm.mentions("needs 16 rows, got 4"));
    Sheet tooMany;
    score::writeBass(tooMany.track(), {7, -1, -1}, chords("Am Am Am Am"), "R...............", 29, 16);
    EXPECT_TRUE(tooMany.mentions("4 bars from row 16 do not fit"));
    Sheet badStep;
    score::writeBass(badStep.track(), {7, -1, -1}, chords("Am"), "R......X........", 29);
    EXPECT_TRUE(badStep.mentions("unknown bass step 'X'"));
}

TEST(ScoreParts, PadsVoiceThirdsFifthsAndSeventhsMovingLittle) {
    Sheet s;
    score::PadVoices voices;
    const score::PartStyle low{8, 40, 0x60}, high{8, 40, 0xA0};
    score::writePads(s.track(0), s.track(1), low, high, chords("Am F Cmaj7 G"), voices, 43, 67);
    ASSERT_TRUE(s.diagnostics.ok());
    auto pc = [](int note) { return (note - 1) % 12; };
    // Am: C and E, both struck at the first bar with volume and panning.
    EXPECT_EQ(s.at(0, 0), (xm::Cell{53, 8, xm::volumeSet(40), xm::EffectPanning, 0x60}));  // E-4
    EXPECT_EQ(s.at(0, 1).note, 61);                                                         // C-5
    EXPECT_EQ(s.at(0, 1).param, 0xA0);
    // F: A and C; the common C is held, not struck again.
    EXPECT_EQ(pc(s.at(16, 0).note), 9);
    EXPECT_TRUE(s.at(16, 1).empty());
    // Cmaj7: third and seventh (E and B).
    int lowNote = s.at(32, 0).note ? s.at(32, 0).note : s.at(16, 0).note;
    int highNote = s.at(32, 1).note ? s.at(32, 1).note : 61;
    EXPECT_EQ(std::min(pc(lowNote), pc(highNote)) + std::max(pc(lowNote), pc(highNote)) * 100, 4 + 11 * 100);
    EXPECT_EQ(voices.lower < voices.upper, true);
    EXPECT_GE(voices.lower, 43);
    EXPECT_LE(voices.upper, 67);
    // Every voice step is small.
    int previousLow = 53, previousHigh = 61;
    for (int row = 16; row < 64; row += 16) {
        const int l = s.at(row, 0).note ? s.at(row, 0).note : previousLow;
        const int h = s.at(row, 1).note ? s.at(row, 1).note : previousHigh;
        EXPECT_LE(std::abs(l - previousLow), 5) << row;
        EXPECT_LE(std::abs(h - previousHigh), 5) << row;
        EXPECT_LT(l, h);
        previousLow = l;
        previousHigh = h;
    }
    Sheet narrow;
    score::PadVoices fresh;
    score::writePads(narrow.track(0), narrow.track(1), low, high, chords("Am"), fresh, 50, 52);
    EXPECT_TRUE(narrow.mentions("no pad voicing for Am"));
}

// The mix scales what the patterns set and what each instrument defaults to,
// stops at 64, and refuses an instrument shared by channels of unequal gain.
TEST(Mix, ScalesVolumesPerChannelUpToTheFormatsCeiling) {
    xm::Module m;
    m.channels = 2;
    m.instruments.resize(2);
    m.instruments[0].sample.volume = 32;
    m.instruments[1].sample.volume = 50;
    m.patterns.emplace_back(2, 2);
    xm::Pattern& p = m.patterns[0];
    p.at(0, 0) = {49, 1, xm::volumeSet(20), 0, 0};
    p.at(1, 0) = {0, 0, xm::volumeSet(40), xm::EffectSetVolume, 0x10};
    p.at(0, 1) = {49, 2, 0, xm::EffectVolumeSlide, 0x04};
    std::string error;
    ASSERT_TRUE(xm_mix::applyChannelGains(m, std::vector<double>{6.0206, 0.0}, error)) << error;
    EXPECT_EQ(m.instruments[0].sample.volume, 64);
    EXPECT_EQ(m.instruments[1].sample.volume, 50);
    EXPECT_EQ(p.at(0, 0).volume, xm::volumeSet(40));
    EXPECT_EQ(p.at(1, 0).volume, xm::volumeSet(64));  // 80 stops at the ceiling
    EXPECT_EQ(p.at(1, 0).param, 0x20);
    EXPECT_EQ(p.at(0, 1).param, 0x04);  // slides are relative: untouched
    p.at(1, 1).instrument = 1;
    EXPECT_FALSE(xm_mix::applyChannelGains(m, std::vector<double>{3.0, 0.0}, error));
    EXPECT_NE(error.find("plays on channels with different gains"), std::string::npos) << error;
}

}  // namespace
