#include "capture.h"

#include <mmsystem.h>

#include <cstring>

HWND gRecorderWindow;
HINSTANCE gInstance;
StereoBlock gWorkBlock;

namespace {

constexpr int BUFFER_COUNT = 4;

WAVEFORMATEX gFormat;
HWAVEIN gDevice;
// Storage n and header n belong together; header n carries tag n + 1.
StereoBlock gStorage[BUFFER_COUNT];
WAVEHDR gHeader[BUFFER_COUNT];

// On the driver's thread: it only posts, so nothing here needs a lock.
void CALLBACK CaptureCallback(HWAVEIN, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR) {
    const WAVEHDR* header = reinterpret_cast<const WAVEHDR*>(param1);
    // A reset hands back every queued buffer less than full: never posted.
    if (message == WIM_DATA && header->dwBytesRecorded == sizeof(StereoBlock)) {
        PostMessageA(gRecorderWindow, WM_USER, BLOCK_READY_MARK,
                     static_cast<LPARAM>(header->dwUser));
    }
}

} // namespace

int StartCapture(int deviceIndex, uint32_t rate) {
    memset(&gFormat, 0, sizeof gFormat);
    memset(gHeader, 0, sizeof gHeader);
    gFormat.wFormatTag = WAVE_FORMAT_PCM;
    gFormat.nChannels = 2;
    gFormat.nSamplesPerSec = rate;
    gFormat.nAvgBytesPerSec = rate * 4;
    gFormat.nBlockAlign = 4;
    gFormat.wBitsPerSample = 16;

    // Every step is tried even after one has failed; the results are judged
    // together at the end. -1 (nothing selected) is the wave mapper.
    MMRESULT failed = waveInOpen(&gDevice, static_cast<UINT>(deviceIndex), &gFormat,
                                 reinterpret_cast<DWORD_PTR>(CaptureCallback),
                                 reinterpret_cast<DWORD_PTR>(gInstance), CALLBACK_FUNCTION);
    for (int n = 0; n < BUFFER_COUNT; n++) {
        gHeader[n].lpData = reinterpret_cast<LPSTR>(&gStorage[n]);
        gHeader[n].dwBufferLength = sizeof(StereoBlock);
        gHeader[n].dwUser = static_cast<DWORD_PTR>(n + 1);
    }
    for (WAVEHDR& header : gHeader) {
        failed |= waveInPrepareHeader(gDevice, &header, sizeof header);
    }
    for (WAVEHDR& header : gHeader) {
        failed |= waveInAddBuffer(gDevice, &header, sizeof header);
    }
    failed |= waveInStart(gDevice);
    return failed != MMSYSERR_NOERROR ? 1 : 0;
}

void RequeueBuffer(LPARAM tag) {
    if (tag < 1 || tag > BUFFER_COUNT) {
        return;
    }
    // Copied out before the buffer goes back to the device.
    memcpy(&gWorkBlock, &gStorage[tag - 1], sizeof gWorkBlock);
    waveInAddBuffer(gDevice, &gHeader[tag - 1], sizeof(WAVEHDR));
}

void StopCapture() {
    waveInReset(gDevice);
    for (WAVEHDR& header : gHeader) {
        waveInUnprepareHeader(gDevice, &header, sizeof header);
    }
    waveInClose(gDevice);
    gDevice = nullptr;
}

// A failed start may have left the device open with buffers queued, and the
// device refuses to close while any are: release it exactly as Stop does.
void AbandonCapture() {
    StopCapture();
}
