#include "signal.h"

#include <emmintrin.h>

namespace {

// The trackers' DC level, acc >> 15, for every sample of the block. The
// tracker recursion is serial, one sample after another; everything else
// (correction, limiting, counting, peaks) is not, and runs as a second pass
// eight samples at a time, so a block costs little more than the recursion.
alignas(16) StereoFrame gDcLevel[FRAMES_PER_BLOCK];

// The tracker moves 1/4096 of the way toward x * 32768 and never past it, so
// x * 32768 - acc stays within 32 bits and acc >> 15 within 16. Right shifts
// of negative values floor (C++20 defines them as arithmetic).
inline int16_t TrackSample(int32_t x, int32_t& acc) {
    acc += (x * 32768 - acc) >> 12;
    return static_cast<int16_t>(acc >> 15);
}

// Lanes alternate left, right, left, ... as the samples do in a block.
ChannelStats ChannelOf(const int16_t low[8], const int16_t high[8], const int16_t unlimited[8],
                       int channel) {
    ChannelStats stats = {};
    for (int lane = channel; lane < 8; lane += 2) {
        const int32_t magnitude = -low[lane] > high[lane] ? -low[lane] : high[lane];
        stats.peak = magnitude > stats.peak ? magnitude : stats.peak;
        stats.clips += static_cast<int32_t>(FRAMES_PER_BLOCK / 4) - unlimited[lane];
    }
    return stats;
}

} // namespace

StereoStats ConditionBlock(StereoBlock& block, DcTracker& leftTracker, DcTracker& rightTracker) {
    int32_t left = leftTracker;
    int32_t right = rightTracker;
#pragma GCC unroll 8
    for (uint32_t i = 0; i < FRAMES_PER_BLOCK; i++) {
        gDcLevel[i].left = TrackSample(block.frames[i].left, left);
        gDcLevel[i].right = TrackSample(block.frames[i].right, right);
    }
    leftTracker = left;
    rightTracker = right;

    // x - dc lies within -65535..65535. Its saturating 16-bit difference is
    // the limited sample, and differs from the wrapped difference exactly
    // when the sample was limited. Extremes start at 0, as the peaks do.
    __m128i low = _mm_setzero_si128();
    __m128i high = low;
    __m128i unlimited = low; // per lane; at most FRAMES_PER_BLOCK / 4
    for (uint32_t i = 0; i < FRAMES_PER_BLOCK; i += 4) {
        __m128i* samples = reinterpret_cast<__m128i*>(&block.frames[i]);
        const __m128i x = _mm_loadu_si128(samples);
        const __m128i dc = _mm_load_si128(reinterpret_cast<const __m128i*>(&gDcLevel[i]));
        const __m128i y = _mm_subs_epi16(x, dc);
        unlimited = _mm_sub_epi16(unlimited, _mm_cmpeq_epi16(y, _mm_sub_epi16(x, dc)));
        low = _mm_min_epi16(low, y);
        high = _mm_max_epi16(high, y);
        _mm_storeu_si128(samples, y);
    }

    alignas(16) int16_t lows[8], highs[8], unlimiteds[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
    _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
    _mm_store_si128(reinterpret_cast<__m128i*>(unlimiteds), unlimited);
    return {ChannelOf(lows, highs, unlimiteds, 0), ChannelOf(lows, highs, unlimiteds, 1)};
}
