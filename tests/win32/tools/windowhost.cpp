// Another process for the Windows tests: opens top-level windows with the classes, titles and
// frames given on its command line and pumps messages until all are closed.
//   windowhost [--mark] [--hang-ms N] [--listen LOG BACK] [--window CLASS TITLE LEFT TOP WIDTH HEIGHT]...
// --mark marks every window as Kivra's own through the window-system backend.
// --hang-ms N: a posted WM_APP makes the window procedure sleep N ms, as a hung
// application does; the window's title gets " (hung)" appended first, so that a test
// can tell when the sleep has begun.
// --listen: the link channel's peer. A hidden window listens; "ready <window> <pid>" and, for
// each message handed over, "got <kind> <sender pid> <hex payload>" go to the file LOG. Answers:
// LinkReady "1" when the report's pid is the sender's, else "0"; a close request ends the
// process ("bye"); command "sleep <ms>" hangs that long; command "report" sends LinkReady to
// the window BACK (decimal) and answers with its answer; anything else the payload's length.
#include "ChannelPeer.h"
#include "LinkChannel.h"
#include "Win32Handles.h"
#include "Win32WindowSystem.h"

#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace kivra;

namespace {

int openWindows = 0;
DWORD hangMs = 0;

LRESULT CALLBACK hostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
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

}  // namespace

int main() {
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
    if (openWindows == 0) return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
