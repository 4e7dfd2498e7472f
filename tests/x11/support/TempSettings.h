// A settings file of a test's own: a fresh path under a temporary directory,
// handed to programs through KIVRA_SETTINGS and removed at teardown.
#pragma once

#include <string>
#include <utility>

namespace kivra::test {

class TempSettings {
public:
    TempSettings();   // creates the directory; the file itself is left to the program
    ~TempSettings();  // removes the directory and everything in it
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;

    const std::string& path() const { return path_; }
    const std::string& directory() const { return directory_; }
    // The environment entry for ChildOptions::environment.
    std::pair<std::string, std::string> environment() const { return {"KIVRA_SETTINGS", path_}; }

private:
    std::string directory_;
    std::string path_;
};

}  // namespace kivra::test
