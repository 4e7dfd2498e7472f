// What the Windows end-to-end test asks Windows itself (run under Wine by run-e2e):
//   winprobe windows EXE   one line per top-level window of the processes named EXE:
//                          "left top right bottom clientWidth clientHeight FLAGS title",
//                          FLAGS of V (visible), I (minimized), T (always on top), or -
//   winprobe restore EXE   restores EXE's minimized windows and brings them to the front, as a
//                          click on the taskbar button does
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const wchar_t* exe = L"";

std::wstring processName(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    wchar_t path[MAX_PATH];
    DWORD size = MAX_PATH;
    std::wstring name;
    if (QueryFullProcessImageNameW(process, 0, path, &size)) {
        name.assign(path, size);
        name = name.substr(name.find_last_of(L"\\/") + 1);
    }
    CloseHandle(process);
    return name;
}

BOOL CALLBACK eachWindow(HWND window, LPARAM restore) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (lstrcmpiW(processName(pid).c_str(), exe) != 0) return TRUE;
    if (restore) {
        if (IsIconic(window)) {
            ShowWindow(window, SW_RESTORE);
            SetForegroundWindow(window);
        }
        return TRUE;
    }
    RECT r{}, client{};
    GetWindowRect(window, &r);
    GetClientRect(window, &client);
    std::string flags;
    if (IsWindowVisible(window)) flags += 'V';
    if (IsIconic(window)) flags += 'I';
    if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) flags += 'T';
    char title[512] = "";  // the titles looked for are ASCII
    GetWindowTextA(window, title, 512);
    std::printf("%ld %ld %ld %ld %ld %ld %s %s\n", r.left, r.top, r.right, r.bottom, client.right,
                client.bottom, flags.empty() ? "-" : flags.c_str(), title);
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc == 3 ? argv[1] : L"";
    if (command != L"windows" && command != L"restore") return 2;  // see the usage above
    exe = argv[2];
    return EnumWindows(eachWindow, command == L"restore") ? 0 : 1;
}
