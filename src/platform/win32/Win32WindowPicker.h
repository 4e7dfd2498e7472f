// The window picker over user32: a capture window over the whole virtual desktop that shows
// the desktop's picture under the cross cursor; the click's point names the top-level window
// under it (WindowFromPoint, then GetAncestor GA_ROOT) once the capture window is out of the way.
#pragma once

#include "WindowPicker.h"

#include <windows.h>

namespace kivra::win32 {

class Win32WindowPicker final : public WindowPicker {
public:
    Win32WindowPicker() = default;
    ~Win32WindowPicker() override;
    Win32WindowPicker(const Win32WindowPicker&) = delete;
    Win32WindowPicker& operator=(const Win32WindowPicker&) = delete;

    bool start(Done done, std::string* error = nullptr) override;
    void cancel() override;
    bool picking() const override { return overlay_ != nullptr; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool handle(UINT message, WPARAM wParam);
    HWND detach();
    void dispose(HWND overlay);
    void finish(PickEnd end);
    void freePicture();

    HWND overlay_ = nullptr;
    HDC picture_ = nullptr;  // the desktop's picture, taken when the pick starts
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    Done done_;
    // The button pressed in the pick, and where: the pick ends on its release, so that the
    // release does not reach the window under the pointer.
    UINT pressed_ = 0;
    POINT at_{};
};

}  // namespace kivra::win32
