// Ownership of the replies and errors xcb hands out as malloc'ed memory.
#pragma once

#include <cstdlib>
#include <memory>
#include <type_traits>

#include <xcb/xcb.h>

namespace kivra::x11 {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Collects the reply of a checked request. Any error (BadWindow for a window
// that vanished, a broken connection) gives null, and the error is freed here,
// so it never reaches the event queue.
template <class ReplyFn, class Cookie>
auto takeReply(xcb_connection_t* c, ReplyFn fn, Cookie cookie) {
    using T = std::remove_pointer_t<decltype(fn(c, cookie, nullptr))>;
    xcb_generic_error_t* error = nullptr;
    Reply<T> reply(fn(c, cookie, &error));
    if (error) {
        std::free(error);
        reply.reset();
    }
    return reply;
}

}  // namespace kivra::x11
