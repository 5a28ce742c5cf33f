// Conditioning one block against the floor set by the trackers' serial
// recursion and against a plain copy of the block.
#include "signal/signal.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace {

StereoBlock gSource;
StereoBlock gBlock;

void FillSource() {
    std::mt19937 random(7);
    std::normal_distribution<double> music(0.0, 6000.0);
    for (StereoFrame& frame : gSource.frames) {
        frame.left = static_cast<int16_t>(std::clamp(music(random) + 300.0, -32768.0, 32767.0));
        frame.right = static_cast<int16_t>(std::clamp(music(random) - 300.0, -32768.0, 32767.0));
    }
}

void SetFrameCounters(benchmark::State& state) {
    state.counters["frames/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * FRAMES_PER_BLOCK, benchmark::Counter::kIsRate);
}

void BM_ConditionBlock(benchmark::State& state) {
    FillSource();
    DcTracker left = 0, right = 0;
    for (auto _ : state) {
        state.PauseTiming();
        gBlock = gSource;
        state.ResumeTiming();
        StereoStats stats = ConditionBlock(gBlock, left, right);
        benchmark::DoNotOptimize(stats);
        benchmark::ClobberMemory();
    }
    SetFrameCounters(state);
}

// Only the two trackers' update, nothing else: no output, limiting or peaks.
void BM_TrackerRecursion(benchmark::State& state) {
    FillSource();
    int32_t left = 0, right = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gSource);
        for (const StereoFrame& frame : gSource.frames) {
            left += (frame.left * 32768 - left) >> 12;
            right += (frame.right * 32768 - right) >> 12;
        }
        benchmark::DoNotOptimize(left);
        benchmark::DoNotOptimize(right);
    }
    SetFrameCounters(state);
}

void BM_Memcpy(benchmark::State& state) {
    FillSource();
    for (auto _ : state) {
        std::memcpy(&gBlock, &gSource, sizeof gBlock);
        benchmark::ClobberMemory();
    }
    SetFrameCounters(state);
}

BENCHMARK(BM_ConditionBlock);
BENCHMARK(BM_TrackerRecursion);
BENCHMARK(BM_Memcpy);

} // namespace

BENCHMARK_MAIN();
