// A settings file of a test's own in a fresh temporary folder, handed to programs
// through KIVRA_SETTINGS; removed with the folder.
#pragma once
#include "TempDir.h"

#include <string>

namespace kivra::test {

class TempSettings {
public:
    const std::string& path() const { return path_; }

private:
    TempDir dir_;
    std::string path_ = (dir_.path() / "settings.sqlite").string();
};

}  // namespace kivra::test
