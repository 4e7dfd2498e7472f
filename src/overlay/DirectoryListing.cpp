// One directory read for the picture selection lists.
#include "DirectoryListing.h"

#include "ErrorReport.h"
#include "KivraError.h"
#include "PicturePaths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kivra {

namespace fs = std::filesystem;

namespace {

// A directory that is not there is a path not found, not a file not found.
[[noreturn]] void fail(const std::error_code& ec) {
    const int number = ec == std::errc::no_such_file_or_directory ? errnum::PathNotFound : errorNumberFromErrorCode(ec);
    throw KivraError(number, ec.message());
}

int foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

bool nameLess(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = foldAscii(static_cast<unsigned char>(a[i]));
        const int y = foldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

DirectoryListing listDirectory(const std::string& directory, const FilePattern& pattern) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(directory), ec);
    if (ec) fail(ec);
    DirectoryListing out;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) fail(ec);
        std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            out.subdirectories.push_back(std::move(name));
        } else if (pattern.matches(name)) {
            out.files.push_back(std::move(name));
        }
    }
    if (ec) fail(ec);
    std::sort(out.subdirectories.begin(), out.subdirectories.end(), nameLess);
    std::sort(out.files.begin(), out.files.end(), nameLess);
    return out;
}

std::vector<std::string> directoryAncestors(const std::string& directory) {
    std::vector<std::string> out;
    if (directory.empty() || directory.front() != kPathSeparator) return out;
    out.emplace_back(1, kPathSeparator);
    std::string current;
    std::size_t at = 1;
    while (at < directory.size()) {
        std::size_t next = directory.find(kPathSeparator, at);
        if (next == std::string::npos) next = directory.size();
        if (next > at) {
            current += kPathSeparator;
            current += directory.substr(at, next - at);
            out.push_back(current);
        }
        at = next + 1;
    }
    return out;
}

}  // namespace kivra
