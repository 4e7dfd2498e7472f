// The picture selection's current directory.
#include "PictureFolder.h"

#include "PicturePaths.h"
#include "Preferences.h"

namespace kivra {

PictureFolder::PictureFolder() : pattern_(kDefaultPicFileTypes) {}

void PictureFolder::open(const std::string& directory) {
    DirectoryListing listing = listDirectory(directory, pattern_);
    if (!open_ || directory != directory_) current_ = 0;
    directory_ = directory;
    listing_ = std::move(listing);
    open_ = true;
}

void PictureFolder::reload() {
    if (open_) open(directory_);
}

void PictureFolder::setPattern(const std::string& text) {
    pattern_ = FilePattern(text);
    reload();
}

int PictureFolder::indexOf(const std::string& name) const {
    for (std::size_t i = 0; i < listing_.files.size(); ++i)
        if (listing_.files[i] == name) return static_cast<int>(i);
    return -1;
}

std::string PictureFolder::pathOf(int index) const {
    if (index < 0 || index >= fileCount()) return {};
    return joinDirectoryFile(directory_, listing_.files[static_cast<std::size_t>(index)]);
}

void PictureFolder::shown(int index) { current_ = indexAfterShown(index, fileCount()); }

std::optional<int> PictureFolder::next() {
    const auto step = nextFileStep(current_, fileCount());
    if (!step) return std::nullopt;
    current_ = step->following;
    return step->show;
}

}  // namespace kivra
