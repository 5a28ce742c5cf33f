// Files for the Windows tests: where they go, how they are read back, and the
// outside WAV reader's list of what to expect of them.
#pragma once

#include "archive/archive.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t BLOCK = sizeof(StereoBlock);

// The folder of this test program, with its trailing backslash.
std::string ProgramFolder();
// A fresh path in the test run's folder for files (any old file is deleted).
std::string TestPath(const std::string& name);
// Lists the archive for the outside reader: its rate and frame count.
void ExpectReadBack(const std::string& path, uint32_t rate, uint32_t frames);

std::vector<unsigned char> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes);
uint64_t FileLength(const std::string& path);
// The first 44 bytes of the file as a header record (zero if shorter).
WavHeader HeaderOf(const std::string& path);
// An archive of the given length whose audio is a hole in a sparse file.
void MakeSparseArchive(const std::string& path, uint32_t rate, uint32_t length);
// Starts a program built beside this one, with one argument or none, and
// returns its process handle (to wait on or kill), or null.
void* StartProgram(const char* program, const std::string& argument);
