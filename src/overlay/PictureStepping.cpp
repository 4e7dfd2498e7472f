// Stepping through the directory's files.
#include "PictureStepping.h"

namespace kivra {

std::optional<NextStep> nextFileStep(int currentIndex, int fileCount) {
    if (fileCount <= 0) return std::nullopt;
    const int show = (currentIndex >= 0 && currentIndex < fileCount) ? currentIndex : 0;
    return NextStep{show, indexAfterShown(show, fileCount)};
}

int indexAfterShown(int shown, int fileCount) {
    if (fileCount <= 0) return 0;
    return shown + 1 >= fileCount ? 0 : shown + 1;
}

}  // namespace kivra
