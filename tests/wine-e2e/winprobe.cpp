// What the Windows end-to-end test asks Windows itself (run under Wine by run-e2e):
//   winprobe windows EXE   one line per top-level window of the processes named EXE:
//                          "left top right bottom clientWidth clientHeight FLAGS title",
//                          FLAGS of V (visible), I (minimized), T (always on top), or -
//   winprobe restore EXE   restores EXE's minimized windows and brings them to the front, as a
//                          click on the taskbar button does
//   winprobe clipboard     the clipboard's text
//   winprobe emf FILE      writes a 2 x 1 inch EMF picture: a red rectangle on blue
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

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

BOOL CALLBACK listWindow(HWND window, LPARAM exe) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (lstrcmpiW(processName(pid).c_str(), reinterpret_cast<const wchar_t*>(exe)) != 0) return TRUE;
    RECT r{}, client{};
    GetWindowRect(window, &r);
    GetClientRect(window, &client);
    std::string flags;
    if (IsWindowVisible(window)) flags += 'V';
    if (IsIconic(window)) flags += 'I';
    if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) flags += 'T';
    wchar_t title[512] = L"";
    GetWindowTextW(window, title, 512);
    std::printf("%ld %ld %ld %ld %ld %ld %s %s\n", r.left, r.top, r.right, r.bottom, client.right, client.bottom,
                flags.empty() ? "-" : flags.c_str(), utf8(title).c_str());
    return TRUE;
}

BOOL CALLBACK restoreWindow(HWND window, LPARAM exe) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (IsIconic(window) && lstrcmpiW(processName(pid).c_str(), reinterpret_cast<const wchar_t*>(exe)) == 0) {
        ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    return TRUE;
}

int clipboard() {
    if (!OpenClipboard(nullptr)) return 1;
    int status = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            std::fputs(utf8(text).c_str(), stdout);
            GlobalUnlock(data);
            status = 0;
        }
    }
    CloseClipboard();
    return status;
}

int emf(const wchar_t* file) {
    const RECT frame{0, 0, 5080, 2540};  // 0.01 mm
    HDC dc = CreateEnhMetaFileW(nullptr, file, &frame, nullptr);
    if (!dc) return 1;
    // Frame units to the reference device's pixels.
    const int w = MulDiv(5080, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, HORZSIZE) * 100);
    const int h = MulDiv(2540, GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, VERTSIZE) * 100);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255)), red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT all{0, 0, w, h}, inner{w / 4, h / 4, w * 3 / 4, h * 3 / 4};
    FillRect(dc, &all, blue);
    FillRect(dc, &inner, red);
    DeleteObject(blue);
    DeleteObject(red);
    HENHMETAFILE done = CloseEnhMetaFile(dc);
    if (!done) return 1;
    DeleteEnhMetaFile(done);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"windows" && argc == 3) return EnumWindows(listWindow, LPARAM(argv[2])) ? 0 : 1;
    if (command == L"restore" && argc == 3) return EnumWindows(restoreWindow, LPARAM(argv[2])) ? 0 : 1;
    if (command == L"clipboard" && argc == 2) return clipboard();
    if (command == L"emf" && argc == 3) return emf(argv[2]);
    std::fputs("usage: winprobe windows EXE | restore EXE | clipboard | emf FILE\n", stderr);
    return 2;
}
