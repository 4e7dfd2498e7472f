// The link start and end protocol tests on Windows: the log that link_standin.exe keeps of
// what it parsed and was sent (written and read with the same line builders), a launcher that
// remembers every process it started and ends the ones a test left behind, and the small
// doubles the main program's link logic needs (message boxes, pauses).
#pragma once

#include "LinkChannel.h"
#include "LinkCommandLine.h"
#include "LinkLauncher.h"
#include "Matching.h"
#include "MessageSink.h"
#include "Pause.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivra::wintest {

// The environment variable that names the stand-in's log file.
inline constexpr char kStandinLogVariable[] = "KIVRA_STANDIN_LOG";

// Log lines, one event each; texts as hex bytes so that any content fits one line.
//   args <hex>                         the joined argument string
//   refused run-kivra-instead|silent   the command line was refused (the process ends)
//   line <host> <inst> <count> <main> <length>
//   names <hex link title> <hex key-safe title> <hex instance app name> <hex application title>
//   options <method> <auto-terminate 0|1> <match class 0|1> <hex exclusion> <hex class>
//   window <link window> <pid>         listening and shown; the ready report follows
//   got <kind> <hex payload>           a channel message, before it is handled
//   ontop 0|1, icon bright|grey, caption <hex>, apptitle <hex>, save, error <hex>
//   tick moved|host-gone|host-mismatch|failed
//   unload, exit <code>
std::string argsLine(std::string_view arguments);
std::string commandLineLine(const LinkCommandLine& line);
std::string namesLine(const LinkNames& names);
std::string optionsLine(const LinkMatchOptions& options);
std::string receivedLine(ChannelKind kind, std::string_view payload);

// The stand-in's log as the test reads it while the stand-in writes it.
class StandinLog {
public:
    explicit StandinLog(std::filesystem::path file) : file_(std::move(file)) {}
    const std::filesystem::path& file() const { return file_; }

    std::vector<std::string> lines() const;
    // The lines that start with `prefix`, in order.
    std::vector<std::string> linesStarting(std::string_view prefix) const;
    // The last line that starts with `prefix`; nullopt when none does.
    std::optional<std::string> last(std::string_view prefix) const;
    bool has(const std::string& line) const;
    // Pumps this thread's messages until the log has `line`, at most `timeout`.
    bool waitFor(const std::string& line, std::chrono::milliseconds timeout) const;
    // The whole log, for failure messages.
    std::string text() const;

private:
    std::filesystem::path file_;
};

// The real launcher, remembering what it started; whatever still runs is ended with it.
class RecordingLauncher : public LinkLauncher {
public:
    explicit RecordingLauncher(const std::filesystem::path& program) : real_(program.string()) {}
    ~RecordingLauncher() override;
    RecordingLauncher(const RecordingLauncher&) = delete;
    RecordingLauncher& operator=(const RecordingLauncher&) = delete;

    ProcessId start(const std::string& argument) override;
    bool alive(ProcessId pid) override { return real_.alive(pid); }
    void terminate(ProcessId pid) override { real_.terminate(pid); }
    void reapExited() override { real_.reapExited(); }

    const std::vector<ProcessId>& started() const { return started_; }

private:
    ProcessLauncher real_;
    std::vector<ProcessId> started_;
};

// Processes started by this process whose program file is `exeName` and that still run.
int runningChildren(std::wstring_view exeName);

// Message boxes: every kind shown is recorded and answered with the first button.
class RecordingMessages : public MessageSink {
public:
    std::vector<MessageKind> shown;
    int show(MessageKind kind, const std::string&) override {
        shown.push_back(kind);
        return kResultFirst;
    }
    bool resourceWarningOff() const override { return false; }
    void setResourceWarningOff(bool) override {}
};

// The pauses between window steps, without waiting.
inline Pause noPause() {
    return [](std::chrono::milliseconds) {};
}

}  // namespace kivra::wintest
