// Another process holding a settings file's write lock until release() (or destruction).
#pragma once

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace kivra::test {

class StoreLockHolder {
public:
    explicit StoreLockHolder(const std::string& file) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(release_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            sqlite3* db = nullptr;
            sqlite3_open(file.c_str(), &db);
            const bool held = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
            (void)!write(ready[1], held ? "y" : "n", 1);
            char c;
            (void)!read(release_[0], &c, 1);
            _exit(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : 1);
        }
        char c = 0;
        held_ = read(ready[0], &c, 1) == 1 && c == 'y';
        close(ready[0]);
        close(ready[1]);
    }
    ~StoreLockHolder() {
        release();
        for (int fd : release_)
            if (fd >= 0) close(fd);
    }
    StoreLockHolder(const StoreLockHolder&) = delete;
    StoreLockHolder& operator=(const StoreLockHolder&) = delete;

    bool held() const { return held_; }
    void release() {
        if (pid_ <= 0) return;
        (void)!write(release_[1], "x", 1);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    int release_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool held_ = false;
};

}  // namespace kivra::test
