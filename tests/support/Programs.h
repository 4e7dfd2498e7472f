// Starting the project's own programs (kivra, kivlink, tools) in X11 tests:
// on the test's display, with the test's settings file, killed at teardown.
#pragma once

#include "ChildProcess.h"
#include "TempSettings.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kivra::test {

enum class Output { Ignored, Piped };

// Starts $KIVRA_BIN_DIR/<name> with `args`, DISPLAY passed on and
// KIVRA_SETTINGS naming `settings`; `extraEnvironment` is added last.
std::unique_ptr<ChildProcess> startProgram(const std::string& name, const std::vector<std::string>& args,
                                           const TempSettings& settings, Output output = Output::Ignored,
                                           std::vector<std::pair<std::string, std::string>> extraEnvironment = {});

}  // namespace kivra::test
