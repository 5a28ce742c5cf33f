// The recorder window end to end, on a null capture device that fills
// buffers with silence faster than real time.
#include "recorder_driver.h"

#include "archive/archive.h"
#include "signal/signal.h"

#include <cstring>

namespace {

TEST_F(Recorder, FirstWindow) {
    ExpectFirstWindow(1);
    EXPECT_EQ(CloseAndWait(), 0u);
}

// Two recordings at 11025 Hz to one path, then a refused third at 22050 Hz.
TEST_F(Recorder, RecordsAppendsAndRefusesAnotherRate) {
    const std::string path = TestPath("window11025.wav");
    SetUpRecording(path, 3);
    ASSERT_NO_FATAL_FAILURE(RecordBlocks(path, 3));
    ASSERT_NO_FATAL_FAILURE(StopRecording());
    const uint32_t first = ExpectWholeArchive(path, 11025);
    // Silence from trackers at rest: no level, no clipping. The elapsed time
    // is the archive's length before the last block was appended.
    EXPECT_EQ(Text(ID_LEFT_LEVEL), "");
    EXPECT_EQ(Text(ID_RIGHT_LEVEL), "-inf dB");
    EXPECT_EQ(Text(ID_LEFT_CLIPS), "0 clipped");
    EXPECT_EQ(Text(ID_RIGHT_CLIPS), "0 clipped");
    EXPECT_EQ(Text(ID_ELAPSED), FormatElapsed(44 + (first - 1) * BLOCK, 11025));

    ASSERT_NO_FATAL_FAILURE(RecordBlocks(path, 2));
    ASSERT_NO_FATAL_FAILURE(StopRecording());
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

// Files that cannot be opened or are not archives: a message naming the
// path, the recorder idle, and nothing created or changed.
TEST_F(Recorder, RefusedArchivesAreReportedAndLeftAlone) {
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
    const std::string path = TestPath("window-closed.wav");
    SetUpRecording(path, 1);
    ASSERT_NO_FATAL_FAILURE(RecordBlocks(path, 2));
    EXPECT_EQ(CloseAndWait(), 0u);
    const uint32_t blocks = ExpectWholeArchive(path, 32000);
    ExpectReadBack(path, 32000, blocks * 32768);
}

TEST_F(Recorder, KilledWhileRecordingLeavesAPlayableArchive) {
    const std::string path = TestPath("window-killed.wav");
    SetUpRecording(path, 0);
    ASSERT_NO_FATAL_FAILURE(RecordBlocks(path, 3));
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
