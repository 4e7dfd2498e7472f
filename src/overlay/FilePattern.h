// The picture file-type pattern: globs separated by ";" ("*.GIF;*.BMP;..."), matched
// against file names without regard to letter case, as the file list filters them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivra {

class FilePattern {
public:
    explicit FilePattern(std::string_view text);

    // "*" matches any run of characters, "?" exactly one; "*.*" and "*" match every
    // name, a name without an extension included. An empty pattern matches every name.
    bool matches(std::string_view name) const;
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::vector<std::u32string> globs_;
    bool all_ = false;
};

}  // namespace kivra
