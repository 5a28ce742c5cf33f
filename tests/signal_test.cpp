#include "signal/signal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

StereoBlock gBlock;

void FillBlock(int16_t left, int16_t right) {
    for (StereoFrame& frame : gBlock.frames) {
        frame = {left, right};
    }
}

// Independent model of one channel: 64-bit arithmetic and explicit floor
// division, so a wrapped product or a truncating shift in the conditioner
// shows up as a difference.
int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

struct ModelChannel {
    int64_t acc = 0;
    int32_t peak = 0;
    int32_t clips = 0;

    int16_t Step(int16_t x) {
        acc += FloorDiv(int64_t{x} * 32768 - acc, 4096);
        int64_t y = x - FloorDiv(acc, 32768);
        if (y < -32768 || y > 32767) {
            clips++;
            y = y < 0 ? -32768 : 32767;
        }
        peak = std::max<int32_t>(peak, y < 0 ? static_cast<int32_t>(-y) : static_cast<int32_t>(y));
        return static_cast<int16_t>(y);
    }
};

TEST(ConditionBlock, SilenceFromRestStaysSilent) {
    FillBlock(0, 0);
    DcTracker left = 0, right = 0;
    StereoStats stats = ConditionBlock(gBlock, left, right);
    EXPECT_EQ(stats.left.peak, 0);
    EXPECT_EQ(stats.right.peak, 0);
    EXPECT_EQ(stats.left.clips, 0);
    EXPECT_EQ(stats.right.clips, 0);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
    for (const StereoFrame& frame : gBlock.frames) {
        ASSERT_EQ(frame.left, 0);
        ASSERT_EQ(frame.right, 0);
    }
}

// The floored shifts make positive and negative inputs settle differently:
// 1000 passes unchanged at first, -1000 comes out one nearer zero.
TEST(ConditionBlock, FirstSamplesFromRest) {
    FillBlock(1000, -1000);
    DcTracker left = 0, right = 0;
    ConditionBlock(gBlock, left, right);
    const int16_t expectLeft[] = {1000, 1000, 1000, 1000, 999};
    const int16_t expectRight[] = {-999, -999, -999, -999, -998};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(gBlock.frames[i].left, expectLeft[i]) << "frame " << i;
        EXPECT_EQ(gBlock.frames[i].right, expectRight[i]) << "frame " << i;
    }
}

struct SettleCase {
    const char* name;
    int16_t before;
    int16_t after;
    DcTracker tracker;
    int16_t output;
    int32_t peak;
};

void PrintTo(const SettleCase& c, std::ostream* out) {
    *out << c.name;
}

class Settling : public testing::TestWithParam<SettleCase> {};

// Several blocks of one constant, then several of another: where the tracker
// comes to rest and what the output settles at.
TEST_P(Settling, ComesToRest) {
    const SettleCase& c = GetParam();
    DcTracker left = 0, right = 0;
    StereoStats stats = {};
    for (int i = 0; i < 8; i++) {
        FillBlock(c.before, c.before);
        ConditionBlock(gBlock, left, right);
    }
    for (int i = 0; i < 8; i++) {
        FillBlock(c.after, c.after);
        stats = ConditionBlock(gBlock, left, right);
    }
    EXPECT_EQ(left, c.tracker);
    EXPECT_EQ(right, c.tracker);
    EXPECT_EQ(gBlock.frames[FRAMES_PER_BLOCK - 1].left, c.output);
    EXPECT_EQ(stats.left.peak, c.peak);
    EXPECT_EQ(stats.right.peak, c.peak);
}

INSTANTIATE_TEST_SUITE_P(
    ConditionBlock, Settling,
    testing::Values(SettleCase{"RunOf1000", 1000, 1000, 1000 * 32768 - 4095, 1, 1},
                    SettleCase{"SilenceAfter1000", 1000, 0, 0, 0, 0},
                    SettleCase{"SilenceAfterMinus1000", -1000, 0, -4095, 1, 1},
                    SettleCase{"RunOfMinus32768", -32768, -32768, -1073741824, 0, 0},
                    SettleCase{"FullScaleAfterMinus32768", -32768, 32767, 32767 * 32768 - 4095, 1,
                               1}),
    [](const testing::TestParamInfo<SettleCase>& param) { return param.param.name; });

TEST(ConditionBlock, TrackerAboveOrJustBelowConstantInput) {
    struct {
        DcTracker start;
        DcTracker rest;
        int16_t output;
    } cases[] = {
        {1000 * 32768, 1000 * 32768, 0},          // equal: stays, output 0 throughout
        {1000 * 32768 + 123456, 1000 * 32768, 0}, // above: falls to equality
        {1000 * 32768 - 1, 1000 * 32768 - 1, 1},  // 1 below: does not move
        {1000 * 32768 - 4095, 1000 * 32768 - 4095, 1},
    };
    for (const auto& c : cases) {
        FillBlock(1000, 1000);
        DcTracker left = c.start, right = c.start;
        ConditionBlock(gBlock, left, right);
        EXPECT_EQ(left, c.rest) << "start " << c.start;
        EXPECT_EQ(gBlock.frames[FRAMES_PER_BLOCK - 1].left, c.output) << "start " << c.start;
    }
}

TEST(ConditionBlock, FullScaleStepIsLimitedAndCounted) {
    DcTracker left = -1073741824, right = 0;
    FillBlock(0, 0);
    gBlock.frames[0] = {32767, 0};
    StereoStats stats = ConditionBlock(gBlock, left, right);
    EXPECT_EQ(gBlock.frames[0].left, 32767); // filtered value 65520
    EXPECT_EQ(stats.left.clips, 1);
    EXPECT_EQ(stats.left.peak, 32767);
    EXPECT_EQ(stats.right.clips, 0);
}

TEST(ConditionBlock, MostNegativeOutputHasPeak32768) {
    // From rest, -32768 comes out as -32760; from a tracker settled on full
    // scale it is limited to -32768.
    FillBlock(-32768, -32768);
    DcTracker left = 32767 * 32768 - 4095, right = 0;
    StereoStats stats = ConditionBlock(gBlock, left, right);
    EXPECT_EQ(gBlock.frames[0].left, -32768);
    EXPECT_EQ(gBlock.frames[0].right, -32760);
    EXPECT_EQ(stats.left.peak, 32768);
    EXPECT_GT(stats.left.clips, 0);
}

// Blocks of random full-range audio and of alternating extremes, carried
// across blocks, agree sample for sample with the 64-bit model (and run clean
// under the undefined-behaviour sanitizer).
TEST(ConditionBlock, MatchesModelOnFullRangeInput) {
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    ModelChannel modelLeft, modelRight;
    DcTracker left = 0, right = 0;
    static StereoBlock input;
    for (int block = 0; block < 24; block++) {
        for (uint32_t i = 0; i < FRAMES_PER_BLOCK; i++) {
            int16_t l, r;
            switch (block % 4) {
            case 0:
                l = static_cast<int16_t>(sample(random));
                r = static_cast<int16_t>(sample(random));
                break;
            case 1:
                l = (i & 1) ? 32767 : -32768;
                r = (i & 1) ? -32768 : 32767;
                break;
            case 2:
                l = (i / 2048) & 1 ? 32767 : -32768; // long square wave
                r = -32768;
                break;
            default:
                l = 32767;
                r = static_cast<int16_t>((i & 1) ? sample(random) : -32768);
                break;
            }
            input.frames[i] = {l, r};
        }
        gBlock = input;
        modelLeft.peak = modelLeft.clips = modelRight.peak = modelRight.clips = 0;
        StereoStats stats = ConditionBlock(gBlock, left, right);
        for (uint32_t i = 0; i < FRAMES_PER_BLOCK; i++) {
            ASSERT_EQ(gBlock.frames[i].left, modelLeft.Step(input.frames[i].left))
                << "block " << block << " frame " << i;
            ASSERT_EQ(gBlock.frames[i].right, modelRight.Step(input.frames[i].right))
                << "block " << block << " frame " << i;
        }
        ASSERT_EQ(left, modelLeft.acc);
        ASSERT_EQ(right, modelRight.acc);
        ASSERT_EQ(stats.left.peak, modelLeft.peak);
        ASSERT_EQ(stats.right.peak, modelRight.peak);
        ASSERT_EQ(stats.left.clips, modelLeft.clips);
        ASSERT_EQ(stats.right.clips, modelRight.clips);
        ASSERT_GE(left, -1073741824);
        ASSERT_LE(left, 1073709056);
    }
}

TEST(FormatLevel, Texts) {
    struct {
        ChannelStats stats;
        const char* text;
    } cases[] = {
        {{0, 0}, "-inf dB"},     {{1, 0}, "-90.3 dB"},
        {{100, 0}, "-50.3 dB"},  {{16384, 0}, "-6.0 dB"},
        {{32000, 0}, "-0.2 dB"}, {{32766, 0}, "-0.0 dB"},
        {{32767, 0}, "CLIP 0"},  {{32768, 0}, "CLIP 0"},
        {{32767, 7}, "CLIP 7"},  {{32768, 32768}, "CLIP 32768"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(FormatLevel(c.stats), c.text) << "peak " << c.stats.peak;
    }
}

// Every level text there is, folded into one digest: the native and the
// Windows builds must both reproduce it, so the two formatters and log10
// implementations agree to the last character.
TEST(FormatLevel, EveryPeakGivesTheSameTextOnEveryBuild) {
    uint64_t digest = 14695981039346656037u;
    for (int32_t peak = 0; peak <= 32768; peak++) {
        const char* text = FormatLevel({peak, peak & 3});
        for (size_t i = 0; i <= strlen(text); i++) {
            digest = (digest ^ static_cast<unsigned char>(text[i])) * 1099511628211u;
        }
    }
    EXPECT_EQ(digest, 1488846565596246511u);
}

TEST(FormatClipMaximum, IsARunningMaximum) {
    ClipMaxima maxima = {};
    const int32_t counts[] = {5, 3, 0};
    for (int32_t clips : counts) {
        EXPECT_STREQ(FormatClipMaximum(maxima.left, {32767, clips}), "5 clipped");
    }
    EXPECT_STREQ(FormatClipMaximum(maxima.right, {0, 0}), "0 clipped");
    EXPECT_STREQ(FormatClipMaximum(maxima.right, {32768, 32768}), "32768 clipped");
    EXPECT_EQ(maxima.left, 5);
}

TEST(FormatElapsed, Texts) {
    struct {
        uint32_t position;
        uint32_t rate;
        const char* text;
    } cases[] = {
        {0, 44100, "0:0"},
        {44 + 10 * 131072, 44100, "0:7"},
        {100 * 131072, 44100, "1:14"},
        {100 * 131072, 8000, "6:49"},
        {125 * 4 * 8000, 8000, "2:5"},
        {3660u * 4 * 11025, 11025, "61:0"},
        {2147483648u, 44100, "202:53"},
        {4294967295u, 44100, "405:47"},
        {4294967295u, 8000, "2236:57"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(FormatElapsed(c.position, c.rate), c.text)
            << c.position << " bytes at " << c.rate << " Hz";
    }
}

} // namespace
