// Interns the backend's atoms: all requests first, then all replies.
#include "X11Atoms.h"

#include "XcbReply.h"

#include <cstring>
#include <utility>
#include <vector>

namespace kivra::x11 {

bool Atoms::intern(xcb_connection_t* c) {
    std::vector<std::pair<xcb_atom_t*, xcb_intern_atom_cookie_t>> pending;
#define KIVRA_X11_ATOM_REQUEST(name) \
    pending.emplace_back(&name, xcb_intern_atom(c, 0, std::strlen(#name), #name));
    KIVRA_X11_ATOMS(KIVRA_X11_ATOM_REQUEST)
#undef KIVRA_X11_ATOM_REQUEST
    bool ok = true;
    for (auto& [atom, cookie] : pending) {
        auto reply = takeReply(c, xcb_intern_atom_reply, cookie);
        if (reply) *atom = reply->atom;
        else ok = false;
    }
    return ok;
}

}  // namespace kivra::x11
