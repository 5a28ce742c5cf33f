// The recorder window end to end on a capture device that delivers a known
// signal: a constant per channel, which the test run's ALSA set-up reads from
// wine/signal.raw beside this program each time a recording opens the device.
// However the driver chunks a constant, it stays the same constant, so the
// test knows every captured sample and so every sample the archive must hold.
#include "recorder_driver.h"

#include "signal/signal.h"

#include <cstring>

namespace {

constexpr StereoFrame QUIET = {-32768, 20000};
// After QUIET has settled the trackers, every sample of this overshoots at
// first and is limited.
constexpr StereoFrame LOUD = {32767, -32768};

StereoBlock gBlock;

void FillBlock(StereoFrame frame) {
    for (StereoFrame& each : gBlock.frames) {
        each = frame;
    }
}

// Far more than a recording takes, even when the driver skips ahead.
void PlaySignal(StereoFrame frame) {
    FillBlock(frame);
    const unsigned char* data = reinterpret_cast<const unsigned char*>(&gBlock);
    std::vector<unsigned char> signal;
    for (int n = 0; n < 64; n++) {
        signal.insert(signal.end(), data, data + sizeof gBlock);
    }
    WriteAll(ProgramFolder() + "wine\\signal.raw", signal);
}

class SignalRecorder : public Recorder {
  protected:
    void SetUp() override {
        PlaySignal(QUIET); // the device must be there when the window lists it
        Recorder::SetUp();
    }
};

// What the recorder must have done with blocks of a signal: the conditioned
// bytes, with the trackers and clip maxima carried along.
struct Model {
    DcTracker left = 0;
    DcTracker right = 0;
    ClipMaxima maxima = {};
    StereoStats last = {};
    std::vector<unsigned char> audio;

    void Condition(StereoFrame frame, uint32_t count) {
        for (uint32_t n = 0; n < count; n++) {
            FillBlock(frame);
            last = ConditionBlock(gBlock, left, right);
            FormatClipMaximum(maxima.left, last.left);
            FormatClipMaximum(maxima.right, last.right);
            const unsigned char* data = reinterpret_cast<const unsigned char*>(&gBlock);
            audio.insert(audio.end(), data, data + sizeof gBlock);
        }
    }
};

// Three recordings to one file, the last of a louder signal: the archive holds
// exactly the conditioned signal, each recording continuing the trackers and
// clip maxima of the one before, and the read-outs show the figures of the
// last block handled.
TEST_F(SignalRecorder, ArchiveAndReadOutsHoldTheConditionedSignal) {
    const std::string path = TestPath("signal.wav");
    Model model;
    uint32_t blocks = 0;
    std::vector<unsigned char> file;
    SetUpRecording(path, 0);
    auto record = [&](StereoFrame frame, uint32_t atLeast) {
        PlaySignal(frame);
        ASSERT_NO_FATAL_FAILURE(RecordBlocks(path, atLeast));
        ASSERT_NO_FATAL_FAILURE(StopRecording());
        const uint32_t now = ExpectWholeArchive(path, 44100);
        model.Condition(frame, now - blocks);
        file = ReadAll(path);
        EXPECT_EQ(file.size(), 44 + model.audio.size());
        EXPECT_TRUE(std::equal(model.audio.begin(), model.audio.end(), file.begin() + 44));
        EXPECT_EQ(Text(ID_LEFT_LEVEL), "");
        EXPECT_EQ(Text(ID_RIGHT_LEVEL), FormatLevel(model.last.right));
        EXPECT_EQ(Text(ID_LEFT_CLIPS), std::to_string(model.maxima.left) + " clipped");
        EXPECT_EQ(Text(ID_RIGHT_CLIPS), std::to_string(model.maxima.right) + " clipped");
        EXPECT_EQ(Text(ID_ELAPSED), FormatElapsed(44 + (now - 1) * BLOCK, 44100));
        blocks = now;
    };

    ASSERT_NO_FATAL_FAILURE(record(QUIET, 3));
    EXPECT_EQ(Text(ID_RIGHT_LEVEL), "-90.3 dB"); // settled one above the constant
    EXPECT_EQ(Text(ID_LEFT_CLIPS), "0 clipped");
    const uint32_t first = blocks;

    ASSERT_NO_FATAL_FAILURE(record(QUIET, 2));
    // Trackers at rest from the first recording: no new settling at its start.
    StereoFrame resumed;
    memcpy(&resumed, &file[44 + first * BLOCK], sizeof resumed);
    EXPECT_EQ(resumed.left, 0);
    EXPECT_EQ(resumed.right, 1);

    ASSERT_NO_FATAL_FAILURE(record(LOUD, 2));
    EXPECT_GT(model.maxima.left, 0);
    EXPECT_GT(model.maxima.right, 0);
    ExpectReadBack(path, 44100, blocks * 32768);
    EXPECT_EQ(CloseAndWait(), 0u);
}

} // namespace
