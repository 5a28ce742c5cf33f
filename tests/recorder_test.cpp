// Drives the real harkwell.exe the way a user does: it finds the window,
// reads and sets its controls, and posts the commands its buttons send.
// Every wait polls for the state it wants, with a generous bound.
#include "archive/archive.h"
#include "recorder/recorder.h"
#include "signal/signal.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

constexpr DWORD PATIENCE_MS = 120000;

bool HasDevice() {
    const char* audio = getenv("HARKWELL_AUDIO");
    return !(audio && strcmp(audio, "none") == 0);
}

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

class Recorder : public testing::Test {
  protected:
    HANDLE process_ = nullptr;
    HWND window_ = nullptr;

    void SetUp() override {
        process_ = StartProgram("harkwell.exe", "");
        ASSERT_NE(process_, nullptr);
        ASSERT_TRUE(WaitFor([&] { return (window_ = Find("Harkwell")) != nullptr; }));
    }

    void TearDown() override {
        if (process_) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_, 1);
                WaitForSingleObject(process_, PATIENCE_MS);
            }
            CloseHandle(process_);
        }
    }

    HWND Find(const char* caption) {
        Search search = {GetProcessId(process_), caption, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    std::string Text(int id) {
        char text[300] = "";
        GetDlgItemTextA(window_, id, text, sizeof text);
        return text;
    }

    bool Enabled(int id) {
        return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE;
    }

    bool Idle() {
        return Enabled(ID_START) && !Enabled(ID_STOP);
    }

    bool Recording() {
        return !Enabled(ID_START) && Enabled(ID_STOP);
    }

    // Read through the selection, since the list's own text messages do not
    // cross processes intact; the selection is put back afterwards.
    std::vector<std::string> ListOf(int id) {
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

    LRESULT Selection(int id) {
        return SendDlgItemMessageA(window_, id, CB_GETCURSEL, 0, 0);
    }

    // Posted, not sent: a command may open a modal message box.
    void Press(int id) {
        PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
    }

    void SetUpRecording(const std::string& path, int rateEntry) {
        SetDlgItemTextA(window_, ID_FILE_NAME, path.c_str());
        SendDlgItemMessageA(window_, ID_RATE_LIST, CB_SETCURSEL, rateEntry, 0);
    }

    // Records until the file holds at least `blocks` blocks more than it did.
    void RecordBlocks(const std::string& path, uint32_t blocks) {
        const uint64_t before = FileLength(path);
        Press(ID_START);
        ASSERT_TRUE(WaitFor([&] { return Recording(); }));
        const uint64_t start = before ? before : 44;
        ASSERT_TRUE(WaitFor([&] { return FileLength(path) >= start + blocks * BLOCK; }));
    }

    // Stop's last step clears the left level, after the archive is closed.
    void StopRecording() {
        Press(ID_STOP);
        ASSERT_TRUE(WaitFor([&] { return Idle() && Text(ID_LEFT_LEVEL).empty(); }));
    }

    // The text of the message box the program shows now, which is then
    // dismissed with its OK button.
    std::string TakeMessage() {
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

    DWORD CloseAndWait() {
        Press(IDCANCEL);
        EXPECT_EQ(WaitForSingleObject(process_, PATIENCE_MS), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(process_, &code);
        return code;
    }
};

// The header agrees with the file, which holds whole blocks only.
uint32_t ExpectWholeArchive(const std::string& path, uint32_t rate) {
    const std::vector<unsigned char> bytes = ReadAll(path);
    const WavHeader header = HeaderOf(path);
    EXPECT_GE(bytes.size(), 44u);
    EXPECT_EQ((bytes.size() - 44) % BLOCK, 0u);
    EXPECT_EQ(header.dataSize, bytes.size() - 44);
    EXPECT_EQ(header.riffSize, bytes.size() - 8);
    EXPECT_EQ(header.sampleRate, rate);
    EXPECT_EQ(header.byteRate, rate * 4);
    EXPECT_EQ(CheckWavHeader(header, rate), ARCHIVE_OK);
    return static_cast<uint32_t>((bytes.size() - 44) / BLOCK);
}

TEST_F(Recorder, FirstWindow) {
    if (HasDevice()) {
        EXPECT_EQ(ListOf(ID_DEVICE_LIST).size(), 1u);
        EXPECT_EQ(Selection(ID_DEVICE_LIST), 0);
    } else {
        EXPECT_TRUE(ListOf(ID_DEVICE_LIST).empty());
        EXPECT_EQ(Selection(ID_DEVICE_LIST), CB_ERR);
    }
    EXPECT_EQ(ListOf(ID_RATE_LIST),
              (std::vector<std::string>{"44100", "32000", "22050", "11025", "8000"}));
    EXPECT_EQ(Selection(ID_RATE_LIST), 0);
    EXPECT_EQ(Text(ID_FILE_NAME), "c:\\archive\\output.wav");
    EXPECT_TRUE(Idle());
    for (int id : {ID_LEFT_LEVEL, ID_RIGHT_LEVEL, ID_LEFT_CLIPS, ID_RIGHT_CLIPS, ID_ELAPSED}) {
        EXPECT_EQ(Text(id), "Static") << id;
    }
    EXPECT_EQ(CloseAndWait(), 0u);
}

// Two recordings at 11025 Hz to one path, then a refused third at 22050 Hz.
TEST_F(Recorder, RecordsAppendsAndRefusesAnotherRate) {
    if (!HasDevice()) {
        GTEST_SKIP() << "needs the null capture device";
    }
    const std::string path = TestPath("window11025.wav");
    SetUpRecording(path, 3);
    RecordBlocks(path, 3);
    StopRecording();
    const uint32_t first = ExpectWholeArchive(path, 11025);
    // Silence from trackers at rest: no level, no clipping. The elapsed time
    // is the archive's length before the last block was appended.
    EXPECT_EQ(Text(ID_LEFT_LEVEL), "");
    EXPECT_EQ(Text(ID_RIGHT_LEVEL), "-inf dB");
    EXPECT_EQ(Text(ID_LEFT_CLIPS), "0 clipped");
    EXPECT_EQ(Text(ID_RIGHT_CLIPS), "0 clipped");
    EXPECT_EQ(Text(ID_ELAPSED), FormatElapsed(44 + (first - 1) * BLOCK, 11025));

    RecordBlocks(path, 2);
    StopRecording();
    const uint32_t both = ExpectWholeArchive(path, 11025);
    EXPECT_GE(both, first + 2);
    EXPECT_EQ(Text(ID_ELAPSED), FormatElapsed(44 + (both - 1) * BLOCK, 11025));
    ExpectReadBack(path, 11025, both * 32768);

    const std::vector<unsigned char> before = ReadAll(path);
    SendDlgItemMessageA(window_, ID_RATE_LIST, CB_SETCURSEL, 2, 0);
    Press(ID_START);
    const std::string message = TakeMessage();
    EXPECT_NE(message.find("11025 Hz"), std::string::npos) << message;
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_TRUE(Idle());
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(CloseAndWait(), 0u);
}

// Start and Stop pressed together: Stop is queued ahead of any block-ready
// message, so the recording appends nothing, yet the new file plays. A name
// longer than 254 characters is cut to its first 254, and that file opened.
TEST_F(Recorder, LongNameAndStopBeforeAnyBlock) {
    if (!HasDevice()) {
        GTEST_SKIP() << "needs the null capture device";
    }
    const std::string folder = ProgramFolder() + "test-files\\";
    ASSERT_LT(folder.size(), 200u);
    const std::string path = TestPath(std::string(250 - folder.size(), 'n') + ".wav");
    ASSERT_EQ(path.size(), 254u);
    SetUpRecording(path + "-and-more-that-does-not-fit", 4);
    Press(ID_START);
    Press(ID_STOP);
    ASSERT_TRUE(WaitFor([&] { return Idle() && Text(ID_LEFT_LEVEL).empty(); }));
    EXPECT_EQ(ExpectWholeArchive(path, 8000), 0u);
    for (int id : {ID_RIGHT_LEVEL, ID_LEFT_CLIPS, ID_RIGHT_CLIPS, ID_ELAPSED}) {
        EXPECT_EQ(Text(id), "Static") << id;
    }
    DeleteFileA(path.c_str());
    EXPECT_EQ(CloseAndWait(), 0u);
}

TEST_F(Recorder, NoDeviceShowsWaveError) {
    if (HasDevice()) {
        GTEST_SKIP() << "needs no capture device";
    }
    const std::string path = TestPath("nodevice.wav");
    SetUpRecording(path, 0);
    Press(ID_START);
    EXPECT_EQ(TakeMessage(), "Wave Error!");
    EXPECT_TRUE(Idle());
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CloseAndWait(), 0u);
}

// Files that cannot be opened or are not archives: a message naming the
// path, the recorder idle, and nothing created or changed.
TEST_F(Recorder, RefusedArchivesAreReportedAndLeftAlone) {
    if (!HasDevice()) {
        GTEST_SKIP() << "needs the null capture device";
    }
    const std::string notes = TestPath("notes.wav");
    const std::string list = "shopping list\r\n";
    const std::vector<unsigned char> content(list.begin(), list.end());
    WriteAll(notes, content);
    const std::string missing = TestPath("no such folder/output.wav");

    struct {
        std::string path;
        const char* says;
    } cases[] = {
        {"c:\\archive\\output.wav", "cannot be opened"},
        {missing, "cannot be opened"},
        {notes, "not an archive"},
    };
    for (const auto& c : cases) {
        SetUpRecording(c.path, 0);
        Press(ID_START);
        const std::string message = TakeMessage();
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        EXPECT_NE(message.find(c.path), std::string::npos) << message;
        EXPECT_TRUE(Idle());
    }
    EXPECT_EQ(ReadAll(notes), content);
    EXPECT_EQ(GetFileAttributesA("c:\\archive"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CloseAndWait(), 0u);
}

// G: is a small drive that the test run mounts: the recording ends by itself
// when it is full, says why, and leaves whole blocks with a true header.
TEST_F(Recorder, FullDiskEndsTheRecording) {
    if (!HasDevice()) {
        GTEST_SKIP() << "needs the null capture device";
    }
    if (GetFileAttributesA("G:\\") == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no small drive G: (mounting a tmpfs needs root)";
    }
    const std::string path = "G:\\window-full.wav";
    DeleteFileA(path.c_str());
    SetUpRecording(path, 0);
    Press(ID_START);
    const std::string message = TakeMessage();
    EXPECT_NE(message.find("disk full"), std::string::npos) << message;
    EXPECT_TRUE(Idle());
    const uint32_t blocks = ExpectWholeArchive(path, 44100);
    EXPECT_GT(blocks, 0u);
    const std::string copy = TestPath("window-full.wav");
    ASSERT_TRUE(CopyFileA(path.c_str(), copy.c_str(), FALSE));
    DeleteFileA(path.c_str());
    ExpectReadBack(copy, 44100, blocks * 32768);
    EXPECT_EQ(CloseAndWait(), 0u);
}

// An archive one block short of 4 GB (sparse): the recording ends after
// that block and says why.
TEST_F(Recorder, FourGigabyteLimitEndsTheRecording) {
    if (!HasDevice()) {
        GTEST_SKIP() << "needs the null capture device";
    }
    const std::string path = TestPath("window-huge.wav");
    const uint32_t length = 4294836220u;
    MakeSparseArchive(path, 44100, length);

    SetUpRecording(path, 0);
    Press(ID_START);
    const std::string message = TakeMessage();
    EXPECT_NE(message.find("4 GB"), std::string::npos) << message;
    EXPECT_TRUE(Idle());
    EXPECT_EQ(FileLength(path), uint64_t{length} + BLOCK);
    EXPECT_EQ(HeaderOf(path).dataSize, length + BLOCK - 44);
    DeleteFileA(path.c_str());
    EXPECT_EQ(CloseAndWait(), 0u);
}

TEST_F(Recorder, CloseWhileRecordingLeavesAPlayableArchive) {
    if (!HasDevice()) {
        GTEST_SKIP() << "needs the null capture device";
    }
    const std::string path = TestPath("window-closed.wav");
    SetUpRecording(path, 1);
    RecordBlocks(path, 2);
    EXPECT_EQ(CloseAndWait(), 0u);
    const uint32_t blocks = ExpectWholeArchive(path, 32000);
    ExpectReadBack(path, 32000, blocks * 32768);
}

TEST_F(Recorder, KilledWhileRecordingLeavesAPlayableArchive) {
    if (!HasDevice()) {
        GTEST_SKIP() << "needs the null capture device";
    }
    const std::string path = TestPath("window-killed.wav");
    SetUpRecording(path, 0);
    RecordBlocks(path, 3);
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, PATIENCE_MS);

    const uint64_t length = FileLength(path);
    ASSERT_GE(length, 44 + 3 * BLOCK);
    const uint32_t audio = static_cast<uint32_t>(length - 44);
    EXPECT_EQ(audio % BLOCK, 0u);
    const WavHeader header = HeaderOf(path);
    // Killed between a block and its header update, the header may lack
    // that one block; it never claims more than the file holds.
    EXPECT_TRUE(header.dataSize == audio || header.dataSize == audio - BLOCK)
        << header.dataSize << " of " << audio;
    ExpectReadBack(path, 44100, header.dataSize / 4);
}

} // namespace
