// Shared helpers of the Windows tests: text conversion, the program folder, message
// pumping with deadlines, top-level test windows with chosen titles and classes, and what a
// test holds for its lifetime and undoes afterwards (a folder, a variable, a registry key).
#pragma once

#include "SystemText.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
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

// A text no other test run uses: the process id, the time and a random number.
std::string uniqueName();

// A fresh folder under the user's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, removes) an environment variable of this process; the old value
// comes back afterwards. Children started meanwhile inherit the new one.
class ScopedEnvironment {
public:
    ScopedEnvironment(const std::string& name, const std::optional<std::string>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

// A registry key path below HKEY_CURRENT_USER ("Software\\KivraTests\\<unique>") whose tree
// is deleted afterwards, with the parent when nothing else is left in it.
class ScratchRegistryKey {
public:
    ScratchRegistryKey();
    ~ScratchRegistryKey();
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The whole text of a file ("" when it cannot be read).
std::string fileText(const std::filesystem::path& file);

}  // namespace kivra::wintest
