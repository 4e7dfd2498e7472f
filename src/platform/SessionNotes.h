// What one session of Kivra (a main program and the link programs it started) has already told
// the user, shared by all its processes, so that one cause is reported once, not by each.
#pragma once

#include <string>

namespace kivra {

// Starts a fresh session: called by the main program once it holds its single-instance lock.
void startSession();

// True the first time `cause` is asked for in this session, by any of its processes; false
// after. Without a place to share it (no runtime folder) it is remembered by the process that
// started the session; a process outside any session (a test) always gets true.
bool firstTimeThisSession(const std::string& cause);

// A name for things the session's processes share (its recovery file): the date and time
// the session started, "YYYYMMDD-HHMMSS".
std::string sessionStamp();

}  // namespace kivra
