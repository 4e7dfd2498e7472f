// A child process for the process tests. It reports its arguments as the C runtime split
// them, then does what KIVRA_PROBE_MODE says:
//   echo      (default) exit at once
//   window    show a window and end when it is closed (WM_CLOSE)
//   stubborn  show a window that ignores WM_CLOSE
//   instance  take the single-instance lock named by the argument, then act as "window"
// The report goes to the file KIVRA_PROBE_OUT: the argument count on the first line, then
// argv[1] in UTF-8, byte for byte. Later events ("closed", "ignored close", "held",
// "refused") go to KIVRA_PROBE_OUT + ".events", one per line.
#include "SingleInstance.h"
#include "Win32Test.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using kivra::wintest::narrow;

// The C runtime's own splitting of the command line, in UTF-16.
struct StartupInfo {
    int newMode = 0;
};
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** env, int expandWildcards, StartupInfo* info);

std::wstring environment(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n > 0 && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

std::wstring outFile;
bool stubborn = false;

void note(const std::string& event) {
    if (outFile.empty()) return;
    std::ofstream(std::filesystem::path(outFile + L".events"), std::ios::app | std::ios::binary) << event << "\n";
}

// Writes the report beside its place and moves it there, so a reader never sees half of it.
void report(int argc, wchar_t** argv) {
    if (outFile.empty()) return;
    const std::wstring partial = outFile + L".partial";
    {
        std::ofstream out(std::filesystem::path(partial), std::ios::binary | std::ios::trunc);
        out << argc << "\n";
        if (argc > 1) out << narrow(argv[1]);
    }
    MoveFileExW(partial.c_str(), outFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        note(stubborn ? "ignored close" : "closed");
        if (stubborn) return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int runWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KivraChildProbe";
    RegisterClassW(&wc);
    CreateWindowExW(0, wc.lpszClassName, L"Kivra child probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 240, 120,
                    nullptr, nullptr, wc.hInstance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** env = nullptr;
    StartupInfo info;
    if (__wgetmainargs(&argc, &argv, &env, 0, &info) != 0) return 2;
    outFile = environment(L"KIVRA_PROBE_OUT");
    const std::wstring mode = environment(L"KIVRA_PROBE_MODE");
    report(argc, argv);

    if (mode == L"window") return runWindow();
    if (mode == L"stubborn") {
        stubborn = true;
        return runWindow();
    }
    if (mode == L"instance") {
        auto lock = kivra::acquireSingleInstance(argc > 1 ? narrow(argv[1]) : std::string("probe"));
        note(lock ? "held" : "refused");
        return lock ? runWindow() : 3;
    }
    return 0;
}
