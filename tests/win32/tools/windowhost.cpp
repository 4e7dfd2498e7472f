// Another process for the Windows tests (started by Probe), in the mode KIVRA_PROBE_MODE
// names, with one argument. It first writes its argument count and argv[1] as the C runtime
// split them (UTF-8) to the file KIVRA_PROBE_OUT; later events go to KIVRA_PROBE_OUT.events.
//   echo      exits at once;
//   window    shows a window titled by the argument at 400,300, marked as Kivra's own, ending
//             when closed ("closed"); a posted WM_APP retitles it "<title> (hung)" and hangs it;
//   stubborn  the same window, ignoring WM_CLOSE ("ignored close");
//   listen    the channel peer the contract describes, under a hidden window ("ready <window>"),
//             logging each message ("got <kind> <sender pid> <hex payload>"); command "report"
//             sends LinkReady to the window the argument names and answers with its answer.
#include "Win32Test.h"

#include <memory>

using namespace kivra;

namespace {

std::wstring probeOut;
bool stubborn = false;

void note(const std::string& event) {
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

WindowId reportTo = 0;
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
        if (m.payload == "report") {
            std::string reply;
            const LinkReadyReport report{window->id(), static_cast<ProcessId>(GetCurrentProcessId()), reportTo};
            const SendResult sent = sendChannelMessage(reportTo, ChannelKind::LinkReady, formatLinkReady(report),
                                                       std::chrono::seconds(3), &reply);
            return sent == SendResult::Delivered ? reply : "fail";
        }
        break;
    default: break;
    }
    return std::to_string(m.payload.size());
}

void CALLBACK giveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(4); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    probeOut = wintest::environment(L"KIVRA_PROBE_OUT").value_or(L"");
    const std::wstring mode = wintest::environment(L"KIVRA_PROBE_MODE").value_or(L"");
    if (probeOut.empty()) return 2;
    const std::wstring argument = argc > 1 ? argv[1] : L"";
    {  // written beside its place and moved there, so a reader never sees half of it
        std::ofstream out(std::filesystem::path(probeOut + L".partial"), std::ios::binary | std::ios::trunc);
        out << argc << "\n" << win32::narrow(argument);
    }
    MoveFileExW((probeOut + L".partial").c_str(), probeOut.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (mode == L"echo") return 0;
    if (mode == L"listen") {
        reportTo = std::stoull(argument);
        open(L"Kivra channel peer");  // never shown
        std::string error;
        receiver = ChannelReceiver::listen(window->id(), answer, &error);
        note(receiver ? "ready " + std::to_string(window->id()) : "error " + error);
        if (!receiver) return 3;
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
