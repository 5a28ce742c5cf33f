// Block conditioning and the read-out texts. Portable: no platform header.
#pragma once

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "blocks are stored and written as little-endian samples");

struct StereoFrame {
    int16_t left;
    int16_t right;
};

constexpr uint32_t FRAMES_PER_BLOCK = 32768;

struct StereoBlock {
    StereoFrame frames[FRAMES_PER_BLOCK];
};
static_assert(sizeof(StereoBlock) == 131072);

// Running DC estimate of one channel in Q15 sample units.
using DcTracker = int32_t;

struct ChannelStats {
    int32_t peak;
    int32_t clips;
};

struct StereoStats {
    ChannelStats left;
    ChannelStats right;
};

// Largest per-block clip count seen for each channel since start-up.
struct ClipMaxima {
    int32_t left;
    int32_t right;
};

StereoStats ConditionBlock(StereoBlock& block, DcTracker& leftTracker, DcTracker& rightTracker);

// Each text is made in one shared buffer and stays valid until the next call.
const char* FormatLevel(const ChannelStats& stats);
const char* FormatClipMaximum(int32_t& maximum, const ChannelStats& stats);
const char* FormatElapsed(uint32_t position, uint32_t rate);
