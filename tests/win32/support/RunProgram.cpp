// Runs a program to its end with its standard streams redirected to files.
#include "RunProgram.h"

#include "TestScopes.h"
#include "Win32Test.h"

#include <windows.h>

#include <fstream>
#include <stdexcept>

namespace kivra::wintest {

namespace {

// A file handle the child inherits.
HANDLE inheritable(const std::filesystem::path& file, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::string& input, std::chrono::milliseconds limit) {
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    for (const std::string& argument : arguments) {
        if (argument.find('"') != std::string::npos || (!argument.empty() && argument.back() == '\\'))
            throw std::invalid_argument("runProgram cannot quote: " + argument);
        commandLine += L" \"" + widen(argument) + L"\"";
    }

    TempFolder streams;
    const auto in = streams.path() / "in", out = streams.path() / "out", err = streams.path() / "err";
    std::ofstream(in, std::ios::binary) << input;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable(in, GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = inheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = inheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION info{};
    ProgramRun run;
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &info);
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started) return run;
    CloseHandle(info.hThread);
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        run.exitCode = static_cast<int>(code);
    } else {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 2000);
    }
    CloseHandle(info.hProcess);
    run.out = fileText(out);
    run.err = fileText(err);
    return run;
}

}  // namespace kivra::wintest
