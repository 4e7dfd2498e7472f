// Test helper: one of many processes that write to the same settings file at the same moment.
// Usage: store_writer FILE WRITER COUNT BATCH READY_FD START_FD
// Opens FILE after START_FD reaches end of file (all writers are released together), then
// writes COUNT keys, BATCH keys per transaction (0: plain writes without a batch).
#include "SqliteStore.h"
#include "StoreFile.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The key and value writer `writer` stores as its `index`th key; the test checks the same.
std::string appFor(int writer) { return "Kivra\\Kivra [Link] Stress\\Inst " + std::to_string(writer) + " of 8"; }
std::string sectionFor(int index) { return "Section " + std::to_string(index % 5); }
std::string keyFor(int index) { return "Key" + std::to_string(index); }
std::string valueFor(int writer, int index) {
    return "writer " + std::to_string(writer) + " key " + std::to_string(index) + " \t\\ padding padding";
}

void waitForStart(int readyFd, int startFd) {
    const char ready = 'r';
    if (write(readyFd, &ready, 1) != 1) std::exit(4);
    close(readyFd);
    char byte;
    while (read(startFd, &byte, 1) > 0) {
    }
    close(startFd);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: store_writer FILE WRITER COUNT BATCH READY_FD START_FD\n");
        return 64;
    }
    const std::string file = argv[1];
    const int writer = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);
    const int batchSize = std::atoi(argv[4]);
    waitForStart(std::atoi(argv[5]), std::atoi(argv[6]));

    kivra::OpenedFileStore opened = kivra::openStore(file);
    if (opened.problem) {
        // A damaged file set aside is told and the fresh store used; any other problem fails.
        std::printf("problem %d\n", opened.problem->number());
        std::fprintf(stderr, "writer %d: open: %d %s\n", writer, opened.problem->number(), opened.problem->what());
        if (opened.problem->number() != kivra::kDamagedStoreError) return 3;
    }
    try {
        if (batchSize <= 0)
            for (int i = 0; i < count; ++i)
                opened.store->write(appFor(writer), sectionFor(i), keyFor(i), valueFor(writer, i));
        for (int first = 0; batchSize > 0 && first < count; first += batchSize) {
            kivra::StoreBatch batch(*opened.store);
            for (int i = first; i < std::min(count, first + batchSize); ++i)
                opened.store->write(appFor(writer), sectionFor(i), keyFor(i), valueFor(writer, i));
            batch.commit();
        }
    } catch (const kivra::KivraError& e) {
        std::fprintf(stderr, "writer %d: %d %s\n", writer, e.number(), e.what());
        return 2;
    }
    return 0;
}
