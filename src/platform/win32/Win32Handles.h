// WindowId and HWND are the same value: the handle, zero-extended to 64 bits.
#pragma once

#include "WindowSystem.h"

#include <windows.h>

#include <cstdint>

namespace kivra::win32 {

inline HWND toHwnd(WindowId window) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)); }
inline WindowId toWindowId(HWND hwnd) { return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(hwnd)); }

// A window that exists. IsWindow(NULL) is false, so 0 is never taken for the desktop.
inline HWND liveWindow(WindowId window) {
    const HWND hwnd = toHwnd(window);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

}  // namespace kivra::win32
