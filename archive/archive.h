// The WAV archive file: its 44-byte header record and the operations that
// append conditioned blocks to it.
#pragma once

#include "signal/signal.h"

#include <cstdint>

// Written to the file byte for byte; all integers little-endian, which the
// signal header already requires of the host.
struct WavHeader {
    char riffTag[4];
    uint32_t riffSize;
    char waveTag[4];
    char formatTag[4];
    uint32_t formatSize;
    uint16_t formatCode;
    uint16_t channels;
    uint32_t sampleRate;
    uint32_t byteRate;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    char dataTag[4];
    uint32_t dataSize;
};
static_assert(sizeof(WavHeader) == 44);

constexpr uint32_t WAV_HEADER_SIZE = sizeof(WavHeader);

// Results of the archive operations.
constexpr int ARCHIVE_OK = 0;
constexpr int ARCHIVE_CANNOT_OPEN = 1;  // missing folder, held open elsewhere, bad name
constexpr int ARCHIVE_NOT_WAV = 2;      // not empty and not an archive of this kind
constexpr int ARCHIVE_OTHER_RATE = 3;   // an archive recorded at another sample rate
constexpr int ARCHIVE_WRITE_FAILED = 4; // a block could not be written in full
constexpr int ARCHIVE_FULL = 5;         // a block would take the file past 4 GiB

// The header record as it stands in the file that is open.
extern WavHeader gWavHeader;

void InitWavHeader();
// Sets every field that can change: channels, rate, byte rate and both sizes.
void StampWavHeader(uint32_t rate, uint32_t fileLength);
// ARCHIVE_OK, ARCHIVE_NOT_WAV or ARCHIVE_OTHER_RATE for the first 44 bytes of
// an existing file, when appending at rate.
int CheckWavHeader(const WavHeader& found, uint32_t rate);

// An empty path opens nothing and is not an error: nothing is stored, and
// ArchivePosition gives 0. On ARCHIVE_OTHER_RATE, foundRate is the archive's.
int OpenArchive(const char* path, uint32_t rate, uint32_t& foundRate);
int AppendBlock(const StereoBlock& block);
uint32_t ArchivePosition();
int FinaliseArchive(uint32_t rate);
void CloseArchive();
