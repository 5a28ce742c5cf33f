// The archive file on the real Windows file interfaces (under Wine). Each file
// worth reading back is listed beside it in a .expect file, which an outside
// WAV reader checks once these tests are done.
#include "archive/archive.h"

#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

namespace {

StereoBlock gBlock;

// Block n holds frames (n, -n), so each block is recognisable in the file.
const StereoBlock& NumberedBlock(int16_t n) {
    for (StereoFrame& frame : gBlock.frames) {
        frame = {n, static_cast<int16_t>(-n)};
    }
    return gBlock;
}

void Record(const std::string& path, uint32_t rate, int16_t first, int16_t count) {
    uint32_t foundRate = 0;
    ASSERT_EQ(OpenArchive(path.c_str(), rate, foundRate), ARCHIVE_OK);
    for (int16_t n = first; n < first + count; n++) {
        ASSERT_EQ(AppendBlock(NumberedBlock(n)), ARCHIVE_OK);
    }
}

// The header describes exactly the file, and block n sits where it should.
void ExpectArchive(const std::string& path, uint32_t rate, int16_t blocks) {
    const std::vector<unsigned char> bytes = ReadAll(path);
    const uint32_t length = 44 + blocks * BLOCK;
    ASSERT_EQ(bytes.size(), length);
    const WavHeader header = HeaderOf(path);
    EXPECT_EQ(header.riffSize, length - 8);
    EXPECT_EQ(header.dataSize, length - 44);
    EXPECT_EQ(header.sampleRate, rate);
    EXPECT_EQ(header.byteRate, rate * 4);
    EXPECT_EQ(header.blockAlign, 4);
    EXPECT_EQ(header.channels, 2);
    EXPECT_EQ(header.bitsPerSample, 16);
    EXPECT_EQ(CheckWavHeader(header, rate), ARCHIVE_OK);
    for (int16_t n = 1; n <= blocks; n++) {
        const uint32_t at = 44 + (n - 1) * BLOCK;
        StereoFrame first, last;
        memcpy(&first, &bytes[at], 4);
        memcpy(&last, &bytes[at + BLOCK - 4], 4);
        EXPECT_EQ(first.left, n);
        EXPECT_EQ(last.right, -n);
    }
}

class ArchiveTest : public testing::Test {
  protected:
    void SetUp() override {
        InitWavHeader();
    }
    void TearDown() override {
        CloseArchive();
    }
};

class ArchiveRates : public ArchiveTest, public testing::WithParamInterface<uint32_t> {};

// A new file gets its header before any audio; a second recording to the same
// path is appended to the first, stopped this time by Close.
TEST_P(ArchiveRates, NewFileThenAppendedRecording) {
    const uint32_t rate = GetParam();
    const std::string path = TestPath("rate" + std::to_string(rate) + ".wav");
    Record(path, rate, 1, 10);
    EXPECT_EQ(ArchivePosition(), 44 + 10 * BLOCK);
    ASSERT_EQ(FinaliseArchive(rate), ARCHIVE_OK);
    EXPECT_EQ(ArchivePosition(), 0u);
    ExpectArchive(path, rate, 10);

    Record(path, rate, 11, 5);
    EXPECT_EQ(ArchivePosition(), 44 + 15 * BLOCK);
    CloseArchive();
    ExpectArchive(path, rate, 15);
    ExpectReadBack(path, rate, 15 * 32768);
}

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveRates, testing::Values(44100, 32000, 22050, 11025, 8000));

TEST_F(ArchiveTest, StopBeforeAnyBlockLeavesAPlayableArchive) {
    const std::string path = TestPath("empty.wav");
    Record(path, 22050, 1, 0);
    ASSERT_EQ(FinaliseArchive(22050), ARCHIVE_OK);
    ExpectArchive(path, 22050, 0);
    Record(path, 22050, 1, 2);
    ASSERT_EQ(FinaliseArchive(22050), ARCHIVE_OK);
    ExpectArchive(path, 22050, 2);
    ExpectReadBack(path, 22050, 2 * 32768);
}

TEST_F(ArchiveTest, NobodyElseOpensTheArchiveWhileItIsOpen) {
    const std::string path = TestPath("shared.wav");
    Record(path, 44100, 1, 1);
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    ASSERT_EQ(FinaliseArchive(44100), ARCHIVE_OK);
    other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                        nullptr);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);
}

TEST_F(ArchiveTest, EmptyNameStoresNothing) {
    uint32_t foundRate = 0;
    EXPECT_EQ(OpenArchive("", 44100, foundRate), ARCHIVE_OK);
    EXPECT_EQ(AppendBlock(NumberedBlock(1)), ARCHIVE_OK);
    EXPECT_EQ(ArchivePosition(), 0u);
    EXPECT_EQ(FinaliseArchive(44100), ARCHIVE_OK);
}

// Each refusal leaves whatever is at the path byte for byte as it was.
TEST_F(ArchiveTest, RefusedFilesAreLeftUntouched) {
    InitWavHeader();
    StampWavHeader(44100, 44 + 8);
    WavHeader mono = gWavHeader;
    mono.channels = 1;
    std::vector<unsigned char> at44100(52, 7);
    memcpy(at44100.data(), &gWavHeader, 44);
    std::vector<unsigned char> monoFile(52, 7);
    memcpy(monoFile.data(), &mono, 44);
    const std::string text = "not a recording at all, but somebody's notes\r\n";
    struct {
        const char* name;
        std::vector<unsigned char> content;
        int status;
    } cases[] = {
        {"text.wav", {text.begin(), text.end()}, ARCHIVE_NOT_WAV},
        {"short.wav", {'R', 'I', 'F', 'F', 1, 2, 3}, ARCHIVE_NOT_WAV},
        {"mono.wav", monoFile, ARCHIVE_NOT_WAV},
        {"at44100.wav", at44100, ARCHIVE_OTHER_RATE},
    };
    for (const auto& c : cases) {
        const std::string path = TestPath(c.name);
        WriteAll(path, c.content);
        uint32_t foundRate = 0;
        EXPECT_EQ(OpenArchive(path.c_str(), 22050, foundRate), c.status) << c.name;
        EXPECT_EQ(ArchivePosition(), 0u) << c.name;
        EXPECT_EQ(AppendBlock(NumberedBlock(1)), ARCHIVE_OK) << c.name;
        EXPECT_EQ(FinaliseArchive(22050), ARCHIVE_OK) << c.name;
        EXPECT_EQ(ReadAll(path), c.content) << c.name;
        if (c.status == ARCHIVE_OTHER_RATE) {
            EXPECT_EQ(foundRate, 44100u);
        }
    }
}

TEST_F(ArchiveTest, UnopenableFilesAreReportedAndNothingIsCreated) {
    const std::string held = TestPath("held.wav");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::string missingFolder = TestPath("no such folder/output.wav");
    const std::string badName = TestPath("bad|name?.wav");
    for (const std::string& path : {held, missingFolder, badName}) {
        uint32_t foundRate = 0;
        EXPECT_EQ(OpenArchive(path.c_str(), 44100, foundRate), ARCHIVE_CANNOT_OPEN) << path;
        EXPECT_EQ(ArchivePosition(), 0u);
    }
    CloseHandle(holder);
    EXPECT_EQ(FileLength(held), 0u);
    EXPECT_EQ(GetFileAttributesA(missingFolder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(badName.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A write cut short by a crash leaves a partial frame: it is dropped, so
// what follows stays aligned, and nothing else of the file changes.
TEST_F(ArchiveTest, PartialFrameIsCutBackBeforeAppending) {
    const std::string path = TestPath("partial.wav");
    Record(path, 32000, 1, 2);
    ASSERT_EQ(FinaliseArchive(32000), ARCHIVE_OK);
    std::vector<unsigned char> bytes = ReadAll(path);
    bytes.insert(bytes.end(), {9, 9, 9});
    WriteAll(path, bytes);

    Record(path, 32000, 3, 1);
    EXPECT_EQ(ArchivePosition(), 44 + 3 * BLOCK);
    ASSERT_EQ(FinaliseArchive(32000), ARCHIVE_OK);
    ExpectArchive(path, 32000, 3);
    ExpectReadBack(path, 32000, 3 * 32768);
}

// A writer killed in the middle of a recording leaves a header that covers
// every whole block on the disk, but for one whose header update it did not
// reach, and never more than the file holds.
TEST_F(ArchiveTest, KilledWriterLeavesAPlayableArchive) {
    const std::string path = TestPath("killed.wav");
    HANDLE writer = StartProgram("archive_writer.exe", path);
    ASSERT_NE(writer, nullptr);
    for (int wait = 0; wait < 6000 && FileLength(path) < 44 + 4 * BLOCK; wait++) {
        Sleep(10);
    }
    TerminateProcess(writer, 9);
    WaitForSingleObject(writer, INFINITE);
    CloseHandle(writer);

    const std::vector<unsigned char> bytes = ReadAll(path);
    ASSERT_GE(bytes.size(), 44 + 4 * BLOCK);
    const uint32_t audio = static_cast<uint32_t>(bytes.size() - 44);
    EXPECT_EQ(audio % BLOCK, 0u);
    const WavHeader header = HeaderOf(path);
    EXPECT_TRUE(header.dataSize == audio || header.dataSize == audio - BLOCK)
        << header.dataSize << " of " << audio;
    EXPECT_EQ(header.riffSize, header.dataSize + 36);
    ExpectReadBack(path, 44100, header.dataSize / 4);
}

// F: is a small drive that the test run mounts; a block that does not fit is
// reported, and the file is cut back to its last whole block.
TEST_F(ArchiveTest, FullDiskKeepsWholeBlocksAndATrueHeader) {
    if (GetFileAttributesA("F:\\") == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no small drive F: (mounting a tmpfs needs root)";
    }
    const std::string path = "F:\\full.wav";
    DeleteFileA(path.c_str());
    uint32_t foundRate = 0;
    ASSERT_EQ(OpenArchive(path.c_str(), 11025, foundRate), ARCHIVE_OK);
    int status = ARCHIVE_OK;
    int16_t blocks = 0;
    while (status == ARCHIVE_OK && blocks < 100) {
        status = AppendBlock(NumberedBlock(static_cast<int16_t>(blocks + 1)));
        blocks += status == ARCHIVE_OK;
    }
    EXPECT_EQ(status, ARCHIVE_WRITE_FAILED);
    EXPECT_GT(blocks, 0);
    EXPECT_EQ(ArchivePosition(), 44 + blocks * BLOCK);
    EXPECT_EQ(FinaliseArchive(11025), ARCHIVE_OK);
    ExpectArchive(path, 11025, blocks);

    // Kept for the outside reader in the test directory; the drive is freed.
    const std::string copy = TestPath("full.wav");
    ASSERT_TRUE(CopyFileA(path.c_str(), copy.c_str(), FALSE));
    DeleteFileA(path.c_str());
    ExpectReadBack(copy, 11025, blocks * 32768);
}

// Sizes never wrap: a block that would take the file past 4294967295 bytes is
// refused and the file stays as it was. The file is sparse.
TEST_F(ArchiveTest, BlockPastFourGiBIsRefused) {
    const std::string path = TestPath("huge.wav");
    const uint32_t length = 4294836220u; // the last whole frame with room for one block
    MakeSparseArchive(path, 8000, length);

    uint32_t foundRate = 0;
    ASSERT_EQ(OpenArchive(path.c_str(), 8000, foundRate), ARCHIVE_OK);
    EXPECT_EQ(AppendBlock(NumberedBlock(1)), ARCHIVE_OK);
    EXPECT_EQ(ArchivePosition(), length + BLOCK);
    EXPECT_EQ(AppendBlock(NumberedBlock(2)), ARCHIVE_FULL);
    EXPECT_EQ(ArchivePosition(), length + BLOCK);
    EXPECT_EQ(FinaliseArchive(8000), ARCHIVE_OK);

    EXPECT_EQ(FileLength(path), uint64_t{length} + BLOCK);
    EXPECT_EQ(HeaderOf(path).dataSize, length + BLOCK - 44);
    EXPECT_EQ(HeaderOf(path).riffSize, length + BLOCK - 8);
    DeleteFileA(path.c_str());
}

} // namespace
