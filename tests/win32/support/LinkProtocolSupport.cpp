// The stand-in's log lines, the recording launcher and the child process count.
#include "LinkProtocolSupport.h"

#include "ChannelPeer.h"
#include "Process.h"
#include "Win32Test.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kivra::wintest {

std::string argsLine(std::string_view arguments) { return "args " + hexBytes(arguments); }

std::string commandLineLine(const LinkCommandLine& line) {
    std::ostringstream out;
    out << "line " << line.hostWindow << ' ' << line.instance << ' ' << line.count << ' ' << line.mainWindow << ' '
        << line.titleLength;
    return out.str();
}

std::string namesLine(const LinkNames& names) {
    return "names " + hexBytes(names.linkTitle) + " " + hexBytes(names.keySafeTitle) + " " +
           hexBytes(names.instanceAppName) + " " + hexBytes(names.applicationTitle);
}

std::string optionsLine(const LinkMatchOptions& options) {
    return "options " + std::to_string(static_cast<int>(options.method)) + " " + (options.autoTerminate ? "1" : "0") +
           " " + (options.matchClass ? "1" : "0") + " " + hexBytes(options.exclusionText) + " " +
           hexBytes(options.winClass);
}

std::string receivedLine(ChannelKind kind, std::string_view payload) {
    return "got " + std::to_string(static_cast<std::uint32_t>(kind)) + " " + hexBytes(payload);
}

std::vector<std::string> StandinLog::lines() const {
    std::vector<std::string> out;
    std::ifstream in(file_, std::ios::binary);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> StandinLog::linesStarting(std::string_view prefix) const {
    std::vector<std::string> out;
    for (std::string& line : lines())
        if (line.rfind(prefix, 0) == 0) out.push_back(std::move(line));
    return out;
}

std::optional<std::string> StandinLog::last(std::string_view prefix) const {
    const std::vector<std::string> found = linesStarting(prefix);
    if (found.empty()) return std::nullopt;
    return found.back();
}

bool StandinLog::has(const std::string& line) const {
    const std::vector<std::string> all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

bool StandinLog::waitFor(const std::string& line, std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return has(line); }, timeout);
}

std::string StandinLog::text() const {
    std::string out;
    for (const std::string& line : lines()) out += line + "\n";
    return out;
}

RecordingLauncher::~RecordingLauncher() {
    for (const ProcessId pid : started_)
        if (real_.alive(pid)) terminateProcess(pid, std::chrono::milliseconds(100));
    real_.reapExited();
}

ProcessId RecordingLauncher::start(const std::string& argument) {
    const ProcessId pid = real_.start(argument);
    if (pid != 0) started_.push_back(pid);
    return pid;
}

int runningChildren(std::wstring_view exeName) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId()) continue;
        if (CompareStringOrdinal(entry.szExeFile, -1, exeName.data(), static_cast<int>(exeName.size()), TRUE) !=
            CSTR_EQUAL)
            continue;
        // A process that has ended may linger in the list while a handle to it is open.
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (!process) continue;
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) ++count;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return count;
}

}  // namespace kivra::wintest
