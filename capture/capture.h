// The capture ring: four buffers cycling between a wave input device and the
// recorder window, which is told of each full one by a block-ready message.
#pragma once

#include "signal/signal.h"

#include <windows.h>

// wParam of the block-ready message (WM_USER); its lParam is the buffer tag.
constexpr WPARAM BLOCK_READY_MARK = 0x00730073;

// Set by the recorder before any device is opened: where block-ready messages
// go, and the instance handed to the driver as the callback's data.
extern HWND gRecorderWindow;
extern HINSTANCE gInstance;

// Where RequeueBuffer copies a full buffer, to be conditioned and stored.
extern StereoBlock gWorkBlock;

// 0 on success, 1 if any step failed; after a failure call AbandonCapture.
int StartCapture(int deviceIndex, uint32_t rate);
void RequeueBuffer(LPARAM tag);
void StopCapture();
void AbandonCapture();
