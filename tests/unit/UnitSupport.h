// Small helpers shared by the unit tests: a store that fails on request, the hex form of
// bytes, a body run in a child process, acting as "nobody", whole-file reads and writes.
#pragma once

#include "KivraError.h"
#include "SettingsStore.h"
#include "support/Hex.h"

#include <sys/wait.h>
#include <cstdlib>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace kivra::test {

// Forwards to another store and fails as told: reads (57) or writes (70) of one key, or of
// every key with "*"; section deletes (70).
class FaultyStore : public SettingsStore {
public:
    explicit FaultyStore(SettingsStore& inner) : inner_(inner) {}
    std::string failReadOf, failWriteOf;
    bool failDeletes = false;

    std::string read(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view fallback) override {
        if (failReadOf == "*" || key == failReadOf) throw KivraError(errnum::DeviceIO, "read failed");
        return inner_.read(app, section, key, fallback);
    }
    void write(std::string_view app, std::string_view section, std::string_view key, std::string_view value) override {
        if (failWriteOf == "*" || key == failWriteOf) throw KivraError(errnum::PermissionDenied, "write failed");
        inner_.write(app, section, key, value);
    }
    void deleteSection(std::string_view app, std::string_view section) override {
        if (failDeletes) throw KivraError(errnum::PermissionDenied, "delete failed");
        inner_.deleteSection(app, section);
    }
    void beginBatch() override { inner_.beginBatch(); }
    void commitBatch() override { inner_.commitBatch(); }
    void rollbackBatch() override { inner_.rollbackBatch(); }

private:
    SettingsStore& inner_;
};

// The bytes in hex, "-" for none (a report line always has a word there).
inline std::string hex(std::string_view s) { return s.empty() ? "-" : hexDigits(s); }

// Runs `body` in a child process; its exit status, -1 when it did not exit.
inline int inChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The superuser reads and writes everything; for a permission test the process acts as
// "nobody" until the guard ends (an ordinary user stays itself, the modes apply to it anyway).
struct ActAsNobody {
    bool switched = geteuid() == 0 && seteuid(65534) == 0;
    ~ActAsNobody() {
        if (switched && seteuid(0) != 0) std::abort();
    }
};

inline std::string fileContents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace kivra::test
