// The second process of the Windows link channel tests: opens a window, listens under it and
// logs each message it is handed ("got <kind> <sender pid> <hex payload>", then "end <kind>")
// to a file. Answers: LinkReady "1" when the report's pid is the sender's, else "0"; a close
// request closes the window and ends the process ("bye"); command "sleep <ms>" hangs that
// long ("slept"); command "report" sends LinkReady to the window named on the command line
// and answers with that answer; anything else answers the payload's length.
//   channel_peer <log file> <window to report to, decimal>
#include "ChannelPeer.h"
#include "LinkChannel.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

using namespace kivra;

namespace {

std::FILE* logFile = nullptr;
HWND ownWindow = nullptr;
WindowId reportTo = 0;
std::unique_ptr<ChannelReceiver> receiver;

void logLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), logFile);
    std::fflush(logFile);
}

WindowId ownId() { return reinterpret_cast<std::uintptr_t>(ownWindow); }

std::string reportBack() {
    std::string reply;
    const LinkReadyReport report{ownId(), static_cast<ProcessId>(GetCurrentProcessId()), reportTo};
    const SendResult r =
        sendChannelMessage(reportTo, ChannelKind::LinkReady, formatLinkReady(report), std::chrono::seconds(3), &reply);
    return r == SendResult::Delivered ? reply : std::string("fail");
}

std::string answer(const ChannelMessage& m) {
    switch (m.kind) {
    case ChannelKind::LinkReady: {
        const auto report = parseLinkReady(m.payload);
        return report && report->pid == m.senderPid ? "1" : "0";
    }
    case ChannelKind::CloseRequest:
        receiver.reset();
        DestroyWindow(ownWindow);
        PostQuitMessage(0);
        return "bye";
    case ChannelKind::Command:
        if (m.payload.rfind("sleep ", 0) == 0) {
            Sleep(static_cast<DWORD>(std::stoul(m.payload.substr(6))));  // a hung receiver, on purpose
            return "slept";
        }
        if (m.payload == "report") return reportBack();
        break;
    default: break;
    }
    return std::to_string(m.payload.size());
}

std::string handle(const ChannelMessage& m) {
    const auto kind = static_cast<std::uint32_t>(m.kind);
    logLine(wintest::gotLine(kind, m.senderPid, m.payload));
    std::string text = answer(m);
    logLine("end " + std::to_string(kind));
    return text;
}

HWND openWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KivraChannelPeer";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"Kivra channel peer", WS_OVERLAPPEDWINDOW, 50, 50, 200, 100,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

void CALLBACK giveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(4); }

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 3 || !(logFile = _wfopen(args[1], L"a"))) return 2;
    reportTo = std::stoull(args[2]);
    ownWindow = openWindow();
    std::string error;
    receiver = ChannelReceiver::listen(ownId(), handle, &error);
    if (!receiver) {
        logLine("error " + error);
        return 3;
    }
    logLine("ready " + std::to_string(ownId()) + " " + std::to_string(GetCurrentProcessId()));
    // Never outlive a test that forgot us.
    SetTimer(nullptr, 0, 30000, giveUp);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    logLine("exit");
    std::fclose(logFile);
    return static_cast<int>(msg.wParam);
}
