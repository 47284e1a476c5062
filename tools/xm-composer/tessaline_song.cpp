#include "tessaline_song.h"

#include <string>

#include "harmony.h"
#include "instruments.h"
#include "mix.h"

namespace tessaline {
namespace {

using score::PartStyle;
using score::Track;

// ---------------------------------------------------------------------------
// The score: harmony and melody of every order (four bars each).
// ---------------------------------------------------------------------------

enum class Section { Intro, Emerge, Drums, ThemeA, ThemeB, ThemeC, Reprise, Closing };

struct OrderScore {
    Section section;
    const char* chords;  // one chord a bar
    const char* melody;  // lead channel ("" for none)
    bool buildUp;        // last bar: snare roll and riser into the next section
};

// Theme A: a falling 6-2-4-4 motif whose top note climbs E, F, G.
constexpr const char* ThemeA1 = "E5:6 D5:2 C5:4 E5:4 | F5:6 E5:2 C5:4 A4:4 | G5:6 E5:2 C5:4 E5:4 | D5:6 B4:2 D5:8";
constexpr const char* ThemeA1b =
    "E5:6 D5:2 C5:4 E5:2 G5:2 | F5:6 E5:2 C5:4 A4:2 C5:2 | G5:6 E5:2 C5:4 E5:2 G5:2 | A5:4 G5:4 D5:4 B4:4";
constexpr const char* ThemeA2 = "E5:6 D5:2 C5:4 E5:4 | A5:6 G5:2 F5:4 C5:4 | B5:6 A5:2 G5:4 D5:4 | G#5:6 F5:2 E5:8";
constexpr const char* BridgeA = "F5:4 E5:4 D5:4 C5:4 | C5:4 D5:4 E5:4 F5:4 | G5:4 F5:4 E5:4 D5:4 | E5:8 r:8";
// Theme B: the same figure in a 3-3-2 rhythm, rising through the chords.
constexpr const char* ThemeB1 = "C5:3 C5:3 A4:2 C5:4 F5:4 | D5:3 D5:3 B4:2 D5:4 G5:4 | E5:3 E5:3 B4:2 E5:4 G5:4 | A5:12 r:4";
constexpr const char* ThemeB2 = "F5:3 F5:3 D5:2 A4:4 D5:4 | G5:3 G5:3 E5:2 B4:4 E5:4 | A5:3 A5:3 F5:2 C5:4 F5:4 | G#5:8 B5:8";
constexpr const char* BridgeB = "A5:4 G5:4 F5:4 E5:4 | D5:4 E5:4 F5:4 G5:4 | G#5:16 | r:16";
// Theme C: the climax in the relative major, long notes up to E6.
constexpr const char* ThemeC1 = "E5:4 G5:4 C6:8 | B5:4 D6:4 B5:4 G5:4 | C6:6 B5:2 A5:4 E5:4 | A5:8 G5:4 F5:4";
constexpr const char* ThemeC2 = "E5:4 G5:4 C6:8 | D6:6 C6:2 B5:4 G5:4 | A5:4 C6:4 E6:8 | D6:8 B5:4 G5:4";
constexpr const char* BridgeC = "E6:8 C6:8 | A5:8 C6:8 | B5:8 D6:8 | B5:4 G#5:4 E5:8";
constexpr const char* Ending = "E5:6 D5:2 C5:4 E5:4 | A5:6 G5:2 F5:4 C5:4 | B5:6 A5:2 G5:4 B5:4 | A5:16";

constexpr OrderScore Score[OrderCount] = {
    // Black screen: a distant bell over a soft pad, the heartbeat far away.
    {Section::Intro, "Amadd9 Amadd9 Fmaj7 Fmaj7", "~:8 E5:6@22 D5:2@18 | ~:16 | ~:8 C5:6@20 B4:2@16 | ~:16", false},
    // The heart emerges: supersaw pads, the arpeggio fading in.
    {Section::Emerge, "Am F C G", "", false},
    {Section::Emerge, "Am F C G", "", false},
    {Section::Emerge, "Am F Dm E", "", true},
    // The heart beats: drums and bass.
    {Section::Drums, "Am F C G", "", false},
    {Section::Drums, "Am F Dm E", "", true},
    // First text image.
    {Section::ThemeA, "Am F C G", ThemeA1, false},
    {Section::ThemeA, "Am F G E", ThemeA2, false},
    {Section::ThemeA, "Am F C G", ThemeA1b, false},
    {Section::ThemeA, "Am F G E", ThemeA2, false},
    {Section::ThemeA, "Dm F G E", BridgeA, true},
    // Second text image.
    {Section::ThemeB, "F G Em Am", ThemeB1, false},
    {Section::ThemeB, "Dm Em F E", ThemeB2, false},
    {Section::ThemeB, "F G Em Am", ThemeB1, false},
    {Section::ThemeB, "Dm Em F E", ThemeB2, false},
    {Section::ThemeB, "F G E E", BridgeB, true},
    // Third text image: the climax.
    {Section::ThemeC, "C G Am F", ThemeC1, false},
    {Section::ThemeC, "C G F G", ThemeC2, false},
    {Section::ThemeC, "C G Am F", ThemeC1, false},
    {Section::ThemeC, "C G F G", ThemeC2, false},
    {Section::ThemeC, "Am F G E", BridgeC, true},
    // Fourth text image: theme A again with an echo; the last bar fades.
    {Section::Reprise, "Am F C G", ThemeA1, false},
    {Section::Reprise, "Am F G E", ThemeA2, false},
    {Section::Reprise, "Am F C G", ThemeA1b, false},
    {Section::Reprise, "Am F G E", ThemeA2, false},
    {Section::Reprise, "Am F G Am", Ending, false},
    // Closing theme (loops): bell melody, warm pads, the heartbeat at rest.
    {Section::Closing, "Am7 Fmaj7 Cmaj7 G", "E5:8 C5:4 A4:4 | E5:8 C5:8 | G5:8 E5:4 B4:4 | D5:16", false},
    {Section::Closing, "Am7 Fmaj7 Dm7 Esus4", "E5:8 G5:4 A5:4 | C6:8 A5:8 | F5:8 D5:4 C5:4 | B4:8 A4:8", false},
    {Section::Closing, "Fmaj7 G Em7 Am7", "A5:8 G5:4 E5:4 | D5:8 B4:8 | G5:8 E5:4 D5:4 | E5:16", false},
    {Section::Closing, "Dm7 Em7 Fmaj7 G", "F5:8 A5:4 C6:4 | B5:8 G5:8 | A5:8 E5:4 C5:4 | D5:16", false},
    {Section::Closing, "Am7 Fmaj7 Cmaj7 G", "A4:4 C5:4 E5:8 | A4:4 C5:4 E5:8 | G4:4 B4:4 E5:8 | D5:8 B4:8", false},
    {Section::Closing, "Fmaj7 G Esus4 E", "C6:8 A5:8 | B5:8 G5:8 | A5:8 E5:8 | G#5:8 B5:8", false},
};

// ---------------------------------------------------------------------------
// Drum kit and rhythms (one bar, 16 rows).
// ---------------------------------------------------------------------------

constexpr uint8_t DrumNote = 49;  // C-4 plays every drum at its own rate

const std::vector<score::Hit>& kit() {
    static const std::vector<score::Hit> hits = {
        {'x', Kick, DrumNote, -1},       {'k', Kick, DrumNote, 40},       {'w', Kick, DrumNote, 30},
        {'q', Kick, DrumNote, 16},       {'s', Snare, DrumNote, -1},      {'g', Snare, DrumNote, 14},
        {'h', ClosedHat, DrumNote, 18},  {'H', ClosedHat, DrumNote, -1},  {'c', ClosedHat, DrumNote, 12},
        {'o', OpenHat, DrumNote, -1},    {'C', Crash, DrumNote, -1},      {'z', Crash, DrumNote, 20},
        {'R', Riser, DrumNote, -1},
    };
    return hits;
}

constexpr const char* KickBar = "x...x...........";
constexpr const char* SnareBar = "........s.......";
constexpr const char* SnareGhostBar = "........s.....g.";
constexpr const char* SnareDriveBar = "........s..g..s.";
constexpr const char* HatBar = "h.H.h.H.h.H.h.o.";
constexpr const char* HatBusyBar = "h.Hhh.Hhh.Hhh.oh";
constexpr const char* HatOpenBar = "h.H.h.o.h.H.h.o.";
constexpr const char* ShakerBar = "..c...c...c...c.";

// Bass: short notes on the off-beats, released a row later, so the low end
// is clear for every kick.
constexpr const char* BassOffbeat = "..R^..R^..R^..R^";
constexpr const char* BassPickup = "^.R^..R^..R^.RO^";
constexpr const char* BassDrive = "^.R^..O^..R^.RO^";
constexpr const char* BassHeld = "R...............";

constexpr const char* ArpSlow = "0.1.2.3.4.3.2.1.";
constexpr const char* ArpUpDown = "0123432101234321";
constexpr const char* ArpWeave = "0213243502132435";
constexpr const char* ArpSpark = "0324352403243524";
constexpr const char* ArpCalm = "0.2.1.3.2.4.3.1.";

constexpr int ArpLowest = 58;    // A-4
constexpr int CalmArpLowest = 53;  // E-4
constexpr int BassLowest = 29;   // E-2
constexpr int PadLowest = 43;    // F#3
constexpr int PadHighest = 67;   // F#5
constexpr int PadPanLeft = 0x60;
constexpr int PadPanRight = 0xA0;

// ---------------------------------------------------------------------------
// Arranging one order.
// ---------------------------------------------------------------------------

class OrderWriter {
public:
    OrderWriter(int order, score::Diagnostics& diagnostics, score::PadVoices& pads)
        : order_(order), pattern_(RowsPerPattern, ChannelCount), diagnostics_(diagnostics), pads_(pads) {
        const OrderScore& s = Score[order];
        chords_ = score::parseProgression(s.chords, diagnostics_, where("chords"));
        if (chords_.size() != 4) diagnostics_.fail(where("chords"), "an order holds four bars");
    }

    xm::Pattern compose();

private:
    std::string where(const char* part) const { return "order " + std::to_string(order_) + " " + part; }
    Track track(Channel channel, const char* part) { return Track{pattern_, channel, where(part), diagnostics_}; }
    const OrderScore& score() const { return Score[order_]; }
    std::vector<score::Chord> bars(int first, int count) const {
        if (first + count > static_cast<int>(chords_.size())) return {};
        return {chords_.begin() + first, chords_.begin() + first + count};
    }

    void grid(Channel channel, const char* part, const std::string& text) {
        score::writeGrid(track(channel, part), text, kit());
    }
    void drums();
    void buildUpBar();
    void bass();
    void pads();
    void pumpPads(int volume, int untilRow);
    void arpeggio();
    void lead();
    void echoLead(int delayRows, int volume, int untilRow);
    void fadeOut();

    int order_;
    xm::Pattern pattern_;
    score::Diagnostics& diagnostics_;
    score::PadVoices& pads_;
    std::vector<score::Chord> chords_;
};

xm::Pattern OrderWriter::compose() {
    drums();
    bass();
    pads();
    arpeggio();
    lead();
    if (score().buildUp) buildUpBar();
    if (order_ == FadeOrder) fadeOut();
    return pattern_;
}

void OrderWriter::drums() {
    const Section s = score().section;
    std::string kick, snare, hats;
    switch (s) {
        case Section::Intro:
            kick = "................ | ................ | q...q........... | w...w...........";
            break;
        case Section::Emerge:
            // The drums arrive with the heart's beat at order 4; only a soft
            // crash greets the picture.
            if (order_ == 1) grid(HatChannel, "crash", "z");
            break;
        case Section::Drums:
            kick = score::repeatBars(KickBar, 4);
            hats = score::repeatBars(order_ == FirstDrumOrder ? "h...h...h...h..." : HatBar, 4);
            snare = score::repeatBars(order_ == FirstDrumOrder ? "................" : SnareBar, 4);
            break;
        case Section::ThemeA:
        case Section::Reprise:
            kick = score::repeatBars(KickBar, 4);
            snare = score::repeatBars(SnareBar, 4);
            hats = score::repeatBars(s == Section::Reprise ? HatOpenBar : HatBar, 4);
            break;
        case Section::ThemeB:
            kick = score::repeatBars(KickBar, 4);
            snare = score::repeatBars(SnareGhostBar, 4);
            hats = score::repeatBars(HatBusyBar, 4);
            break;
        case Section::ThemeC:
            kick = score::repeatBars(KickBar, 4);
            snare = score::repeatBars(SnareDriveBar, 4);
            hats = score::repeatBars(HatOpenBar, 4);
            break;
        case Section::Closing:
            kick = score::repeatBars("k...w...........", 4);
            hats = score::repeatBars(ShakerBar, 4);
            break;
    }
    if (!kick.empty()) grid(KickChannel, "kick", kick);
    if (!snare.empty()) grid(SnareChannel, "snare", snare);
    if (!hats.empty()) grid(HatChannel, "hats", hats);
    // A crash opens the drums and every text image.
    if (order_ == FirstDrumOrder || order_ == 6 || order_ == 11 || order_ == 16 || order_ == 21)
        grid(HatChannel, "crash", "C");
}

// Last bar of a section: hats give way to the riser, the snare rolls up and
// the bass leaves the second half of the bar to the kick and the roll.
void OrderWriter::buildUpBar() {
    const int barStart = 3 * score::RowsPerBar;
    const int halfBar = barStart + score::RowsPerBar / 2;
    bool bassStruck = false;
    for (int row = barStart; row < RowsPerPattern; ++row) {
        pattern_.at(row, HatChannel) = xm::Cell{};
        pattern_.at(row, SnareChannel) = xm::Cell{};
        xm::Cell& bass = pattern_.at(row, BassChannel);
        const bool firstNote = !bassStruck && row < halfBar && bass.note != 0 && bass.note != xm::KeyOff;
        if (firstNote) bassStruck = true;
        else bass = xm::Cell{};
    }
    pattern_.at(halfBar, BassChannel).note = xm::KeyOff;
    grid(HatChannel, "riser", std::string(static_cast<size_t>(barStart), '.') + "R");
    for (int step = 0; step < score::RowsPerBar - 1; ++step) {  // the last row is a breath before the drop
        if (step < 8 && step % 2 == 1) continue;                 // eighths, then sixteenths
        xm::Cell& cell = pattern_.at(barStart + step, SnareChannel);
        cell.note = DrumNote;
        cell.instrument = Snare;
        cell.volume = xm::volumeSet(16 + step * 3);  // 16 .. 58
    }
}

void OrderWriter::bass() {
    const Section s = score().section;
    PartStyle style{Bass, -1, -1};
    const char* rhythm = BassOffbeat;
    switch (s) {
        case Section::Intro: style = {RoundBass, 24, -1}; rhythm = BassHeld; break;
        case Section::Emerge: style = {RoundBass, 30 + 4 * (order_ - 1), -1}; rhythm = BassHeld; break;
        case Section::Drums: rhythm = BassOffbeat; break;
        case Section::ThemeA: rhythm = BassOffbeat; break;
        case Section::ThemeB: rhythm = BassPickup; break;
        case Section::ThemeC: rhythm = BassDrive; break;
        case Section::Reprise: rhythm = BassPickup; break;
        case Section::Closing: style = {RoundBass, 30, -1}; rhythm = BassHeld; break;
    }
    if (order_ == FadeOrder) {
        score::writeBass(track(BassChannel, "bass"), style, bars(0, 3), rhythm, BassLowest);
        xm::Cell& last = pattern_.at(FadeRow, BassChannel);
        last.note = static_cast<uint8_t>(score::noteAtOrAbove(chords_[3].bass, BassLowest));
        last.instrument = Bass;
        return;
    }
    score::writeBass(track(BassChannel, "bass"), style, chords_, rhythm, BassLowest);
}

void OrderWriter::pads() {
    const Section s = score().section;
    const bool calm = s == Section::Intro || s == Section::Closing;
    const uint8_t instrument = calm ? WarmPad : SuperPad;
    const int volume = s == Section::Intro ? 26 : -1;
    const PartStyle low{instrument, volume, PadPanLeft};
    const PartStyle high{instrument, volume, PadPanRight};
    if (order_ == 1) pads_ = {};  // fresh voicing as the supersaws enter
    score::writePads(track(PadLowChannel, "pads"), track(PadHighChannel, "pads"), low, high, chords_, pads_,
                     PadLowest, PadHighest);
    if (order_ >= FirstDrumOrder && order_ <= FadeOrder) pumpPads(40, order_ == FadeOrder ? FadeRow : RowsPerPattern);
}

// The pads duck on each kick and swell back: the heartbeat breathes through
// the chords. Rows that already carry a volume keep it.
void OrderWriter::pumpPads(int volume, int untilRow) {
    static const double shape[8] = {0.35, 0.55, 0.72, 0.86, 0.35, 0.55, 0.72, 0.86};
    for (int row = 0; row < untilRow; ++row) {
        const int step = row % score::RowsPerBar;
        if (step > 8) continue;
        const int v = step == 8 ? volume : static_cast<int>(volume * shape[step] + 0.5);
        for (Channel ch : {PadLowChannel, PadHighChannel}) {
            xm::Cell& cell = pattern_.at(row, ch);
            if (cell.volume == 0) cell.volume = xm::volumeSet(v);
        }
    }
}

void OrderWriter::arpeggio() {
    const Section s = score().section;
    Track t = track(ArpChannel, "arpeggio");
    switch (s) {
        case Section::Intro: return;
        case Section::Emerge:
            // Fades in bar by bar across orders 1..3, up to the pluck's own level.
            for (int bar = 0; bar < 4; ++bar) {
                const int step = (order_ - 1) * 4 + bar;  // 0 .. 11
                const int volume = 8 + step * 18 / 11;     // 8 .. 26
                score::writeArpeggio(t, PartStyle{Pluck, volume, -1}, bars(bar, 1), order_ == 3 ? ArpUpDown : ArpSlow,
                                     ArpLowest, bar * score::RowsPerBar);
            }
            return;
        case Section::Drums: score::writeArpeggio(t, {Pluck, -1, -1}, chords_, ArpUpDown, ArpLowest); return;
        case Section::ThemeA: score::writeArpeggio(t, {Pluck, -1, -1}, chords_, ArpUpDown, ArpLowest); return;
        case Section::ThemeB: score::writeArpeggio(t, {Pluck, -1, -1}, chords_, ArpWeave, ArpLowest); return;
        case Section::ThemeC: score::writeArpeggio(t, {Pluck, -1, -1}, chords_, ArpSpark, ArpLowest); return;
        case Section::Reprise: return;  // the echo of the lead takes this channel (see lead)
        case Section::Closing: score::writeArpeggio(t, {Pluck, 18, -1}, chords_, ArpCalm, CalmArpLowest); return;
    }
}

void OrderWriter::lead() {
    const Section s = score().section;
    if (*score().melody == '\0') return;
    const bool bell = s == Section::Intro || s == Section::Closing;
    score::writeMelody(track(LeadChannel, "melody"), bell ? Bell : Lead, score().melody);
    if (s == Section::Reprise) echoLead(3, 22, order_ == FadeOrder ? FadeRow : RowsPerPattern);
}

// A tracker echo: the lead's notes again, three rows later, quieter, as plucks.
void OrderWriter::echoLead(int delayRows, int volume, int untilRow) {
    for (int row = 0; row + delayRows < untilRow; ++row) {
        const xm::Cell& source = pattern_.at(row, LeadChannel);
        if (source.note == 0) continue;
        xm::Cell& echo = pattern_.at(row + delayRows, ArpChannel);
        echo.note = source.note;
        echo.instrument = source.note == xm::KeyOff ? 0 : Pluck;
        echo.volume = source.note == xm::KeyOff ? 0 : xm::volumeSet(volume);
    }
}

// The last bar of the first scene: one final chord, then every voice slides
// down to silence over about a second, with the picture.
void OrderWriter::fadeOut() {
    grid(HatChannel, "crash", std::string(FadeRow, '.') + "C");
    for (int row = FadeRow + 1; row < RowsPerPattern; ++row)
        for (Channel ch : {BassChannel, PadLowChannel, PadHighChannel, ArpChannel, LeadChannel}) {
            xm::Cell& cell = pattern_.at(row, ch);
            cell.effect = xm::EffectVolumeSlide;
            cell.param = 0x01;  // down one step a tick
        }
    // The last two heartbeats are softer.
    pattern_.at(FadeRow + 4, KickChannel).volume = xm::volumeSet(40);
}

}  // namespace

std::vector<xm::Pattern> composeOrders(score::Diagnostics& diagnostics) {
    std::vector<xm::Pattern> out;
    score::PadVoices pads;
    for (int order = 0; order < OrderCount; ++order) out.push_back(OrderWriter(order, diagnostics, pads).compose());
    return out;
}

std::vector<xm::Pattern> sharePatterns(const std::vector<xm::Pattern>& perOrder, std::vector<uint8_t>& orders) {
    std::vector<xm::Pattern> unique;
    orders.clear();
    for (const xm::Pattern& p : perOrder) {
        size_t index = 0;
        while (index < unique.size() && !(unique[index] == p)) ++index;
        if (index == unique.size()) unique.push_back(p);
        orders.push_back(static_cast<uint8_t>(index));
    }
    return unique;
}

xm::Module composeSoundtrack(score::Diagnostics& diagnostics) {
    xm::Module m;
    m.name = "tessaline";
    m.tracker = "vexel xm-composer";
    m.channels = ChannelCount;
    m.speed = Speed;
    m.bpm = Bpm;
    m.linearFrequencies = true;
    m.restartOrder = RestartOrder;
    m.patterns = sharePatterns(composeOrders(diagnostics), m.orders);
    m.instruments = buildInstruments();
    std::string error;
    if (!xm_mix::applyChannelGains(m, MixGainDb, error)) diagnostics.fail("mix", error);
    return m;
}

}  // namespace tessaline
