// The host-list walk over a real desktop: which windows of a live openbox
// session become "T: " entries, with what text, in which order.
#include "DesktopTest.h"
#include "WindowEnumeration.h"
#include "Xdotool.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kivra::test {
namespace {

std::vector<std::string> texts(const std::vector<HostEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.text);
    return out;
}

class HostWalk : public DesktopTest {
protected:
    // The entries a walk must give for `listed` (window -> entry text): in the
    // window manager's own stacking order, topmost first.
    std::vector<std::string> expectedEntries(const std::map<WindowId, std::string>& listed) {
        std::vector<std::string> out;
        for (const WindowId w : probe->stackingTopFirst())
            if (const auto it = listed.find(w); it != listed.end()) out.push_back(it->second);
        return out;
    }
};

TEST_F(HostWalk, ListsOnlyEligibleWindowsTopmostFirst) {
    const WindowId editor = host->open("Alpha Editor", "--class Editor");
    host->open("Beta Dialog", "--type dialog");
    host->open("Beta Owned", "--transient-for " + std::to_string(editor));
    host->open("Gamma Menu", "--override-redirect --type popup_menu --geometry 120x80+0+0");
    host->open("Delta Splash", "--type splash");
    host->open("Utility Palette", "--type utility");
    host->open("");
    host->open("Epsilon Hidden", "--unmapped");
    const WindowId shownThenHidden = host->open("Theta Withdrawn");
    host->hide(shownThenHidden);
    host->open("Kivra Main", "--class KivraQbaseRT5Main");
    host->open("Kivra Link", "--class qbasert5link");
    host->open("res://page.htm");
    host->open("RES://Upper.htm");
    const WindowId notWeb = host->open("Page res://later");
    const WindowId blanks = host->open("Zeta Blanks   ");
    const WindowId onlyBlanks = host->open("   ");
    const WindowId fixed = host->open("Eta Fixed", "--fixed-size --geometry 200x100+10+10");
    const WindowId csd = host->open("Iota Own Frame", "--csd");
    const WindowId utf = host->open("Grüße — 日本語 ✓");

    const std::map<WindowId, std::string> listed{
        {editor, "T: Alpha Editor"}, {notWeb, "T: Page res://later"}, {blanks, "T: Zeta Blanks"},
        {onlyBlanks, "T: "},        {fixed, "T: Eta Fixed"},        {csd, "T: Iota Own Frame"},
        {utf, "T: Grüße — 日本語 ✓"}};
    const auto entries = walkWindows(*ws);
    EXPECT_EQ(texts(entries), expectedEntries(listed));
    for (const auto& e : entries) EXPECT_EQ(listed.at(e.window), e.text);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.front().window, utf);
    EXPECT_EQ(entryTitle(entries.front().text), "Grüße — 日本語 ✓");
}

TEST_F(HostWalk, FollowsTheDesktopAsItChanges) {
    const WindowId a = host->open("First Host");
    const WindowId b = host->open("Second Host");
    EXPECT_EQ(texts(walkWindows(*ws)), (std::vector<std::string>{"T: Second Host", "T: First Host"}));

    ASSERT_TRUE(ws->raise(a));
    ASSERT_TRUE(waitUntil([&] { return walkWindows(*ws).front().window == a; }));
    EXPECT_EQ(texts(walkWindows(*ws)), (std::vector<std::string>{"T: First Host", "T: Second Host"}));

    ASSERT_TRUE(xdotool::setWindowName(b, "Second Host Renamed"));
    EXPECT_TRUE(waitUntil([&] {
        return texts(walkWindows(*ws)) == std::vector<std::string>{"T: First Host", "T: Second Host Renamed"};
    }));

    // A minimized window is still listed, as a minimized window is still visible.
    ASSERT_TRUE(ws->minimize(b));
    ASSERT_TRUE(waitUntil([&] { return ws->isMinimized(b); }));
    EXPECT_EQ(walkWindows(*ws).size(), 2u);

    host->close(a);
    EXPECT_EQ(texts(walkWindows(*ws)), (std::vector<std::string>{"T: Second Host Renamed"}));
}

TEST_F(HostWalk, LongTitleIsListedWithItsFirst255Characters) {
    std::string title;
    for (int i = 0; i < 300; ++i) title += static_cast<char>('a' + i % 26);
    host->open(title);
    const auto entries = walkWindows(*ws);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, "T: " + title.substr(0, 255));
}

TEST_F(HostWalk, EmptyDesktopGivesNoEntries) {
    host->open("Only A Dialog", "--type dialog");
    host->open("Never Shown", "--unmapped");
    EXPECT_TRUE(walkWindows(*ws).empty());
}

}  // namespace
}  // namespace kivra::test
