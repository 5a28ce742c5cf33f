// Drives the real harkwell.exe the way a user does: it finds the window,
// reads and sets its controls, and posts the commands its buttons send.
// Every wait polls for the state it wants, with a generous bound.
#pragma once

#include "recorder/recorder.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

constexpr DWORD PATIENCE_MS = 120000;

bool WaitFor(const std::function<bool()>& condition);

// Starts harkwell.exe for each test and ends it after.
class Recorder : public testing::Test {
  protected:
    HANDLE process_ = nullptr;
    HWND window_ = nullptr;

    void SetUp() override;
    void TearDown() override;

    // A visible top-level window of the program with this caption, or null.
    HWND Find(const char* caption);
    std::string Text(int id);
    bool Enabled(int id);
    bool Idle();
    bool Recording();
    std::vector<std::string> ListOf(int id);
    LRESULT Selection(int id);
    // Posted, not sent: a command may open a modal message box.
    void Press(int id);
    void SetUpRecording(const std::string& path, int rateEntry);
    // Records until the file holds at least `blocks` blocks more than it did.
    void RecordBlocks(const std::string& path, uint32_t blocks);
    // Presses Stop and waits for its last step.
    void StopRecording();
    // The text of the message box the program shows now, which is then
    // dismissed with its OK button.
    std::string TakeMessage();
    // Closes the window and returns the program's exit code.
    DWORD CloseAndWait();
    // The window as it first opens, with this many input devices listed.
    void ExpectFirstWindow(size_t devices);
};

// Checks that the header agrees with the file and that it holds whole blocks
// only; returns how many.
uint32_t ExpectWholeArchive(const std::string& path, uint32_t rate);
