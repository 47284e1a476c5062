#include "mix.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace xm_mix {
namespace {

constexpr uint8_t VolumeSetFirst = 0x10;  // volume column 0x10..0x50: set volume 0..64
constexpr uint8_t VolumeSetLast = 0x50;

int scaled(int volume0to64, double gainDb) {
    const long v = std::lround(volume0to64 * std::pow(10.0, gainDb / 20.0));
    return static_cast<int>(std::clamp(v, 0L, 64L));
}

}  // namespace

bool applyChannelGains(xm::Module& module, std::span<const double> gainDb, std::string& error) {
    if (gainDb.size() != static_cast<size_t>(module.channels)) {
        error = "mix: one gain per channel wanted";
        return false;
    }
    // The channel gain each instrument's default volume follows (NaN: unused).
    std::vector<double> instrumentGain(module.instruments.size(), std::nan(""));
    for (xm::Pattern& pattern : module.patterns)
        for (int row = 0; row < pattern.rows; ++row)
            for (int channel = 0; channel < pattern.channels; ++channel) {
                xm::Cell& cell = pattern.at(row, channel);
                const double gain = gainDb[static_cast<size_t>(channel)];
                if (cell.instrument >= 1 && cell.instrument <= module.instruments.size()) {
                    double& wanted = instrumentGain[cell.instrument - 1u];
                    if (!std::isnan(wanted) && wanted != gain) {
                        error = "mix: instrument '" + module.instruments[cell.instrument - 1u].name +
                                "' plays on channels with different gains";
                        return false;
                    }
                    wanted = gain;
                }
                if (cell.volume >= VolumeSetFirst && cell.volume <= VolumeSetLast)
                    cell.volume = xm::volumeSet(scaled(cell.volume - VolumeSetFirst, gain));
                if (cell.effect == xm::EffectSetVolume) cell.param = static_cast<uint8_t>(scaled(cell.param, gain));
            }
    for (size_t i = 0; i < module.instruments.size(); ++i)
        if (!std::isnan(instrumentGain[i]))
            module.instruments[i].sample.volume =
                static_cast<uint8_t>(scaled(module.instruments[i].sample.volume, instrumentGain[i]));
    return true;
}

}  // namespace xm_mix
