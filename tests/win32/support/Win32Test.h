// Shared helpers of the Windows tests and their helper program: message pumping with
// deadlines, top-level test windows with chosen titles and classes, what a test holds for its
// lifetime and undoes afterwards (a registry key), and the probe process.
#pragma once

#include "LinkChannel.h"
#include "support/Hex.h"
#include "Process.h"
#include "SystemText.h"
#include "Win32Handles.h"
#include "Win32WindowSystem.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivra::wintest {

using win32::narrow;
using win32::widen;

// Pumps messages until `done` is true or `timeout` has passed; returns `done()`'s last answer.
inline bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);  // any message, or a millisecond
    }
}

inline void pump() { waitUntil([] { return true; }, {}); }

// A top-level window of this thread with a chosen title, class and style, destroyed with
// the object. Its class is registered on first use with the given window procedure.
class TestWindow {
public:
    TestWindow(std::string_view title, std::string_view className = "KivraTestWindow",
               DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT frame = {100, 100, 500, 400},
               HWND parent = nullptr, WNDPROC procedure = DefWindowProcW) {
        const std::wstring cls = widen(className);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = cls.c_str();
        WNDCLASSEXW known = wc;  // a system class, or ours again, is there already
        if (!GetClassInfoExW(wc.hInstance, cls.c_str(), &known)) RegisterClassExW(&wc);
        hwnd_ = CreateWindowExW(0, cls.c_str(), widen(title).c_str(), style, frame.left, frame.top,
                                frame.right - frame.left, frame.bottom - frame.top, parent, nullptr,
                                wc.hInstance, nullptr);
        pump();
    }
    ~TestWindow() {
        if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
        pump();
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    WindowId id() const { return win32::toWindowId(hwnd_); }

private:
    HWND hwnd_ = nullptr;
};

// A text no other test run uses: the process id, the time and a count.
inline std::string uniqueName() {
    static int count = 0;
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-" +
           std::to_string(++count);
}

// A registry key path below HKEY_CURRENT_USER ("Software\\KivraTests\\<unique>") whose tree
// is deleted afterwards, with the parent when nothing else is left in it.
class ScratchRegistryKey {
public:
    ScratchRegistryKey() = default;
    ~ScratchRegistryKey() {
        RegDeleteTreeW(HKEY_CURRENT_USER, widen(path_).c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KivraTests");  // fails while other tests use it
    }
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_ = "Software\\KivraTests\\" + uniqueName();
};

// The probe's log line for a message that reached its handler, the payload in hex digits.
inline std::string gotLine(ChannelKind kind, ProcessId senderPid, std::string_view payload) {
    return "got " + std::to_string(static_cast<std::uint32_t>(kind)) + " " + std::to_string(senderPid) + " " +
           test::hexDigits(payload);
}

// The file where windowhost.exe, running as process `pid`, notes its events.
inline std::filesystem::path eventsFile(ProcessId pid) {
    return std::filesystem::temp_directory_path() / ("kivra-probe-" + std::to_string(pid));
}

// tools/windowhost.exe, built beside the test program, started with one argument whose first
// word names its mode (see there). With the object it is ended (and so reaped: no test meets
// another's children) and its events file removed.
class Probe {
public:
    explicit Probe(const std::string& argument) : argument_(argument) {
        started_ = startProcess(program(), argument);
    }
    ~Probe() {
        if (started_) terminateProcess(started_.pid, std::chrono::milliseconds(0));
        std::error_code ec;
        std::filesystem::remove(eventsFile(pid()), ec);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    static std::string program() {
        std::vector<wchar_t> buffer(32768);
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        return (std::filesystem::path(std::wstring(buffer.data(), n)).parent_path() / "windowhost.exe").string();
    }
    const std::string& argument() const { return argument_; }
    const StartedProcess& started() const { return started_; }
    ProcessId pid() const { return started_.pid; }

    // What it noted so far, first "<argument count> <argv[1]>".
    std::vector<std::string> events() const {
        std::vector<std::string> lines;
        std::ifstream in(eventsFile(pid()), std::ios::binary);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The last event that starts with `prefix`, or "" when none came within `timeout`.
    std::string lastEvent(std::string_view prefix, std::chrono::milliseconds timeout = {}) const {
        std::string last;
        waitUntil([&] {
            for (const std::string& line : events())
                if (line.starts_with(prefix)) last = line;
            return !last.empty();
        }, timeout);
        return last;
    }
    // Its visible window titled by the argument, once there is one; null after ten seconds.
    HWND window() const {
        win32::Win32WindowSystem ws;
        WindowId found = 0;
        waitUntil([&] {
            for (const WindowId w : ws.topLevelWindows())
                if (ws.processOf(w) == pid() && ws.isVisible(w) && ws.title(w) == argument_) found = w;
            return found != 0;
        }, std::chrono::seconds(10));
        return win32::toHwnd(found);
    }
    // Waits (pumping) for the end of the process without reaping it.
    bool waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        const HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid()));
        const bool ended = !h || waitUntil([&] { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }, timeout);
        if (h) CloseHandle(h);
        return ended;
    }

private:
    std::string argument_;
    StartedProcess started_;
};

}  // namespace kivra::wintest
