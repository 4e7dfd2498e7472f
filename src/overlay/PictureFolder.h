// The directory the picture selection points at: its subdirectories and the files
// the pattern lets through, and the current file index "&Next" goes on from.
// The Select Picture File page shows it; "&Next" steps through it.
#pragma once

#include "DirectoryListing.h"
#include "FilePattern.h"
#include "PictureStepping.h"

#include <optional>
#include <string>

namespace kivra {

class PictureFolder {
public:
    PictureFolder();

    // Reads `directory` and points at it. Throws KivraError and keeps the previous
    // directory when it cannot be read. Moving to another directory starts the
    // current file index again at its first file.
    void open(const std::string& directory);
    // Reads the current directory again (after a pattern change).
    void reload();
    bool isOpen() const { return open_; }
    const std::string& directory() const { return directory_; }
    const DirectoryListing& listing() const { return listing_; }
    int fileCount() const { return static_cast<int>(listing_.files.size()); }

    // The applied pattern; applying it reads the directory again.
    const FilePattern& pattern() const { return pattern_; }
    void setPattern(const std::string& text);

    // Index of the file `name` in the listing; -1 when it is not listed.
    int indexOf(const std::string& name) const;
    std::string pathOf(int index) const;

    // A file of the listing was shown: "&Next" goes on with the file after it.
    void shown(int index);
    // "&Next": the index of the file to show now, the current file index moved on.
    std::optional<int> next();
    int currentIndex() const { return current_; }

private:
    std::string directory_;
    DirectoryListing listing_;
    FilePattern pattern_;
    int current_ = 0;
    bool open_ = false;
};

}  // namespace kivra
