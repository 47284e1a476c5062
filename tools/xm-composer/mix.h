#pragma once
// The mix: one gain per channel, applied to the module's volumes (each
// instrument's default volume and every volume the patterns set), so the
// master level lives in the XM itself and any tracker plays it the same.
#include <span>
#include <string>

#include "xm_module.h"

namespace xm_mix {

// Scales by 10^(gainDb/20) (one entry per channel), rounding to whole steps
// and stopping at the format's 64. Each instrument takes the gain of the
// channels that play it; false, with `error` naming it, when those channels
// want different gains.
bool applyChannelGains(xm::Module& module, std::span<const double> gainDb, std::string& error);

}  // namespace xm_mix
