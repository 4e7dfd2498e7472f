// Picking a window with the pointer on Windows: a capture window showing the desktop as it
// was takes the click, steps aside, and the window under the click's point is asked for its
// top-level window.
#include "Win32WindowPicker.h"

#include "Win32Handles.h"

namespace kivra::win32 {
namespace {

constexpr wchar_t kPickerClass[] = L"KivraWindowPicker";

bool registerPickerClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, kPickerClass, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_CROSS));
    wc.lpszClassName = kPickerClass;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

Win32WindowPicker::~Win32WindowPicker() { cancel(); }

bool Win32WindowPicker::start(Done done, std::string* error) {
    cancel();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registerPickerClass(instance, &Win32WindowPicker::windowProc)) {
        if (error) *error = "cannot register the picker's window class";
        return false;
    }
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    // The desktop as it is now, shown under the cross while the pick lasts. A see-through
    // window would need the desktop composited, which not every system does.
    const HDC screen = GetDC(nullptr);
    picture_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, w, h);
    oldBitmap_ = SelectObject(picture_, bitmap_);
    BitBlt(picture_, 0, 0, w, h, screen, x, y, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    const HWND overlay = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPickerClass, L"", WS_POPUP, x, y, w, h,
                                         nullptr, nullptr, instance, nullptr);
    if (!overlay) {
        freePicture();
        if (error) *error = "cannot create the picker's window";
        return false;
    }
    SetWindowLongPtrW(overlay, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    overlay_ = overlay;
    done_ = std::move(done);
    pressed_ = 0;
    ShowWindow(overlay, SW_SHOW);
    SetForegroundWindow(overlay);  // for Esc
    SetFocus(overlay);
    SetCapture(overlay);
    return true;
}

void Win32WindowPicker::cancel() {
    if (!overlay_) return;
    done_ = nullptr;
    dispose(detach());
}

// From here on the capture window's messages are no longer the pick's (hiding it or giving
// the capture back sends some).
HWND Win32WindowPicker::detach() {
    const HWND overlay = overlay_;
    overlay_ = nullptr;
    return overlay;
}

void Win32WindowPicker::dispose(HWND overlay) {
    if (GetCapture() == overlay) ReleaseCapture();
    DestroyWindow(overlay);
    freePicture();
}

void Win32WindowPicker::freePicture() {
    if (!picture_) return;
    SelectObject(picture_, oldBitmap_);
    DeleteObject(bitmap_);
    DeleteDC(picture_);
    picture_ = nullptr;
    bitmap_ = nullptr;
}

void Win32WindowPicker::finish(PickEnd end) {
    const HWND overlay = detach();
    Done done = std::move(done_);
    done_ = nullptr;
    HWND top = nullptr;
    if (end == PickEnd::Picked) {
        // Out of the way, so that the point finds the window below.
        ShowWindow(overlay, SW_HIDE);
        const HWND under = WindowFromPoint(at_);
        top = under ? GetAncestor(under, GA_ROOT) : nullptr;
        if (top == GetDesktopWindow()) top = nullptr;
    }
    dispose(overlay);
    if (done) done(end, toWindowId(top));
}

LRESULT CALLBACK Win32WindowPicker::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* picker = reinterpret_cast<Win32WindowPicker*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (picker && picker->overlay_ == hwnd && picker->handle(message, wParam)) return 0;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// True when the message was this picker's to answer.
bool Win32WindowPicker::handle(UINT message, WPARAM wParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(overlay_, &ps);
        const RECT& r = ps.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, picture_, r.left, r.top, SRCCOPY);
        EndPaint(overlay_, &ps);
        return true;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (pressed_ == 0) {
            pressed_ = message;
            GetCursorPos(&at_);
        }
        return true;
    case WM_LBUTTONUP:
        if (pressed_ == WM_LBUTTONDOWN) finish(PickEnd::Picked);
        return true;
    case WM_RBUTTONUP:
        if (pressed_ == WM_RBUTTONDOWN) finish(PickEnd::Cancelled);
        return true;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) finish(PickEnd::Cancelled);
        return true;
    // The capture may be lost (the toolkit gives its own back late); the window covers every
    // screen and still takes the click. Switching to another program ends the pick.
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) finish(PickEnd::Cancelled);
        return false;
    default: return false;
    }
}

}  // namespace kivra::win32
