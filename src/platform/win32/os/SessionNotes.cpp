// Session notes on Windows: kept per process (the registry store reports no lock failures for
// link programs to share).
#include "SessionNotes.h"

#include "ProcessNotes.h"

namespace kivra {

void startSession() { startProcessNotes(); }

bool firstTimeThisSession(const std::string& cause) { return firstTimeInProcess(cause); }

std::string sessionStamp() {
    static const std::string stamp = timeStamp();
    return stamp;
}

}  // namespace kivra
