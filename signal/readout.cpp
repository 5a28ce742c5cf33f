#include "signal.h"

#include <cmath>
#include <cstdio>

namespace {

char gText[256];

} // namespace

const char* FormatLevel(const ChannelStats& stats) {
    if (stats.peak >= 32767) {
        snprintf(gText, sizeof gText, "CLIP %i", stats.clips);
    } else {
        // The quotient is exact in single precision (a power-of-two scale);
        // a peak of 0 gives minus infinity, which the formatter spells "-inf".
        const float quotient = static_cast<float>(stats.peak) * 3.0517578125e-05f;
        snprintf(gText, sizeof gText, "%.1f dB", 20.0 * std::log10(static_cast<double>(quotient)));
    }
    return gText;
}

const char* FormatClipMaximum(int32_t& maximum, const ChannelStats& stats) {
    if (stats.clips > maximum) {
        maximum = stats.clips;
    }
    snprintf(gText, sizeof gText, "%i clipped", maximum);
    return gText;
}

const char* FormatElapsed(uint32_t position, uint32_t rate) {
    // Unsigned throughout, so the read-out keeps counting past 2 GiB.
    const uint32_t seconds = rate == 0 ? 0 : (position / rate) >> 2;
    snprintf(gText, sizeof gText, "%u:%u", seconds / 60, seconds % 60);
    return gText;
}
