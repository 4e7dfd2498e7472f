// The test side of the testhost line protocol.
#include "TestHost.h"

#include "WaitUntil.h"

#include <cstdio>
#include <stdexcept>

namespace kivra::test {
namespace {
constexpr auto ReplyTimeout = std::chrono::seconds(15);
}

TestHost::TestHost()
    : process_(std::make_unique<ChildProcess>(ChildOptions{{programPath("testhost")}, {}, true, true})) {
    const auto ready = process_->readLine(ReplyTimeout);
    if (!ready || ready->rfind("ready ", 0) != 0)
        throw std::runtime_error("testhost did not start: " + ready.value_or("(no answer)"));
    pid_ = std::stoll(ready->substr(6));
}

TestHost::~TestHost() {
    if (process_->running()) {
        process_->writeLine("quit");
        process_->waitExit(std::chrono::seconds(2));
    }
    process_->stop();
}

std::string TestHost::quote(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (ch == '\0') {
            out += "\\0";
        } else if (ch == '\n') {
            out += "\\n";
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string TestHost::command(const std::string& line) {
    if (!process_->writeLine(line)) throw std::runtime_error("testhost is gone (sending: " + line + ")");
    for (;;) {
        const auto answer = process_->readLine(ReplyTimeout);
        if (!answer) throw std::runtime_error("testhost did not answer: " + line);
        if (answer->rfind("event ", 0) == 0) {
            continue;  // a close testhost was asked for; no test needs the report
        }
        if (answer->rfind("ok", 0) != 0) throw std::runtime_error("testhost: " + *answer + " (for: " + line + ")");
        return answer->size() > 3 ? answer->substr(3) : std::string();
    }
}

WindowId TestHost::open(const std::string& title, const std::string& options) {
    return std::stoull(command("open " + quote(title) + (options.empty() ? "" : " " + options)));
}

void TestHost::rename(WindowId window, const std::string& title, const std::string& options) {
    command("rename " + std::to_string(window) + " " + quote(title) + (options.empty() ? "" : " " + options));
}

void TestHost::move(WindowId window, int x, int y) {
    command("move " + std::to_string(window) + " " + std::to_string(x) + " " + std::to_string(y));
}

void TestHost::resize(WindowId window, int width, int height) {
    command("resize " + std::to_string(window) + " " + std::to_string(width) + " " + std::to_string(height));
}

void TestHost::hide(WindowId window) { command("hide " + std::to_string(window)); }
void TestHost::show(WindowId window) { command("show " + std::to_string(window)); }
void TestHost::close(WindowId window) { command("close " + std::to_string(window)); }
void TestHost::destroy(WindowId window) { command("destroy " + std::to_string(window)); }
void TestHost::sync() { command("sync"); }


}  // namespace kivra::test
