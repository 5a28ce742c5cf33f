// The capture ring against Wine's real wave input, on a null capture device
// that fills buffers with silence faster than real time.
#include "capture/capture.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class CaptureTest : public testing::Test {
  protected:
    void SetUp() override {
        gInstance = GetModuleHandleA(nullptr);
        gRecorderWindow = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          gInstance, nullptr);
        ASSERT_NE(gRecorderWindow, nullptr);
    }
    void TearDown() override {
        DestroyWindow(gRecorderWindow);
    }

    // The tag of the next block-ready message, or 0 if none comes in time.
    // Other messages are left to the window.
    static LPARAM NextBlock(DWORD timeoutMs) {
        const DWORD start = GetTickCount();
        MSG message;
        while (GetTickCount() - start < timeoutMs) {
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_USER && message.wParam == BLOCK_READY_MARK) {
                    return message.lParam;
                }
                DispatchMessageA(&message);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        return 0;
    }
};

TEST_F(CaptureTest, FullBuffersComeBackInOrderAndAreRequeued) {
    ASSERT_EQ(StartCapture(0, 44100), 0);
    std::vector<LPARAM> tags;
    for (int n = 0; n < 10; n++) {
        const LPARAM tag = NextBlock(60000);
        ASSERT_NE(tag, 0) << "no block " << n;
        tags.push_back(tag);
        memset(&gWorkBlock, 0x55, sizeof gWorkBlock);
        RequeueBuffer(tag);
        // The null device records silence: the copy replaced the pattern.
        EXPECT_EQ(gWorkBlock.frames[0].left, 0);
        EXPECT_EQ(gWorkBlock.frames[FRAMES_PER_BLOCK - 1].right, 0);
    }
    StopCapture();
    EXPECT_EQ(tags, (std::vector<LPARAM>{1, 2, 3, 4, 1, 2, 3, 4, 1, 2}));
}

// A block taken at 8000 Hz and not given back: the device goes on into the
// next buffer, and Stop returns that one less than full, which is never posted.
TEST_F(CaptureTest, StopPostsNothingForAPartlyFilledBuffer) {
    ASSERT_EQ(StartCapture(0, 8000), 0);
    ASSERT_EQ(NextBlock(60000), 1);
    StopCapture();
    EXPECT_EQ(NextBlock(500), 0);
}

TEST_F(CaptureTest, RequeueOfAnUnknownTagChangesNothing) {
    memset(&gWorkBlock, 0x33, sizeof gWorkBlock);
    for (LPARAM tag : {0, 5, -1}) {
        RequeueBuffer(tag);
        EXPECT_EQ(gWorkBlock.frames[0].left, 0x3333);
        EXPECT_EQ(gWorkBlock.frames[FRAMES_PER_BLOCK - 1].right, 0x3333);
    }
}

// A start that fails (no such device) is abandoned without leaving anything
// open, so a later start on the working device succeeds.
TEST_F(CaptureTest, FailedStartIsAbandonedCleanly) {
    ASSERT_EQ(StartCapture(7, 44100), 1);
    AbandonCapture();
    ASSERT_EQ(StartCapture(0, 44100), 0);
    EXPECT_EQ(NextBlock(60000), 1);
    StopCapture();
}

} // namespace
