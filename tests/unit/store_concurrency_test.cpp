// Many processes saving to one settings file at the same moment lose nothing and leave a
// sound file: eight store_writer processes, released together, 500 keys each, on a new
// file and on a damaged one that they all find at once.
#include "SqliteStore.h"
#include "StoreFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace kivra {
namespace {

namespace fs = std::filesystem;

constexpr int kWriters = 8;
constexpr int kKeysEach = 500;

// The same names and values store_writer writes.
std::string appFor(int writer) { return "Kivra\\Kivra [Link] Stress\\Inst " + std::to_string(writer) + " of 8"; }
std::string sectionFor(int index) { return "Section " + std::to_string(index % 5); }
std::string keyFor(int index) { return "Key" + std::to_string(index); }
std::string valueFor(int writer, int index) {
    return "writer " + std::to_string(writer) + " key " + std::to_string(index) + " \t\\ padding padding";
}

fs::path writerProgram() {
    const char* bin = std::getenv("KIVRA_BIN_DIR");
    return fs::path(bin ? bin : ".") / "store_writer";
}

// A pipe whose read end children inherit and whose write end they do not.
struct Pipe {
    int readEnd = -1;
    int writeEnd = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) == 0) {
            readEnd = fds[0];
            writeEnd = fds[1];
        }
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (readEnd >= 0) close(readEnd);
        readEnd = -1;
    }
    void closeWrite() {
        if (writeEnd >= 0) close(writeEnd);
        writeEnd = -1;
    }
};

// Starts the writers, releases them together once all are waiting, and waits for them.
void runWriters(const fs::path& file) {
    const fs::path program = writerProgram();
    ASSERT_TRUE(fs::exists(program)) << program << " not built (set KIVRA_BIN_DIR)";
    Pipe ready;  // each writer writes one byte here once it waits
    Pipe start;  // closing the write end releases every writer together
    ASSERT_GE(ready.readEnd, 0);
    ASSERT_GE(start.readEnd, 0);

    std::vector<pid_t> pids;
    for (int w = 0; w < kWriters; ++w) {
        // Even writers save key by key, odd ones in batches of 50 keys.
        std::vector<std::string> args = {program.string(),        file.string(),
                                         std::to_string(w),       std::to_string(kKeysEach),
                                         w % 2 ? "50" : "0",      std::to_string(ready.writeEnd),
                                         std::to_string(start.readEnd)};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // Keep the two ends the writer uses open across exec; the others stay close-on-exec.
        posix_spawn_file_actions_adddup2(&actions, ready.writeEnd, ready.writeEnd);
        posix_spawn_file_actions_adddup2(&actions, start.readEnd, start.readEnd);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(rc, 0) << "cannot start " << program;
        pids.push_back(pid);
    }
    ready.closeWrite();
    for (int w = 0; w < kWriters; ++w) {
        char byte;
        ASSERT_EQ(read(ready.readEnd, &byte, 1), 1) << "a writer ended before the start";
    }
    start.closeWrite();

    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer failed, status " << status;
    }
}

void expectEveryValue(const fs::path& file) {
    OpenedFileStore opened = openStore(file);
    ASSERT_FALSE(opened.problem) << opened.problem->what();
    EXPECT_EQ(opened.store->integrityCheck(), "ok");
    const auto entries = opened.store->entries("Kivra\\Kivra [Link] Stress");
    EXPECT_EQ(entries.size(), static_cast<size_t>(kWriters * kKeysEach));
    int wrong = 0;
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kKeysEach; ++i)
            if (opened.store->read(appFor(w), sectionFor(i), keyFor(i), kAbsent) != valueFor(w, i)) ++wrong;
    EXPECT_EQ(wrong, 0) << "keys missing or wrong";
}

TEST(StoreConcurrency, EightWritersAtOnceLoseNothing) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.sqlite3";  // created by the writers, all at once
    runWriters(file);
    expectEveryValue(file);
}

TEST(StoreConcurrency, WritersMeetingADamagedFileSetItAsideOnce) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.sqlite3";
    const std::string garbage(8192, '\x5a');
    std::ofstream(file, std::ios::binary) << garbage;
    runWriters(file);
    expectEveryValue(file);
    int kept = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name.starts_with("settings.sqlite3.damaged-") && !name.ends_with("-wal") && !name.ends_with("-shm")) {
            ++kept;
            EXPECT_EQ(fs::file_size(e.path()), garbage.size());
        }
    }
    EXPECT_EQ(kept, 1);
}

}  // namespace
}  // namespace kivra
