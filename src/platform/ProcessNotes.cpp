// A process's own session notes and the session stamp's form.
#include "ProcessNotes.h"

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

std::string timeStamp() {
    const std::time_t t = std::time(nullptr);
    char stamp[32] = "00000000-000000";
    if (const std::tm* local = std::localtime(&t)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", local);
    return stamp;
}

void startProcessNotes() { notes() = {true, {}}; }

bool firstTimeInProcess(const std::string& cause) { return !notes().started || notes().causes.insert(cause).second; }

}  // namespace kivra
