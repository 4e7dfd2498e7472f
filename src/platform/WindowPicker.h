// Picking a window by clicking on it: the pointer becomes a cross until the next click, which
// names the top-level window under it; Esc or a right click gives up. X11: a pointer and keyboard
// grab on the root; Windows: a capture window over the whole desktop.
#pragma once

#include "WindowSystem.h"

#include <functional>
#include <string>

namespace kivra {

enum class PickEnd { Picked, Cancelled };

class WindowPicker {
public:
    // How a pick ended. Picked with window 0: the click was on no window (the desktop).
    using Done = std::function<void(PickEnd end, WindowId window)>;

    virtual ~WindowPicker() = default;

    // Takes the pointer (and Esc) and calls `done` once, when the pick ends, with the pointer
    // already given back. False, and no call, when the pointer cannot be taken (another
    // program holds it); `error` then says why. A pick already running is cancelled first.
    virtual bool start(Done done, std::string* error = nullptr) = 0;
    // Ends a running pick without calling back and gives the pointer back; harmless when none runs.
    virtual void cancel() = 0;
    virtual bool picking() const = 0;

    // A descriptor that becomes readable while a pick waits for input; the owner then calls
    // dispatch(), which may end the pick. -1: the input arrives through the thread's own
    // message loop (Windows) and nothing needs calling.
    virtual int eventFd() const { return -1; }
    virtual void dispatch() {}
};

}  // namespace kivra
