// The custom caption's modifiers: replacement, letter case, the eight-occurrence
// limit, the picture values and when the once-a-second refresh is needed.
#include "CaptionFormatter.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

CaptionValues values(std::optional<std::string> picture = std::nullopt) {
    return CaptionValues{"3:45:12 PM", "12/6/2026", std::move(picture)};
}

int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + part.size())) ++n;
    return n;
}

}  // namespace

TEST(CaptionFormatter, NineDatesGiveEightValuesAndOneLiteral) {
    std::string tmpl;
    for (int i = 0; i < 9; ++i) tmpl += "%Date% ";
    const FormattedCaption f = formatCaption(tmpl, values());
    EXPECT_EQ(count(f.text, "12/6/2026"), 8);
    EXPECT_EQ(count(f.text, "%Date%"), 1);
    EXPECT_EQ(f.text.substr(f.text.size() - 7), "%Date% ");  // the ninth stays where it was typed
    EXPECT_TRUE(f.hasDate);
    // Eight of each modifier independently.
    tmpl.clear();
    for (int i = 0; i < 8; ++i) tmpl += "%Time%%Date%";
    const FormattedCaption g = formatCaption(tmpl, values());
    EXPECT_EQ(count(g.text, "3:45 PM"), 8);
    EXPECT_EQ(count(g.text, "12/6/2026"), 8);
    EXPECT_EQ(count(g.text, "%"), 0);
}

TEST(CaptionFormatter, LetterCaseIsIgnoredAndTextAroundIsKept) {
    const FormattedCaption f = formatCaption("At %time% on %DATE%!", values());
    EXPECT_EQ(f.text, "At 3:45 PM on 12/6/2026!");
    EXPECT_TRUE(f.hasTime);
    EXPECT_TRUE(f.hasDate);
    EXPECT_TRUE(f.needsRefreshTimer());
    // Without modifiers the template stands and no timer runs.
    const FormattedCaption plain = formatCaption("Just a caption % 100%", values());
    EXPECT_EQ(plain.text, "Just a caption % 100%");
    EXPECT_FALSE(plain.hasModifier());
    EXPECT_FALSE(plain.needsRefreshTimer());
    // "%Time%Date%" shares the "%": the first found, the time, wins.
    EXPECT_EQ(formatCaption("%Time%Date%", values()).text, "3:45 PMDate%");
}

TEST(CaptionFormatter, PictureModifiersWithAndWithoutAPicture) {
    EXPECT_EQ(formatCaption("%Picturename%|%PicturePath%", values()).text,
              "[Picture not selected]|[Picture not selected]");
    const FormattedCaption f = formatCaption("%PICTURENAME% (%picturepath%)", values("/home/u/pics/cat.gif"));
    EXPECT_EQ(f.text, "cat.gif (/home/u/pics/cat.gif)");
    EXPECT_TRUE(f.hasPictureName && f.hasPicturePath);
    EXPECT_FALSE(f.needsRefreshTimer());  // pictures refresh when the picture changes, not by the clock
    // Values that contain modifiers are not expanded again; later ones land right after them.
    EXPECT_EQ(formatCaption("%Picturepath%-%Date%-%Time%", values("/tmp/%Date%.gif")).text,
              "/tmp/%Date%.gif-12/6/2026-3:45 PM");
}

TEST(CaptionFormatter, TimeWithoutSecondsAndPictureName) {
    struct Row { const char* in; const char* out; };
    for (const Row& r : {Row{"3:45:12 PM", "3:45 PM"}, Row{"11:05:59 AM", "11:05 AM"}, Row{"15:45:12", "15:45"},
                         Row{"15:45:12 ", "15:45"}, Row{"", ""}, Row{" AM", " AM"}}) {
        EXPECT_EQ(timeWithoutSeconds(r.in), r.out) << r.in;
    }
    // The picture name is the last path part.
    EXPECT_EQ(pictureNameOf("/a/b/c.png"), "c.png");
    EXPECT_EQ(pictureNameOf("C:\\pics\\d.bmp"), "d.bmp");
    EXPECT_EQ(pictureNameOf("plain.gif"), "plain.gif");
}
