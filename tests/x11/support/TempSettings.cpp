// Temporary settings files for tests.
#include "TempSettings.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace kivra::test {

TempSettings::TempSettings() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kivra-settings.XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) throw std::runtime_error("cannot create a temporary directory");
    directory_ = buffer.data();
    path_ = directory_ + "/settings.sqlite";
}

TempSettings::~TempSettings() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

}  // namespace kivra::test
