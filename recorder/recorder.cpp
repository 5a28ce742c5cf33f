// The process entry, the recorder window and recording control.
#include "recorder.h"

#include "archive/archive.h"
#include "capture/capture.h"
#include "signal/signal.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <iterator>

namespace {

enum RecorderState { IDLE, RECORDING };

const char* const RateTable[] = {"44100", "32000", "22050", "11025", "8000"};
const uint32_t RATES[] = {44100, 32000, 22050, 11025, 8000};
const char DEFAULT_PATH[] = "c:\\archive\\output.wav";
const char CAPTION[] = "H A R K";

RecorderState gState = IDLE;
uint32_t gSelectedRate = 44100;
char gPath[256];
WAVEINCAPSA gDeviceCaps;
DcTracker gLeftTracker;
DcTracker gRightTracker;
ClipMaxima gClipMaxima;

// Idle has Start enabled and Stop disabled; recording the reverse.
void ShowButtons(HWND window, RecorderState state) {
    if (state == RECORDING) {
        EnableWindow(GetDlgItem(window, ID_STOP), TRUE);
        EnableWindow(GetDlgItem(window, ID_START), FALSE);
    } else {
        EnableWindow(GetDlgItem(window, ID_STOP), FALSE);
        EnableWindow(GetDlgItem(window, ID_START), TRUE);
    }
}

void ReportArchiveProblem(HWND window, int status, uint32_t foundRate) {
    char text[512];
    switch (status) {
    case ARCHIVE_CANNOT_OPEN:
        snprintf(text, sizeof text, "The archive file cannot be opened:\n%s", gPath);
        break;
    case ARCHIVE_NOT_WAV:
        snprintf(text, sizeof text,
                 "This file is not an archive of 16-bit stereo WAV audio, and has been left as "
                 "it is:\n%s",
                 gPath);
        break;
    case ARCHIVE_OTHER_RATE:
        snprintf(text, sizeof text,
                 "This archive holds audio recorded at %u Hz, not %u Hz, and has been left as "
                 "it is:\n%s\nRecord at %u Hz to add to it, or choose another file.",
                 foundRate, gSelectedRate, gPath, foundRate);
        break;
    case ARCHIVE_FULL:
        snprintf(text, sizeof text,
                 "Recording stopped: the archive has reached the 4 GB limit of a WAV file. "
                 "Everything recorded is kept in:\n%s",
                 gPath);
        break;
    default:
        snprintf(text, sizeof text,
                 "Recording stopped: the archive could not be written (is the disk full?). "
                 "Everything recorded up to the last whole block is kept in:\n%s",
                 gPath);
        break;
    }
    MessageBoxA(window, text, CAPTION, MB_OK);
}

void Start(HWND window) {
    const LRESULT rate = SendDlgItemMessageA(window, ID_RATE_LIST, CB_GETCURSEL, 0, 0);
    if (rate >= 0 && rate < static_cast<LRESULT>(std::size(RATES))) {
        gSelectedRate = RATES[rate];
    }
    // Nothing selected (an empty list) is -1, the wave mapper.
    const int device =
        static_cast<int>(SendDlgItemMessageA(window, ID_DEVICE_LIST, CB_GETCURSEL, 0, 0));
    if (StartCapture(device, gSelectedRate) != 0) {
        // Notifications that arrive while the box is up find the recorder idle.
        MessageBoxA(window, "Wave Error!", CAPTION, MB_OK);
        AbandonCapture();
        return;
    }
    GetDlgItemTextA(window, ID_FILE_NAME, gPath, 255);
    uint32_t foundRate = 0;
    const int status = OpenArchive(gPath, gSelectedRate, foundRate);
    if (status != ARCHIVE_OK) {
        StopCapture();
        ReportArchiveProblem(window, status, foundRate);
        return;
    }
    ShowButtons(window, RECORDING);
    gState = RECORDING;
}

// Returns what finalising the archive gave.
int Stop(HWND window) {
    ShowButtons(window, IDLE);
    gState = IDLE;
    StopCapture();
    const int status = FinaliseArchive(gSelectedRate);
    SetDlgItemTextA(window, ID_LEFT_LEVEL, "");
    return status;
}

void Close(HWND window) {
    EndDialog(window, 0);
    if (gState == RECORDING) {
        // The header on the disk already covers every block appended.
        StopCapture();
        CloseArchive();
        gState = IDLE;
    }
    PostQuitMessage(0);
}

void HandleBlock(HWND window, LPARAM tag) {
    if (gState != RECORDING || tag < 1 || tag > 4) {
        return;
    }
    // The position before this block is appended; the buffer goes back to
    // the device before the block is worked on.
    SetDlgItemTextA(window, ID_ELAPSED, FormatElapsed(ArchivePosition(), gSelectedRate));
    RequeueBuffer(tag);
    const StereoStats stats = ConditionBlock(gWorkBlock, gLeftTracker, gRightTracker);
    SetDlgItemTextA(window, ID_LEFT_LEVEL, FormatLevel(stats.left));
    SetDlgItemTextA(window, ID_RIGHT_LEVEL, FormatLevel(stats.right));
    SetDlgItemTextA(window, ID_LEFT_CLIPS, FormatClipMaximum(gClipMaxima.left, stats.left));
    SetDlgItemTextA(window, ID_RIGHT_CLIPS, FormatClipMaximum(gClipMaxima.right, stats.right));
    const int status = AppendBlock(gWorkBlock);
    if (status != ARCHIVE_OK) {
        Stop(window);
        ReportArchiveProblem(window, status, 0);
    }
}

void InitDialog(HWND window) {
    gRecorderWindow = window;
    InitWavHeader();
    EnableWindow(GetDlgItem(window, ID_STOP), FALSE);
    // Entry i is device i, even when its capabilities cannot be read.
    const UINT devices = waveInGetNumDevs();
    for (UINT device = 0; device < devices; device++) {
        waveInGetDevCapsA(device, &gDeviceCaps, sizeof gDeviceCaps);
        SendDlgItemMessageA(window, ID_DEVICE_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(gDeviceCaps.szPname));
    }
    SendDlgItemMessageA(window, ID_DEVICE_LIST, CB_SETCURSEL, 0, 0);
    for (const char* rate : RateTable) {
        SendDlgItemMessageA(window, ID_RATE_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rate));
    }
    SendDlgItemMessageA(window, ID_RATE_LIST, CB_SETCURSEL, 0, 0);
    SetDlgItemTextA(window, ID_FILE_NAME, DEFAULT_PATH);
}

INT_PTR CALLBACK RecorderDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(window);
        break;
    case WM_COMMAND:
        if (wParam == ID_START && gState == IDLE) {
            Start(window);
        } else if (wParam == ID_STOP && gState == RECORDING) {
            const int status = Stop(window);
            if (status != ARCHIVE_OK) {
                ReportArchiveProblem(window, status, 0);
            }
        } else if (wParam == IDCANCEL) {
            Close(window);
        }
        break;
    case WM_USER:
        if (wParam == BLOCK_READY_MARK) {
            HandleBlock(window, lParam);
        }
        break;
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    gInstance = instance;
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(RECORDER_DIALOG), nullptr,
                                     RecorderDialogProc, 0);
    if (window == nullptr) {
        return 1;
    }
    gRecorderWindow = window;
    ShowWindow(window, SW_SHOW);
    // No IsDialogMessage: Tab, Enter and Esc do not work the dialog's controls.
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
