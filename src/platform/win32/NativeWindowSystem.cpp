// The native window system of a Windows build: user32 on the caller's desktop, and its picker.
#include "NativeWindowSystem.h"

#include "Win32WindowPicker.h"
#include "Win32WindowSystem.h"

namespace kivra {

std::unique_ptr<WindowSystem> createNativeWindowSystem(std::string* /*error*/) {
    // user32 needs no connection: the desktop is always there for a GUI process.
    return std::make_unique<win32::Win32WindowSystem>();
}

std::unique_ptr<WindowPicker> createNativeWindowPicker() { return std::make_unique<win32::Win32WindowPicker>(); }

}  // namespace kivra
