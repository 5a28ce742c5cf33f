#include "test_files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

std::string ProgramFolder() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char* end = strrchr(self, '\\');
    *(end ? end + 1 : self) = '\0';
    return self;
}

std::string TestPath(const std::string& name) {
    const std::string path = ProgramFolder() + "test-files\\" + name;
    DeleteFileA(path.c_str());
    return path;
}

void ExpectReadBack(const std::string& path, uint32_t rate, uint32_t frames) {
    const std::string line = std::to_string(rate) + " " + std::to_string(frames) + "\n";
    WriteAll(path + ".expect", {line.begin(), line.end()});
}

std::vector<unsigned char> ReadAll(const std::string& path) {
    std::vector<unsigned char> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file) {
        unsigned char chunk[65536];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        fclose(file);
    }
    return bytes;
}

void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file) {
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }
}

uint64_t FileLength(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

WavHeader HeaderOf(const std::string& path) {
    WavHeader header = {};
    FILE* file = fopen(path.c_str(), "rb");
    if (file) {
        if (fread(&header, 1, sizeof header, file) != sizeof header) {
            header = {};
        }
        fclose(file);
    }
    return header;
}

void MakeSparseArchive(const std::string& path, uint32_t rate, uint32_t length) {
    InitWavHeader();
    StampWavHeader(rate, length);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, &gWavHeader, sizeof gWavHeader, &written, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = length;
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

void* StartProgram(const char* program, const std::string& argument) {
    char command[3 * MAX_PATH];
    snprintf(command, sizeof command, argument.empty() ? "\"%s%s\"" : "\"%s%s\" \"%s\"",
             ProgramFolder().c_str(), program, argument.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}
