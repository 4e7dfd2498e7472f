// Process start and stop on Windows: CreateProcessW with the one argument quoted the way the
// C runtime splits a command line, WM_CLOSE to the process's windows before TerminateProcess,
// and the handles of our own children kept until they are reaped, so that their ids cannot
// be given to another process meanwhile.
#include "Process.h"

#include "SystemText.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace kivra {

namespace {

using win32::widen;

// The children started by startProcess that nobody has reaped yet, with their handles.
class ChildRegistry {
public:
    ~ChildRegistry() {
        for (const auto& [pid, handle] : children_) CloseHandle(handle);
    }
    void add(DWORD pid, HANDLE handle) {
        std::lock_guard lock(mutex_);
        if (auto it = children_.find(pid); it != children_.end()) CloseHandle(it->second);
        children_[pid] = handle;
    }
    // True when `pid` is a child of ours still running; false when it is not ours. A child
    // that has exited is reaped here, and `reaped` says so.
    bool runningChild(DWORD pid, bool& reaped) {
        std::lock_guard lock(mutex_);
        reaped = false;
        const auto it = children_.find(pid);
        if (it == children_.end()) return false;
        if (WaitForSingleObject(it->second, 0) == WAIT_TIMEOUT) return true;
        CloseHandle(it->second);
        children_.erase(it);
        reaped = true;
        return false;
    }
    std::vector<ProcessId> reapAll() {
        std::lock_guard lock(mutex_);
        std::vector<ProcessId> reaped;
        for (auto it = children_.begin(); it != children_.end();) {
            if (WaitForSingleObject(it->second, 0) == WAIT_TIMEOUT) {
                ++it;
                continue;
            }
            CloseHandle(it->second);
            reaped.push_back(it->first);
            it = children_.erase(it);
        }
        return reaped;
    }

private:
    std::mutex mutex_;
    std::map<DWORD, HANDLE> children_;
};

ChildRegistry& registry() {
    static ChildRegistry r;
    return r;
}

bool validPid(ProcessId pid) { return pid > 0 && pid <= static_cast<ProcessId>(MAXDWORD); }

// The argument quoted for the C runtime's splitting: inside quotes, backslashes are literal
// except a run of them before a quote, which is doubled, and the quote itself is escaped.
std::wstring quoteArgument(const std::wstring& argument) {
    std::wstring out = L"\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == L'\\') {
            ++backslashes;
            ++i;
        }
        if (i == argument.size()) {
            out.append(backslashes * 2, L'\\');  // the closing quote follows
            break;
        }
        if (argument[i] == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        out += argument[i];
    }
    out += L'"';
    return out;
}

// An open handle to a process, closed with the object.
class ProcessHandle {
public:
    explicit ProcessHandle(HANDLE h) : handle_(h) {}
    ~ProcessHandle() {
        if (handle_) CloseHandle(handle_);
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_;
};

struct CloseRequest {
    DWORD pid;
    bool visibleOnly;
    int posted = 0;
};

BOOL CALLBACK postClose(HWND window, LPARAM param) {
    auto* request = reinterpret_cast<CloseRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->pid && (!request->visibleOnly || IsWindowVisible(window))) {
        if (PostMessageW(window, WM_CLOSE, 0, 0)) ++request->posted;
    }
    return TRUE;
}

// The polite request to end: WM_CLOSE to the process's visible top-level windows, or to all
// of them when none is visible.
void askToClose(DWORD pid) {
    CloseRequest visible{pid, true};
    EnumWindows(postClose, reinterpret_cast<LPARAM>(&visible));
    if (visible.posted > 0) return;
    CloseRequest all{pid, false};
    EnumWindows(postClose, reinterpret_cast<LPARAM>(&all));
}

DWORD waitMs(std::chrono::milliseconds limit) {
    if (limit.count() <= 0) return 0;
    return limit.count() >= static_cast<long long>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(limit.count());
}

// Closes our handle of a child that has ended.
void reapIfChild(DWORD pid) {
    bool reaped = false;
    registry().runningChild(pid, reaped);
}

}  // namespace

StartedProcess startProcess(const std::string& program, const std::string& argument) {
    StartedProcess result;
    const auto fail = [&](DWORD err, const std::string& reason) {
        result.errorCode = static_cast<int>(err);
        result.error = "Cannot start " + program + ": " + reason;
        return result;
    };
    if (argument.find('\0') != std::string::npos)
        return fail(ERROR_INVALID_PARAMETER, "the argument contains a NUL character");

    const std::wstring path = widen(program);
    std::wstring commandLine = L"\"" + path + L"\" " + quoteArgument(widen(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    // No handle is inherited; the environment and the current folder are.
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        const DWORD err = GetLastError();
        return fail(err, win32::systemMessage(err));
    }
    CloseHandle(info.hThread);
    registry().add(info.dwProcessId, info.hProcess);
    result.pid = info.dwProcessId;
    return result;
}

bool processAlive(ProcessId pid) {
    if (!validPid(pid)) return false;
    const auto id = static_cast<DWORD>(pid);
    bool reaped = false;
    if (registry().runningChild(id, reaped)) return true;
    if (reaped) return false;
    ProcessHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    // A process we may not open still exists.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

bool processRunsProgram(ProcessId pid, const std::string& program) {
    if (!validPid(pid)) return false;
    ProcessHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid)));
    if (!process) return false;
    std::wstring image(32768, L'\0'), wanted(32768, L'\0');
    DWORD size = static_cast<DWORD>(image.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, image.data(), &size)) return false;
    const std::wstring given = widen(program);
    const DWORD length = GetFullPathNameW(given.c_str(), static_cast<DWORD>(wanted.size()), wanted.data(), nullptr);
    if (length == 0 || length >= wanted.size()) return false;
    return CompareStringOrdinal(image.data(), static_cast<int>(size), wanted.data(), static_cast<int>(length), TRUE) ==
           CSTR_EQUAL;
}

Termination terminateProcess(ProcessId pid, std::chrono::milliseconds grace) {
    if (!processAlive(pid)) return Termination::AlreadyGone;
    const auto id = static_cast<DWORD>(pid);
    ProcessHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id));
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER ? Termination::AlreadyGone : Termination::Failed;

    askToClose(id);
    if (WaitForSingleObject(process.get(), waitMs(grace)) == WAIT_OBJECT_0) {
        reapIfChild(id);
        return Termination::Ended;
    }
    if (!TerminateProcess(process.get(), 1) && WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0)
        return Termination::Failed;
    if (WaitForSingleObject(process.get(), 2000) != WAIT_OBJECT_0) return Termination::Failed;
    reapIfChild(id);
    return Termination::Killed;
}

std::vector<ProcessId> reapExitedChildren() { return registry().reapAll(); }

// The process heap gives freed pages back by itself.
void releaseFreedMemory() {}

}  // namespace kivra
