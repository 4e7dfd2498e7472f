// The atoms the X11 backend speaks, interned once per connection in one batch.
#pragma once

#include <xcb/xcb.h>

namespace kivra::x11 {

#define KIVRA_X11_ATOMS(X)                                                                  \
    X(UTF8_STRING) X(COMPOUND_TEXT) X(WM_STATE) X(WM_PROTOCOLS) X(WM_DELETE_WINDOW)         \
    X(WM_CHANGE_STATE) X(_MOTIF_WM_HINTS) X(_GTK_FRAME_EXTENTS)                             \
    X(_NET_SUPPORTED) X(_NET_CLIENT_LIST) X(_NET_CLIENT_LIST_STACKING) X(_NET_ACTIVE_WINDOW) \
    X(_NET_WM_NAME) X(_NET_WM_PID) X(_NET_FRAME_EXTENTS)                                    \
    X(_NET_WM_STATE) X(_NET_WM_STATE_HIDDEN) X(_NET_WM_STATE_MAXIMIZED_VERT)                \
    X(_NET_WM_STATE_MAXIMIZED_HORZ) X(_NET_WM_STATE_ABOVE)                                  \
    X(_NET_WM_WINDOW_TYPE) X(_NET_WM_WINDOW_TYPE_NORMAL) X(_NET_WM_WINDOW_TYPE_DIALOG)      \
    X(_NET_WM_WINDOW_TYPE_DESKTOP) X(_NET_WM_WINDOW_TYPE_DOCK) X(_NET_WM_WINDOW_TYPE_TOOLBAR) \
    X(_NET_WM_WINDOW_TYPE_MENU) X(_NET_WM_WINDOW_TYPE_UTILITY) X(_NET_WM_WINDOW_TYPE_SPLASH) \
    X(_NET_WM_WINDOW_TYPE_DROPDOWN_MENU) X(_NET_WM_WINDOW_TYPE_POPUP_MENU)                  \
    X(_NET_WM_WINDOW_TYPE_TOOLTIP) X(_NET_WM_WINDOW_TYPE_NOTIFICATION)                      \
    X(_NET_WM_WINDOW_TYPE_COMBO) X(_NET_WM_WINDOW_TYPE_DND)                                 \
    X(_NET_RESTACK_WINDOW) X(_NET_CLOSE_WINDOW) X(_NET_MOVERESIZE_WINDOW)

struct Atoms {
#define KIVRA_X11_ATOM_FIELD(name) xcb_atom_t name = XCB_ATOM_NONE;
    KIVRA_X11_ATOMS(KIVRA_X11_ATOM_FIELD)
#undef KIVRA_X11_ATOM_FIELD

    // Interns every atom above with one round trip. False when the connection failed.
    bool intern(xcb_connection_t* c);
};

}  // namespace kivra::x11
