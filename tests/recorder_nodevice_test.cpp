// The recorder window with no capture device configured at all.
#include "recorder_driver.h"

namespace {

TEST_F(Recorder, FirstWindowListsNoDevice) {
    ExpectFirstWindow(0);
    EXPECT_EQ(CloseAndWait(), 0u);
}

// Start passes -1 (nothing selected, the wave mapper), which fails here.
TEST_F(Recorder, StartShowsWaveErrorAndStaysIdle) {
    const std::string path = TestPath("nodevice.wav");
    SetUpRecording(path, 3);
    Press(ID_START);
    EXPECT_EQ(TakeMessage(), "Wave Error!");
    EXPECT_TRUE(Idle());
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CloseAndWait(), 0u);
}

} // namespace
