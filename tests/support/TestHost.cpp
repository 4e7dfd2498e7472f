// The test side of the testhost line protocol.
#include "TestHost.h"

#include "Hex.h"

#include <stdexcept>

namespace kivra::test {
namespace {
constexpr auto ReplyTimeout = std::chrono::seconds(15);
}

TestHost::TestHost() : process_({programPath("testhost")}, {}, true) {
    const auto ready = process_.readLine(ReplyTimeout);
    if (ready != "ready") throw std::runtime_error("testhost did not start");
}

std::string TestHost::command(const std::string& line) {
    if (!process_.writeLine(line)) throw std::runtime_error("testhost is gone (sending: " + line + ")");
    const auto answer = process_.readLine(ReplyTimeout);
    if (!answer) throw std::runtime_error("testhost did not answer: " + line);
    if (answer->rfind("ok", 0) != 0) throw std::runtime_error("testhost: " + *answer + " (for: " + line + ")");
    return answer->size() > 3 ? answer->substr(3) : std::string();
}

WindowId TestHost::open(const std::string& title, const std::string& options) {
    // The title as "x" and two hex digits a byte, as testhost reads it.
    return std::stoull(command("open x" + hexDigits(title) + " " + options));
}

}  // namespace kivra::test
