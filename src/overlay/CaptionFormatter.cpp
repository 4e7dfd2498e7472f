// Modifier scanning and replacement for the custom caption.
#include "CaptionFormatter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace kivra {

namespace {

enum class Modifier { Time, Date, PictureName, PicturePath };

struct ModifierText {
    Modifier which;
    const char* text;
};
// The scan order; an occurrence found first wins where two overlap.
constexpr std::array<ModifierText, 4> kModifiers{{{Modifier::Time, "%time%"},
                                                  {Modifier::Date, "%date%"},
                                                  {Modifier::PictureName, "%picturename%"},
                                                  {Modifier::PicturePath, "%picturepath%"}}};

struct Occurrence {
    std::size_t pos = 0;
    std::size_t length = 0;
    Modifier which = Modifier::Time;
};

std::string lowered(const std::string& s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool overlapsAny(const std::vector<Occurrence>& found, std::size_t pos, std::size_t length) {
    return std::any_of(found.begin(), found.end(), [&](const Occurrence& o) {
        return pos < o.pos + o.length && o.pos < pos + length;
    });
}

void setFlag(FormattedCaption& out, Modifier which) {
    switch (which) {
    case Modifier::Time: out.hasTime = true; break;
    case Modifier::Date: out.hasDate = true; break;
    case Modifier::PictureName: out.hasPictureName = true; break;
    case Modifier::PicturePath: out.hasPicturePath = true; break;
    }
}

std::string valueOf(Modifier which, const CaptionValues& v) {
    switch (which) {
    case Modifier::Time: return timeWithoutSeconds(v.longTime);
    case Modifier::Date: return v.shortDate;
    case Modifier::PictureName: return v.picturePath ? pictureNameOf(*v.picturePath) : kPictureNotSelected;
    case Modifier::PicturePath: return v.picturePath ? *v.picturePath : kPictureNotSelected;
    }
    return {};
}

}  // namespace

FormattedCaption formatCaption(const std::string& templateText, const CaptionValues& values) {
    FormattedCaption out;
    const std::string lower = lowered(templateText);
    std::vector<Occurrence> found;
    for (const ModifierText& m : kModifiers) {
        const std::string key(m.text);
        int recorded = 0;
        for (std::size_t pos = lower.find(key); pos != std::string::npos; pos = lower.find(key, pos + key.size())) {
            setFlag(out, m.which);
            if (recorded < kMaxModifierOccurrences && !overlapsAny(found, pos, key.size())) {
                found.push_back({pos, key.size(), m.which});
                ++recorded;
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) { return a.pos < b.pos; });

    // Walking the template once keeps every later position right after each
    // replacement, and never looks at a value that was put in.
    std::size_t at = 0;
    for (const Occurrence& o : found) {
        out.text.append(templateText, at, o.pos - at);
        out.text += valueOf(o.which, values);
        at = o.pos + o.length;
    }
    out.text.append(templateText, at, std::string::npos);
    return out;
}

std::string timeWithoutSeconds(const std::string& t) {
    auto endsWith = [&](const char* suffix) {
        const std::string s(suffix);
        return t.size() >= s.size() && t.compare(t.size() - s.size(), s.size(), s) == 0;
    };
    if (endsWith(" AM") || endsWith(" PM")) {
        if (t.size() < 6) return t;
        return t.substr(0, t.size() - 6) + t.substr(t.size() - 3);
    }
    const std::size_t drop = (!t.empty() && t.back() == ' ') ? 4 : 3;
    return t.size() < drop ? t : t.substr(0, t.size() - drop);
}

std::string pictureNameOf(const std::string& path) {
    const std::size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace kivra
