// The custom caption's modifiers: replacement, letter case, the eight-occurrence
// limit, the picture values and when the once-a-second refresh is needed.
#include "CaptionFormatter.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

CaptionValues values(std::optional<std::string> picture = std::nullopt) {
    return CaptionValues{"3:45:12 PM", "12/6/2026", std::move(picture)};
}

}  // namespace

// Letter case is ignored and the text around is kept. Eight occurrences of each modifier are
// replaced, independently; a ninth stays where it was typed.
TEST(CaptionFormatter, LetterCaseIsIgnoredAndNineDatesGiveEightValuesAndOneLiteral) {
    std::string tmpl, expected;
    for (int i = 0; i < 8; ++i) tmpl += "%Time%%Date%", expected += "3:45 PM12/6/2026";
    EXPECT_EQ(formatCaption(tmpl + "%DATE% ", values()).text, expected + "%DATE% ");
    const FormattedCaption f = formatCaption("At %time% on %DATE%!", values());
    EXPECT_EQ(f.text, "At 3:45 PM on 12/6/2026!");
    EXPECT_TRUE(f.hasTime && f.hasDate);
    EXPECT_TRUE(f.needsRefreshTimer());
    // "%Time%Date%" shares the "%": the first found, the time, wins.
    EXPECT_EQ(formatCaption("%Time%Date%", values()).text, "3:45 PMDate%");
}

TEST(CaptionFormatter, PictureModifiersWithAndWithoutAPicture) {
    EXPECT_EQ(formatCaption("%Picturename%|%PicturePath%", values()).text,
              "[Picture not selected]|[Picture not selected]");
    const FormattedCaption f = formatCaption("%PICTURENAME% (%picturepath%)", values("C:\\pics\\cat.gif"));
    EXPECT_EQ(f.text, "cat.gif (C:\\pics\\cat.gif)");
    EXPECT_TRUE(f.hasPictureName && f.hasPicturePath);
    EXPECT_FALSE(f.needsRefreshTimer());  // pictures refresh when the picture changes, not by the clock
    // Values that contain modifiers are not expanded again; later ones land right after them.
    EXPECT_EQ(formatCaption("%Picturepath%-%Date%-%Time%", values("/tmp/%Date%.gif")).text,
              "/tmp/%Date%.gif-12/6/2026-3:45 PM");
}

TEST(CaptionFormatter, TimeWithoutSeconds) {
    EXPECT_EQ(timeWithoutSeconds("11:05:59 AM"), "11:05 AM");
    EXPECT_EQ(timeWithoutSeconds("15:45:12 "), "15:45");
}
