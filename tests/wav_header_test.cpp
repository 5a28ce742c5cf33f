#include "archive/archive.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace {

static_assert(offsetof(WavHeader, riffSize) == 4);
static_assert(offsetof(WavHeader, formatTag) == 12);
static_assert(offsetof(WavHeader, formatCode) == 20);
static_assert(offsetof(WavHeader, sampleRate) == 24);
static_assert(offsetof(WavHeader, blockAlign) == 32);
static_assert(offsetof(WavHeader, dataTag) == 36);
static_assert(offsetof(WavHeader, dataSize) == 40);

TEST(WavHeader, BytesOfAStampedHeader) {
    InitWavHeader();
    StampWavHeader(22050, 44 + 10 * 131072);
    const unsigned char expected[44] = {
        'R',  'I',  'F', 'F', 0x24, 0x00, 0x14, 0x00, 'W', 'A',  'V',  'E',  'f',  'm',  't',
        ' ',  16,   0,   0,   0,    1,    0,    2,    0,   0x22, 0x56, 0x00, 0x00, 0x88, 0x58,
        0x01, 0x00, 4,   0,   16,   0,    'd',  'a',  't', 'a',  0x00, 0x00, 0x14, 0x00,
    };
    EXPECT_EQ(memcmp(&gWavHeader, expected, sizeof expected), 0);
}

TEST(WavHeader, StartUpValues) {
    memset(&gWavHeader, 0, sizeof gWavHeader);
    InitWavHeader();
    EXPECT_EQ(gWavHeader.sampleRate, 44100u);
    EXPECT_EQ(gWavHeader.byteRate, 176400u);
    EXPECT_EQ(gWavHeader.riffSize, 0u);
    EXPECT_EQ(gWavHeader.dataSize, 0u);
    EXPECT_EQ(CheckWavHeader(gWavHeader, 44100), ARCHIVE_OK);
}

TEST(WavHeader, CheckOfAnExistingHeader) {
    struct {
        const char* what;
        void (*spoil)(WavHeader&);
        uint32_t rate;
        int status;
    } cases[] = {
        {"ours", [](WavHeader&) {}, 44100, ARCHIVE_OK},
        {"another rate", [](WavHeader&) {}, 22050, ARCHIVE_OTHER_RATE},
        {"not RIFF", [](WavHeader& h) { h.riffTag[0] = 'X'; }, 44100, ARCHIVE_NOT_WAV},
        {"not WAVE", [](WavHeader& h) { h.waveTag[3] = 'X'; }, 44100, ARCHIVE_NOT_WAV},
        {"fmt tag", [](WavHeader& h) { h.formatTag[3] = '\0'; }, 44100, ARCHIVE_NOT_WAV},
        {"fmt size 18", [](WavHeader& h) { h.formatSize = 18; }, 44100, ARCHIVE_NOT_WAV},
        {"not PCM", [](WavHeader& h) { h.formatCode = 3; }, 44100, ARCHIVE_NOT_WAV},
        {"mono", [](WavHeader& h) { h.channels = 1; }, 44100, ARCHIVE_NOT_WAV},
        {"8 bits", [](WavHeader& h) { h.bitsPerSample = 8; }, 44100, ARCHIVE_NOT_WAV},
        {"block align 2", [](WavHeader& h) { h.blockAlign = 2; }, 44100, ARCHIVE_NOT_WAV},
        {"a LIST chunk first", [](WavHeader& h) { memcpy(h.dataTag, "LIST", 4); }, 44100,
         ARCHIVE_NOT_WAV},
    };
    for (const auto& c : cases) {
        InitWavHeader();
        StampWavHeader(44100, 44 + 131072);
        WavHeader found = gWavHeader;
        c.spoil(found);
        EXPECT_EQ(CheckWavHeader(found, c.rate), c.status) << c.what;
    }
}

} // namespace
