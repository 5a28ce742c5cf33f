// The capture ring with no capture device configured at all.
#include "capture/capture.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

namespace {

// Each failed start is abandoned without leaving anything open, so the next
// one behaves like the first.
TEST(CaptureWithoutDevice, StartFailsAndIsAbandoned) {
    EXPECT_EQ(waveInGetNumDevs(), 0u);
    for (int device : {-1, 0, -1}) {
        EXPECT_EQ(StartCapture(device, 44100), 1) << device;
        AbandonCapture();
    }
}

} // namespace
