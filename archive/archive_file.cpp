#include "archive.h"

#include <windows.h>

namespace {

HANDLE gFile = INVALID_HANDLE_VALUE;
// The length of the open file: it is only ever appended to, and cut back only
// to an earlier length of its own.
uint32_t gLength;

bool MoveTo(uint32_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return SetFilePointerEx(gFile, distance, nullptr, FILE_BEGIN) != 0;
}

bool WriteAt(uint32_t offset, const void* data, DWORD size) {
    DWORD written = 0;
    return MoveTo(offset) && WriteFile(gFile, data, size, &written, nullptr) && written == size;
}

// The audio is always on the disk before the header that claims it.
bool WriteHeader(uint32_t length) {
    StampWavHeader(gWavHeader.sampleRate, length);
    return WriteAt(0, &gWavHeader, WAV_HEADER_SIZE);
}

bool CutBack(uint32_t length) {
    return MoveTo(length) && SetEndOfFile(gFile) && WriteHeader(length);
}

void CloseFile() {
    CloseHandle(gFile);
    gFile = INVALID_HANDLE_VALUE;
}

// Takes an existing file if it is an archive of this kind at the rate given,
// trimmed to its last whole frame; leaves it untouched otherwise.
int TakeExistingArchive(uint64_t size, uint32_t rate, uint32_t& foundRate) {
    WavHeader found;
    DWORD got = 0;
    if (size < WAV_HEADER_SIZE || size > UINT32_MAX) {
        return ARCHIVE_NOT_WAV;
    }
    if (!ReadFile(gFile, &found, WAV_HEADER_SIZE, &got, nullptr) || got != WAV_HEADER_SIZE) {
        return ARCHIVE_CANNOT_OPEN;
    }
    const int status = CheckWavHeader(found, rate);
    if (status != ARCHIVE_OK) {
        foundRate = found.sampleRate;
        return status;
    }
    gWavHeader = found;
    const uint32_t whole = static_cast<uint32_t>(size - (size - WAV_HEADER_SIZE) % 4);
    if (whole != size && !(MoveTo(whole) && SetEndOfFile(gFile))) {
        return ARCHIVE_WRITE_FAILED;
    }
    gLength = whole;
    return ARCHIVE_OK;
}

} // namespace

int OpenArchive(const char* path, uint32_t rate, uint32_t& foundRate) {
    if (path[0] == '\0') {
        return ARCHIVE_OK;
    }
    // No sharing: nobody else reads or writes the archive while it is open.
    gFile = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (gFile == INVALID_HANDLE_VALUE) {
        return ARCHIVE_CANNOT_OPEN;
    }
    LARGE_INTEGER size;
    int status;
    if (!GetFileSizeEx(gFile, &size)) {
        status = ARCHIVE_CANNOT_OPEN;
    } else if (size.QuadPart == 0) {
        // A new archive has its header before any audio.
        gWavHeader.sampleRate = rate;
        gLength = WAV_HEADER_SIZE;
        status = WriteHeader(gLength) ? ARCHIVE_OK : ARCHIVE_WRITE_FAILED;
    } else {
        status = TakeExistingArchive(static_cast<uint64_t>(size.QuadPart), rate, foundRate);
    }
    if (status != ARCHIVE_OK) {
        CloseFile();
    }
    return status;
}

int AppendBlock(const StereoBlock& block) {
    if (gFile == INVALID_HANDLE_VALUE) {
        return ARCHIVE_OK;
    }
    if (uint64_t{gLength} + sizeof block > UINT32_MAX) {
        return ARCHIVE_FULL;
    }
    const uint32_t before = gLength;
    if (!WriteAt(before, &block, sizeof block) || !WriteHeader(before + sizeof block)) {
        // Nothing half-written stays behind: back to the last whole block.
        CutBack(before);
        return ARCHIVE_WRITE_FAILED;
    }
    gLength = before + sizeof block;
    return ARCHIVE_OK;
}

uint32_t ArchivePosition() {
    return gFile == INVALID_HANDLE_VALUE ? 0 : gLength;
}

int FinaliseArchive(uint32_t rate) {
    if (gFile == INVALID_HANDLE_VALUE) {
        return ARCHIVE_OK;
    }
    gWavHeader.sampleRate = rate;
    const bool written = WriteHeader(gLength);
    CloseFile();
    return written ? ARCHIVE_OK : ARCHIVE_WRITE_FAILED;
}

void CloseArchive() {
    // The header already describes every block appended.
    if (gFile != INVALID_HANDLE_VALUE) {
        CloseFile();
    }
}
