// The per-user folder where the single-instance lock and the link channel live: one checked
// place for both, so that a program never runs with one and without the other.
#pragma once

#include <string>

namespace kivra {

struct RuntimeFolder {
    // The folder, absolute, a real directory owned by this user with mode 0700; empty when
    // no safe folder could be found or made (then `error` says why).
    std::string path;
    // What was wrong with the preferred place when a fallback is used, for the user; empty
    // when the preferred place was fine (or the platform needs no folder).
    std::string notice;
    std::string error;
};

// The same in every process of the user: $XDG_RUNTIME_DIR/kivra when $XDG_RUNTIME_DIR is an
// absolute folder of this user's that nobody else may enter, else <tmp>/kivra-<uid> (<tmp>: an
// absolute $TMPDIR, else /tmp); when that place is unsafe (another user's, a symlink, not a
// folder), the first of <tmp>/kivra-<uid>.1, .2, ... that is this user's own or can be made.
// Folders are judged by owner and mode, never by access (root may enter anything). Made when
// missing; looked at afresh on every call.
RuntimeFolder runtimeFolder();

}  // namespace kivra
