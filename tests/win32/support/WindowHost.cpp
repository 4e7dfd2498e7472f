// Starting, finding and ending the window host process of the Windows tests.
#include "WindowHost.h"

#include "Win32Test.h"

namespace kivra::wintest {

namespace {

struct Search {
    DWORD pid;
    std::wstring title;
    HWND found = nullptr;
};

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM param) {
    auto& s = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s.pid || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    if (s.title != text) return TRUE;
    s.found = hwnd;
    return FALSE;
}

}  // namespace

std::wstring quoteArgument(const std::wstring& arg) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes double only before a quote.
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

WindowHost::WindowHost(const std::vector<HostWindowSpec>& windows, MarkOwn mark, int hangMs,
                       const std::vector<std::wstring>& more) {
    const std::wstring program = (programDir() / L"windowhost.exe").wstring();
    std::wstring line = quoteArgument(program);
    if (mark == MarkOwn::Yes) line += L" --mark";
    if (hangMs > 0) line += L" --hang-ms " + std::to_wstring(hangMs);
    for (const HostWindowSpec& w : windows) {
        line += L" --window " + quoteArgument(widen(w.className)) + L" " + quoteArgument(widen(w.title));
        for (const LONG v : {w.frame.left, w.frame.top, w.frame.right - w.frame.left, w.frame.bottom - w.frame.top})
            line += L" " + std::to_wstring(v);
    }
    for (const std::wstring& argument : more) line += L" " + quoteArgument(argument);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
}

WindowHost::~WindowHost() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    pump();
}

HWND findWindow(DWORD pid, std::string_view title, std::chrono::milliseconds timeout) {
    Search s{pid, widen(title)};
    waitUntil(
        [&] {
            EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&s));
            return s.found != nullptr;
        },
        timeout);
    return s.found;
}

bool WindowHost::waitForExit(std::chrono::milliseconds timeout) const {
    return process_ && waitUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, timeout);
}

}  // namespace kivra::wintest
