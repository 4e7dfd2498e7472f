// Running another program to its end with its standard input, output and error in files.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace kivra::wintest {

struct ProgramRun {
    int exitCode = -1;  // -1 when it could not start or did not end in time
    std::string out;    // standard output, byte for byte
    std::string err;
};

// Starts `program` with `arguments` (each quoted; none may hold a quote or end in a
// backslash), `input` on its standard input, and waits up to `limit` for it to end.
ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::string& input = {}, std::chrono::milliseconds limit = std::chrono::seconds(30));

}  // namespace kivra::wintest
