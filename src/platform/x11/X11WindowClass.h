// How an X11 window's type and hints map onto the seam's window kind and
// Win32-layout style bits. Pure rules, kept apart from the X requests.
#pragma once

#include "WindowSystem.h"

#include <cstdint>

namespace kivra::x11 {

// The first _NET_WM_WINDOW_TYPE entry we recognise (unknown atoms are skipped,
// as the EWMH asks).
enum class NetWindowType : std::uint8_t {
    Absent,  // no property, or only types we do not know
    Normal,
    Dialog,
    Auxiliary,  // desktop, dock, toolbar, menu, utility, splash, dropdown/popup menu,
                // tooltip, notification, combo, dnd
};

enum class Decoration : std::uint8_t { Decorated, Undecorated };
enum class Sizing : std::uint8_t { Resizable, FixedSize };

struct WindowFacts {
    bool overrideRedirect = false;
    NetWindowType type = NetWindowType::Absent;
    bool transient = false;  // WM_TRANSIENT_FOR names a window (or the root: a group dialog)
    bool visible = false;
    Decoration decoration = Decoration::Decorated;
    Sizing sizing = Sizing::Resizable;
};

// Popup: override-redirect, or a type other than NORMAL and DIALOG.
// Dialog: type DIALOG, or WM_TRANSIENT_FOR. Normal: everything else.
WindowKind classifyKind(const WindowFacts& facts);

// Win32 style bits that make the host-listing rules give the same answers:
//   Popup:  WS_POPUP (top bit set).
//   Dialog: WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, like a standard dialog box.
//   Normal: WS_CLIPSIBLINGS | WS_CLIPCHILDREN plus
//           decorated + resizable   -> WS_OVERLAPPEDWINDOW (0x16CF0000 when visible)
//           decorated + fixed size  -> WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
//           undecorated + resizable -> WS_THICKFRAME
//           undecorated + fixed     -> nothing more
// WS_VISIBLE mirrors `visible` in every case; WS_MAXIMIZE and WS_MINIMIZE are never set.
std::uint32_t synthesizeStyle(WindowKind kind, const WindowFacts& facts);

}  // namespace kivra::x11
