// A program that process tests start: reports what it was given, then behaves
// as told by the environment (the command line is the thing under test).
//   KIVRA_PROBE_OUT   file to write the report to (written whole, then renamed into place)
//   KIVRA_PROBE_MODE  "exit" (default): end at once; "wait": sleep until killed;
//                     "ignore-term": ignore SIGTERM, then sleep until killed
// Report lines: "argc <n>", "argv <i> <hex bytes>", "fd <n>" per open descriptor.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <unistd.h>

#include "../UnitSupport.h"

using kivra::test::hex;

namespace {

void reportDescriptors(FILE* out) {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return;
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        const int fd = std::atoi(e->d_name);
        if (fd != own && fd != fileno(out)) std::fprintf(out, "fd %d\n", fd);
    }
    closedir(dir);
}

void writeReport(const char* path, int argc, char** argv) {
    const std::string tmp = std::string(path) + ".part";
    FILE* out = std::fopen(tmp.c_str(), "we");
    if (!out) std::exit(2);
    std::fprintf(out, "argc %d\n", argc);
    for (int i = 0; i < argc; ++i) std::fprintf(out, "argv %d %s\n", i, hex(argv[i]).c_str());
    reportDescriptors(out);
    std::fclose(out);
    std::rename(tmp.c_str(), path);
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = std::getenv("KIVRA_PROBE_MODE");
    const std::string m = mode ? mode : "exit";
    if (m == "ignore-term") std::signal(SIGTERM, SIG_IGN);
    if (const char* out = std::getenv("KIVRA_PROBE_OUT")) writeReport(out, argc, argv);
    if (m == "exit") return 0;
    for (;;) pause();
}
