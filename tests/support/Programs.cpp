// Launching built programs for X11 tests.
#include "Programs.h"

#include <cstdlib>

namespace kivra::test {

std::unique_ptr<ChildProcess> startProgram(const std::string& name, const std::vector<std::string>& args,
                                           const TempSettings& settings, Output output,
                                           std::vector<std::pair<std::string, std::string>> extraEnvironment) {
    ChildOptions options;
    options.args.push_back(programPath(name));
    options.args.insert(options.args.end(), args.begin(), args.end());
    const char* display = std::getenv("DISPLAY");
    options.environment.emplace_back("DISPLAY", display ? display : "");
    options.environment.push_back(settings.environment());
    for (auto& entry : extraEnvironment) options.environment.push_back(std::move(entry));
    options.pipeStdout = output == Output::Piped;
    return std::make_unique<ChildProcess>(std::move(options));
}

}  // namespace kivra::test
