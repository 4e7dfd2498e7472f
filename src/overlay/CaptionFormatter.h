// The custom title bar caption: a template whose %Time%, %Date%, %Picturename% and
// %Picturepath% modifiers are replaced by current values.
#pragma once

#include <optional>
#include <string>

namespace kivra {

// A modifier is replaced at most this many times; later occurrences stay as typed.
inline constexpr int kMaxModifierOccurrences = 8;
inline constexpr const char* kPictureNotSelected = "[Picture not selected]";

// The current values, formatted by the caller in the user's locale.
struct CaptionValues {
    std::string longTime;                    // the locale's long time, seconds included
    std::string shortDate;                   // the locale's short date
    std::optional<std::string> picturePath;  // the loaded picture's full path, if any
};

struct FormattedCaption {
    std::string text;
    bool hasTime = false;
    bool hasDate = false;
    bool hasPictureName = false;
    bool hasPicturePath = false;

    bool hasModifier() const { return hasTime || hasDate || hasPictureName || hasPicturePath; }
    // The once-a-second refresh (`Timer2`) is needed only for a time or a date.
    bool needsRefreshTimer() const { return hasTime || hasDate; }
};

// Replaces the modifiers of `templateText` (letter case ignored). Each replacement is
// final: a value that itself contains a modifier is not expanded again. An occurrence
// that overlaps one found before it (a shared "%") stays as typed.
FormattedCaption formatCaption(const std::string& templateText, const CaptionValues& values);

// A long time text without its seconds: "3:45:12 PM" -> "3:45 PM", "15:45:12" -> "15:45".
std::string timeWithoutSeconds(const std::string& longTime);

// The file name of a path: what follows the last separator, or the whole path.
std::string pictureNameOf(const std::string& path);

}  // namespace kivra
