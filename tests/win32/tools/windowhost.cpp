// Another process for the Windows tests (started by Probe) with one argument, whose first word
// names its mode. It notes events, one a line, in the file eventsFile(its pid): first
// "<argument count> <argv[1]>" as the C runtime split them (UTF-8), then those of its mode:
//   (other)   none: it exits at once;
//   window    shows a window titled by the argument at 400,300, marked as Kivra's own, ending
//             when closed ("closed"); a posted WM_APP retitles it "<title> (hung)" and hangs it;
//   stubborn  the same window, ignoring WM_CLOSE ("ignored close");
//   listen    the channel peer the contract describes, under a hidden window ("ready <window>"),
//             noting each message handed over ("got <kind> <sender pid> <hex payload>").
#include "Win32Test.h"

#include <memory>

using namespace kivra;

namespace {

bool stubborn = false;

void note(const std::string& event) {
    static auto mode = std::ios::binary | std::ios::trunc;  // the first replaces a stale file
    std::ofstream(wintest::eventsFile(GetCurrentProcessId()), mode) << event << "\n";
    mode = std::ios::binary | std::ios::app;
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
        Sleep(600000);
        return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// The process's one window, hidden until shown.
std::unique_ptr<wintest::TestWindow> window;

void open(const std::wstring& title) {
    window = std::make_unique<wintest::TestWindow>(win32::narrow(title), "KivraProbe", WS_OVERLAPPEDWINDOW,
                                                   RECT{400, 300, 700, 500}, nullptr, hostProc);
}

// --- the channel peer ---------------------------------------------------------------------

std::unique_ptr<ChannelReceiver> receiver;

std::string answer(const ChannelMessage& m) {
    note(wintest::gotLine(m.kind, m.senderPid, m.payload));
    switch (m.kind) {
    case ChannelKind::LinkReady: {
        const auto report = parseLinkReady(m.payload);
        return report && report->pid == m.senderPid ? "1" : "0";
    }
    case ChannelKind::CloseRequest:
        receiver.reset();
        DestroyWindow(window->hwnd());
        return "bye";
    case ChannelKind::Command:
        if (m.payload.rfind("sleep ", 0) == 0) {
            Sleep(static_cast<DWORD>(std::stoul(m.payload.substr(6))));  // a hung receiver, on purpose
            return "slept";
        }
        break;
    default: break;
    }
    return std::to_string(m.payload.size());
}

void CALLBACK giveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(4); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring argument = argc > 1 ? argv[1] : L"";
    const std::wstring mode = argument.substr(0, argument.find(L' '));
    note(std::to_string(argc) + " " + win32::narrow(argument));
    if (mode != L"listen" && mode != L"window" && mode != L"stubborn") return 0;
    if (mode == L"listen") {
        open(L"Kivra channel peer");  // never shown
        receiver = ChannelReceiver::listen(window->id(), answer);
        if (!receiver) return 3;
        note("ready " + std::to_string(window->id()));
        SetTimer(nullptr, 0, 30000, giveUp);  // never outlive a test that forgot us
    } else {
        stubborn = mode == L"stubborn";
        open(argument);
        // Marked before it is shown: the tests look for visible windows.
        win32::Win32WindowSystem().markOwnWindow(window->id());
        ShowWindow(window->hwnd(), SW_SHOW);
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
