#include "recorder_driver.h"

#include <cstring>

namespace {

struct Search {
    DWORD process;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    Search* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (process == search->process && IsWindowVisible(window) &&
        strcmp(caption, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool WaitFor(const std::function<bool()>& condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > PATIENCE_MS) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

void Recorder::SetUp() {
    process_ = StartProgram("harkwell.exe", "");
    ASSERT_NE(process_, nullptr);
    ASSERT_TRUE(WaitFor([&] { return (window_ = Find("Harkwell")) != nullptr; }));
}

void Recorder::TearDown() {
    if (process_) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, PATIENCE_MS);
        }
        CloseHandle(process_);
    }
}

HWND Recorder::Find(const char* caption) {
    Search search = {GetProcessId(process_), caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Recorder::Text(int id) {
    char text[300] = "";
    GetDlgItemTextA(window_, id, text, sizeof text);
    return text;
}

bool Recorder::Enabled(int id) {
    return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE;
}

bool Recorder::Idle() {
    return Enabled(ID_START) && !Enabled(ID_STOP);
}

bool Recorder::Recording() {
    return !Enabled(ID_START) && Enabled(ID_STOP);
}

// Read through the selection, since the list's own text messages do not
// cross processes intact; the selection is put back afterwards.
std::vector<std::string> Recorder::ListOf(int id) {
    std::vector<std::string> items;
    const LRESULT selected = Selection(id);
    const LRESULT count = SendDlgItemMessageA(window_, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        SendDlgItemMessageA(window_, id, CB_SETCURSEL, i, 0);
        items.push_back(Text(id));
    }
    SendDlgItemMessageA(window_, id, CB_SETCURSEL, selected, 0);
    return items;
}

LRESULT Recorder::Selection(int id) {
    return SendDlgItemMessageA(window_, id, CB_GETCURSEL, 0, 0);
}

void Recorder::Press(int id) {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
}

void Recorder::SetUpRecording(const std::string& path, int rateEntry) {
    SetDlgItemTextA(window_, ID_FILE_NAME, path.c_str());
    SendDlgItemMessageA(window_, ID_RATE_LIST, CB_SETCURSEL, rateEntry, 0);
}

void Recorder::RecordBlocks(const std::string& path, uint32_t blocks) {
    const uint64_t before = FileLength(path);
    Press(ID_START);
    ASSERT_TRUE(WaitFor([&] { return Recording() || Find("H A R K"); }));
    ASSERT_TRUE(Recording()) << "instead: " << TakeMessage();
    const uint64_t start = before ? before : 44;
    ASSERT_TRUE(WaitFor([&] { return FileLength(path) >= start + blocks * BLOCK; }));
}

// Stop's last step clears the left level, after the archive is closed.
void Recorder::StopRecording() {
    Press(ID_STOP);
    ASSERT_TRUE(WaitFor([&] { return Idle() && Text(ID_LEFT_LEVEL).empty(); }));
}

std::string Recorder::TakeMessage() {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = Find("H A R K")) != nullptr; })) {
        return "(no message box)";
    }
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    WaitFor([&] { return Find("H A R K") == nullptr; });
    return text;
}

DWORD Recorder::CloseAndWait() {
    Press(IDCANCEL);
    EXPECT_EQ(WaitForSingleObject(process_, PATIENCE_MS), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process_, &code);
    return code;
}

void Recorder::ExpectFirstWindow(size_t devices) {
    EXPECT_EQ(ListOf(ID_DEVICE_LIST).size(), devices);
    EXPECT_EQ(Selection(ID_DEVICE_LIST), devices ? 0 : CB_ERR);
    EXPECT_EQ(ListOf(ID_RATE_LIST),
              (std::vector<std::string>{"44100", "32000", "22050", "11025", "8000"}));
    EXPECT_EQ(Selection(ID_RATE_LIST), 0);
    EXPECT_EQ(Text(ID_FILE_NAME), "c:\\archive\\output.wav");
    EXPECT_TRUE(Idle());
    for (int id : {ID_LEFT_LEVEL, ID_RIGHT_LEVEL, ID_LEFT_CLIPS, ID_RIGHT_CLIPS, ID_ELAPSED}) {
        EXPECT_EQ(Text(id), "Static") << id;
    }
}

uint32_t ExpectWholeArchive(const std::string& path, uint32_t rate) {
    const uint64_t length = FileLength(path);
    const WavHeader header = HeaderOf(path);
    EXPECT_GE(length, 44u);
    EXPECT_EQ((length - 44) % BLOCK, 0u);
    EXPECT_EQ(header.dataSize, length - 44);
    EXPECT_EQ(header.riffSize, length - 8);
    EXPECT_EQ(header.sampleRate, rate);
    EXPECT_EQ(header.byteRate, rate * 4);
    EXPECT_EQ(CheckWavHeader(header, rate), ARCHIVE_OK);
    return static_cast<uint32_t>((length - 44) / BLOCK);
}
