// Another process for the Windows tests: opens top-level windows with the classes, titles and
// frames given on its command line and pumps messages until all are closed.
//   windowhost [--mark] [--hang-ms N] [--listen LOG BACK] [--window CLASS TITLE LEFT TOP WIDTH HEIGHT]...
// --mark marks every window as Kivra's own through the window-system backend.
// --hang-ms N: a posted WM_APP makes the window procedure sleep N ms, as a hung
// application does; the window's title gets " (hung)" appended first, so that a test
// can tell when the sleep has begun.
// --listen: the link channel's peer. A hidden window listens; "ready <window>" and, for
// each message handed over, "got <kind> <sender pid> <hex payload>" go to the file LOG. Answers:
// LinkReady "1" when the report's pid is the sender's, else "0"; a close request ends the
// process ("bye"); command "sleep <ms>" hangs that long; command "report" sends LinkReady to
// the window BACK (decimal) and answers with its answer; anything else the payload's length.
// With KIVRA_PROBE_MODE set it is the process tests' child instead: it writes its argument count
// and argv[1] as the C runtime split them (UTF-8, byte for byte) to the file KIVRA_PROBE_OUT,
// later events ("closed", "ignored close", "held") to KIVRA_PROBE_OUT.events, then:
//   echo  exits at once;  window  shows a window and ends when it is closed (WM_CLOSE);
//   stubborn  shows a window that ignores WM_CLOSE;
//   instance  takes the single-instance lock named by the argument, then acts as "window".
#include "ChannelPeer.h"
#include "LinkChannel.h"
#include "SingleInstance.h"
#include "Win32Handles.h"
#include "Win32WindowSystem.h"

#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace kivra;

namespace {

int openWindows = 0;
DWORD hangMs = 0;
std::wstring probeOut;  // the process tests' report file; empty otherwise
bool stubborn = false;

void note(const std::string& event) {
    if (!probeOut.empty())
        std::ofstream(std::filesystem::path(probeOut + L".events"), std::ios::app | std::ios::binary) << event << "\n";
}

LRESULT CALLBACK hostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        note(stubborn ? "ignored close" : "closed");
        return stubborn ? 0 : DefWindowProcW(hwnd, msg, wp, lp);
    case WM_APP: {
        wchar_t title[256] = {};
        GetWindowTextW(hwnd, title, 240);
        SetWindowTextW(hwnd, (std::wstring(title) + L" (hung)").c_str());
        Sleep(hangMs);
        return 0;
    }
    case WM_DESTROY:
        if (--openWindows == 0) PostQuitMessage(0);
        return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

struct WindowRequest {
    std::wstring cls, title;
    int left = 0, top = 0, width = 0, height = 0;
};

HWND open(const WindowRequest& s) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), s.cls.c_str(), &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = s.cls.c_str();
        RegisterClassExW(&wc);
    }
    const HWND hwnd = CreateWindowExW(0, s.cls.c_str(), s.title.c_str(), WS_OVERLAPPEDWINDOW, s.left, s.top, s.width,
                                      s.height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd) ++openWindows;
    return hwnd;
}

// --- the channel peer ---------------------------------------------------------------------

std::FILE* logFile = nullptr;
WindowId peerWindow = 0, reportTo = 0;
std::unique_ptr<ChannelReceiver> receiver;

void logLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), logFile);
    std::fflush(logFile);
}

std::string answer(const ChannelMessage& m) {
    logLine(wintest::gotLine(static_cast<std::uint32_t>(m.kind), m.senderPid, m.payload));
    const auto pid = static_cast<ProcessId>(GetCurrentProcessId());
    std::string reply;
    switch (m.kind) {
    case ChannelKind::LinkReady: {
        const auto report = parseLinkReady(m.payload);
        return report && report->pid == m.senderPid ? "1" : "0";
    }
    case ChannelKind::CloseRequest:
        receiver.reset();
        DestroyWindow(win32::toHwnd(peerWindow));
        return "bye";
    case ChannelKind::Command:
        if (m.payload.rfind("sleep ", 0) == 0) {
            Sleep(static_cast<DWORD>(std::stoul(m.payload.substr(6))));  // a hung receiver, on purpose
            return "slept";
        }
        if (m.payload == "report")
            return sendChannelMessage(reportTo, ChannelKind::LinkReady, formatLinkReady({peerWindow, pid, reportTo}),
                                      std::chrono::seconds(3), &reply) == SendResult::Delivered
                       ? reply
                       : "fail";
        break;
    default: break;
    }
    return std::to_string(m.payload.size());
}

void CALLBACK giveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(4); }

int pumpUntilClosed() {
    MSG msg;
    while (openWindows > 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return openWindows > 0 ? static_cast<int>(msg.wParam) : 0;
}

// --- the process tests' child ---------------------------------------------------------------

// The C runtime's own splitting of the command line, in UTF-16.
struct StartupInfo {
    int newMode = 0;
};
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** env, int expandWildcards, StartupInfo* info);

int probe(const std::wstring& mode) {
    int argc = 0;
    wchar_t **argv = nullptr, **env = nullptr;
    StartupInfo info;
    if (__wgetmainargs(&argc, &argv, &env, 0, &info) != 0) return 2;
    {  // written beside its place and moved there, so a reader never sees half of it
        std::ofstream out(std::filesystem::path(probeOut + L".partial"), std::ios::binary | std::ios::trunc);
        out << argc << "\n" << (argc > 1 ? win32::narrow(argv[1]) : std::string());
    }
    MoveFileExW((probeOut + L".partial").c_str(), probeOut.c_str(), MOVEFILE_REPLACE_EXISTING);
    std::unique_ptr<SingleInstanceLock> lock;
    if (mode == L"instance") {
        lock = acquireSingleInstance(argc > 1 ? win32::narrow(argv[1]) : std::string("probe"));
        note(lock ? "held" : "refused");
        if (!lock) return 3;
    }
    if (mode == L"echo") return 0;
    stubborn = mode == L"stubborn";
    ShowWindow(open({L"KivraChildProbe", L"Kivra child probe", 50, 50, 240, 120}), SW_SHOW);
    return pumpUntilClosed();
}

std::wstring environment(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n > 0 && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace

int main() {
    probeOut = environment(L"KIVRA_PROBE_OUT");
    if (const std::wstring mode = environment(L"KIVRA_PROBE_MODE"); !mode.empty()) return probe(mode);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool mark = false;
    std::vector<WindowRequest> requests;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--mark") {
            mark = true;
        } else if (arg == L"--hang-ms" && i + 1 < argc) {
            hangMs = static_cast<DWORD>(std::stoul(argv[++i]));
        } else if (arg == L"--listen" && i + 2 < argc) {
            if (!(logFile = _wfopen(argv[++i], L"a"))) return 2;
            reportTo = std::stoull(argv[++i]);
        } else if (arg == L"--window" && i + 6 < argc) {
            requests.push_back({argv[i + 1], argv[i + 2], std::stoi(argv[i + 3]), std::stoi(argv[i + 4]),
                                std::stoi(argv[i + 5]), std::stoi(argv[i + 6])});
            i += 6;
        } else {
            return 2;
        }
    }
    LocalFree(argv);

    if (logFile) {
        peerWindow = win32::toWindowId(open({L"KivraChannelPeer", L"Kivra channel peer", 50, 50, 200, 100}));
        std::string error;
        receiver = ChannelReceiver::listen(peerWindow, answer, &error);
        logLine(receiver ? "ready " + std::to_string(peerWindow) : "error " + error);
        if (!receiver) return 3;
        SetTimer(nullptr, 0, 30000, giveUp);  // never outlive a test that forgot us
    }
    win32::Win32WindowSystem windows;
    for (const WindowRequest& s : requests) {
        const HWND hwnd = open(s);
        if (!hwnd) return 3;
        // Marked before it is shown: the tests look for visible windows.
        if (mark) windows.markOwnWindow(win32::toWindowId(hwnd));
        ShowWindow(hwnd, SW_SHOW);
    }
    return pumpUntilClosed();
}
