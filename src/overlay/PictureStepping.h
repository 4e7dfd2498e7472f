// "&Next" through the files of the current directory: which file it shows and
// where the following "&Next" continues, wrapping after the last file.
#pragma once

#include <optional>

namespace kivra {

struct NextStep {
    int show = 0;       // index of the file to show now
    int following = 0;  // the current file index afterwards
    bool operator==(const NextStep&) const = default;
};

// Nothing when the directory lists no file; an index past the end (the directory
// lost files) starts again at the first file.
std::optional<NextStep> nextFileStep(int currentIndex, int fileCount);

// The current file index after the file at `shown` has been shown from the list, so
// that "&Next" goes on with the file after it.
int indexAfterShown(int shown, int fileCount);

}  // namespace kivra
