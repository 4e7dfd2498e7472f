// Session notes on Windows: kept per process (the registry store reports no lock failures for
// link programs to share).
#include "SessionNotes.h"

#include <ctime>
#include <set>

namespace kivra {

namespace {
struct Notes {
    bool started = false;
    std::set<std::string> causes;
};
Notes& notes() {
    static Notes n;
    return n;
}
}  // namespace

void startSession() { notes() = {true, {}}; }

bool firstTimeThisSession(const std::string& cause) { return !notes().started || notes().causes.insert(cause).second; }

std::string sessionStamp() {
    static const std::string stamp = [] {
        const std::time_t t = std::time(nullptr);
        char s[32] = "00000000-000000";
        if (const std::tm* local = std::localtime(&t)) std::strftime(s, sizeof s, "%Y%m%d-%H%M%S", local);
        return std::string(s);
    }();
    return stamp;
}

}  // namespace kivra
