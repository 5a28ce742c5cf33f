#include "archive.h"

#include <cstring>

WavHeader gWavHeader;

void InitWavHeader() {
    memcpy(gWavHeader.riffTag, "RIFF", 4);
    memcpy(gWavHeader.waveTag, "WAVE", 4);
    memcpy(gWavHeader.formatTag, "fmt ", 4);
    gWavHeader.formatSize = 16;
    gWavHeader.formatCode = 1;
    gWavHeader.channels = 2;
    gWavHeader.sampleRate = 44100;
    gWavHeader.byteRate = 44100 * 4;
    gWavHeader.blockAlign = 4;
    gWavHeader.bitsPerSample = 16;
    memcpy(gWavHeader.dataTag, "data", 4);
}

void StampWavHeader(uint32_t rate, uint32_t fileLength) {
    gWavHeader.channels = 2;
    gWavHeader.sampleRate = rate;
    gWavHeader.byteRate = rate * 4;
    gWavHeader.dataSize = fileLength - WAV_HEADER_SIZE;
    gWavHeader.riffSize = fileLength - 8;
}

int CheckWavHeader(const WavHeader& found, uint32_t rate) {
    const bool ours = memcmp(found.riffTag, "RIFF", 4) == 0 &&
                      memcmp(found.waveTag, "WAVE", 4) == 0 &&
                      memcmp(found.formatTag, "fmt ", 4) == 0 && found.formatSize == 16 &&
                      found.formatCode == 1 && found.channels == 2 && found.blockAlign == 4 &&
                      found.bitsPerSample == 16 && memcmp(found.dataTag, "data", 4) == 0;
    if (!ours) {
        return ARCHIVE_NOT_WAV;
    }
    return found.sampleRate == rate ? ARCHIVE_OK : ARCHIVE_OTHER_RATE;
}
