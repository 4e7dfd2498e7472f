// The part of the session notes every platform shares: what one process remembers of its
// session when nothing is shared with the others, and the form of the session's stamp.
#pragma once

#include <string>

namespace kivra {

// The local date and time now, "YYYYMMDD-HHMMSS".
std::string timeStamp();

// Starts this process's own notes (the process that starts a session).
void startProcessNotes();

// True the first time this process asks for `cause` after startProcessNotes(); always true in a
// process that started no session.
bool firstTimeInProcess(const std::string& cause);

}  // namespace kivra
