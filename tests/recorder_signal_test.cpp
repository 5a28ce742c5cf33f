// The recorder window end to end on a capture device that delivers a known
// signal: a constant per channel, which the test run's ALSA set-up reads from
// wine/signal.raw beside this program. However the driver chunks a constant,
// it stays the same constant, so the test knows every captured sample and so
// every sample the archive must hold.
#include "recorder_driver.h"

#include "signal/signal.h"

#include <cstring>

namespace {

constexpr StereoFrame SIGNAL = {-32768, 20000};

StereoBlock gBlock;

class SignalRecorder : public Recorder {
  protected:
    void SetUp() override {
        for (StereoFrame& frame : gBlock.frames) {
            frame = SIGNAL;
        }
        // Far more than a test records, even when the driver skips ahead.
        const std::vector<unsigned char> block(reinterpret_cast<unsigned char*>(&gBlock),
                                               reinterpret_cast<unsigned char*>(&gBlock + 1));
        std::vector<unsigned char> signal;
        for (int n = 0; n < 64; n++) {
            signal.insert(signal.end(), block.begin(), block.end());
        }
        WriteAll(ProgramFolder() + "wine\\signal.raw", signal);
        Recorder::SetUp();
    }
};

// What the recorder must have done with `count` blocks of the signal: the
// conditioned bytes, with the trackers and clip maxima carried along.
struct Model {
    DcTracker left = 0;
    DcTracker right = 0;
    ClipMaxima maxima = {};
    StereoStats last = {};

    std::vector<unsigned char> Condition(uint32_t count) {
        std::vector<unsigned char> bytes;
        for (uint32_t n = 0; n < count; n++) {
            for (StereoFrame& frame : gBlock.frames) {
                frame = SIGNAL;
            }
            last = ConditionBlock(gBlock, left, right);
            FormatClipMaximum(maxima.left, last.left);
            FormatClipMaximum(maxima.right, last.right);
            const unsigned char* data = reinterpret_cast<const unsigned char*>(&gBlock);
            bytes.insert(bytes.end(), data, data + sizeof gBlock);
        }
        return bytes;
    }
};

// Two recordings to one file: the archive holds exactly the conditioned
// signal, the second recording continuing the trackers of the first, and the
// read-outs show the last block's figures.
TEST_F(SignalRecorder, ArchiveAndReadOutsHoldTheConditionedSignal) {
    const std::string path = TestPath("signal.wav");
    Model model;
    SetUpRecording(path, 0);
    RecordBlocks(path, 3);
    StopRecording();
    const uint32_t first = ExpectWholeArchive(path, 44100);
    std::vector<unsigned char> expected = model.Condition(first);
    std::vector<unsigned char> file = ReadAll(path);
    ASSERT_EQ(file.size(), 44 + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 44));
    EXPECT_EQ(Text(ID_LEFT_LEVEL), "");
    EXPECT_EQ(Text(ID_RIGHT_LEVEL), FormatLevel(model.last.right));
    EXPECT_EQ(Text(ID_RIGHT_LEVEL), "-90.3 dB"); // settled one above the constant
    EXPECT_EQ(Text(ID_LEFT_CLIPS), "0 clipped");
    EXPECT_EQ(Text(ID_RIGHT_CLIPS), "0 clipped");
    EXPECT_EQ(Text(ID_ELAPSED), FormatElapsed(44 + (first - 1) * BLOCK, 44100));

    RecordBlocks(path, 2);
    StopRecording();
    const uint32_t both = ExpectWholeArchive(path, 44100);
    const std::vector<unsigned char> more = model.Condition(both - first);
    expected.insert(expected.end(), more.begin(), more.end());
    file = ReadAll(path);
    ASSERT_EQ(file.size(), 44 + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 44));
    // Trackers at rest from the first recording: no new settling at its start.
    StereoFrame resumed;
    memcpy(&resumed, &file[44 + first * BLOCK], sizeof resumed);
    EXPECT_EQ(resumed.left, 0);
    EXPECT_EQ(resumed.right, 1);
    EXPECT_EQ(Text(ID_RIGHT_LEVEL), FormatLevel(model.last.right));
    EXPECT_EQ(Text(ID_ELAPSED), FormatElapsed(44 + (both - 1) * BLOCK, 44100));
    ExpectReadBack(path, 44100, both * 32768);
    EXPECT_EQ(CloseAndWait(), 0u);
}

} // namespace
