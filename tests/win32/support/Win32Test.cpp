// Shared helpers of the Windows tests.
#include "Win32Test.h"

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace kivra::wintest {

std::filesystem::path programDir() {
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::filesystem::path(std::wstring(buffer.data(), n)).parent_path();
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pump();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return done();
        // Wakes for any message or after a millisecond.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

TestWindow::TestWindow(std::string_view title, std::string_view className, DWORD style, RECT frame, HWND parent,
                       DWORD exStyle) {
    const std::wstring cls = widen(className);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), cls.c_str(), &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = cls.c_str();
        RegisterClassExW(&wc);
    }
    hwnd_ = CreateWindowExW(exStyle, cls.c_str(), widen(title).c_str(), style, frame.left, frame.top,
                            frame.right - frame.left, frame.bottom - frame.top, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    pump();
}

TestWindow::~TestWindow() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    pump();
}

namespace fs = std::filesystem;

std::string uniqueName() {
    std::random_device random;
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-" +
           std::to_string(random());
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    path_ = fs::path(base) / ("kivra-test-" + uniqueName());
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

namespace {
std::optional<std::wstring> environment(const std::wstring& name) {
    const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::vector<wchar_t> buffer(needed);
    const DWORD n = GetEnvironmentVariableW(name.c_str(), buffer.data(), needed);
    return std::wstring(buffer.data(), n);
}
}  // namespace

ScopedEnvironment::ScopedEnvironment(const std::string& name, const std::optional<std::string>& value)
    : name_(widen(name)), old_(environment(name_)) {
    SetEnvironmentVariableW(name_.c_str(), value ? widen(*value).c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr); }

ScratchRegistryKey::ScratchRegistryKey() : path_("Software\\KivraTests\\" + uniqueName()) {}

ScratchRegistryKey::~ScratchRegistryKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, widen(path_).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KivraTests");  // fails while other tests use it
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kivra::wintest
