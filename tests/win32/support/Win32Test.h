// Shared helpers of the Windows tests: text conversion, the program folder, message
// pumping with deadlines, and top-level test windows with chosen titles and classes.
#pragma once

#include "SystemText.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kivra::wintest {

using win32::narrow;
using win32::widen;

// The folder of the running test program (the helper programs are built beside it).
std::filesystem::path programDir();

// Handles every message waiting for this thread, sent and posted.
void pump();

// Pumps messages until `done` is true or `timeout` has passed; returns `done()`'s last answer.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// A top-level window of this thread with a chosen title, class and style, destroyed with
// the object. Its class is registered on first use with a default window procedure.
class TestWindow {
public:
    TestWindow(std::string_view title, std::string_view className = "KivraTestWindow",
               DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT frame = {100, 100, 500, 400},
               HWND parent = nullptr, DWORD exStyle = 0);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    std::uint64_t id() const { return reinterpret_cast<std::uintptr_t>(hwnd_); }

private:
    HWND hwnd_ = nullptr;
};

}  // namespace kivra::wintest
