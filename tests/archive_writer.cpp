// Appends blocks to an archive until it is killed (or has written 1000).
#include "archive/archive.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    static StereoBlock block;
    uint32_t foundRate = 0;
    InitWavHeader();
    if (argc != 2 || OpenArchive(argv[1], 44100, foundRate) != ARCHIVE_OK) {
        return 1;
    }
    for (int16_t n = 1; n <= 1000; n++) {
        for (StereoFrame& frame : block.frames) {
            frame = {n, static_cast<int16_t>(-n)};
        }
        if (AppendBlock(block) != ARCHIVE_OK) {
            return 2;
        }
        Sleep(5);
    }
    return 0;
}
