// The window walk on a scripted desktop, and the host list refresh's rebuild decision.
#include "FakeDesktop.h"
#include "HostListRefresh.h"
#include "WindowEnumeration.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

std::vector<std::string> texts(const std::vector<HostEntry>& entries) {
    std::vector<std::string> out;
    for (const HostEntry& e : entries) out.push_back(e.text);
    return out;
}

using Texts = std::vector<std::string>;

// A desktop with one eligible window at the bottom, so a skipped window shows as
// an entry missing from above it.
class WalkTest : public ::testing::Test {
protected:
    void SetUp() override { d.addWindow({.title = "Anchor"}); }
    Texts walk() { return texts(walkWindows(d)); }
    FakeDesktop d;
};

// A skipped window is not listed and neither is its MDI child; "res://" inside a title and
// the smallest positive style are no reason to skip.
TEST(Walk, SkipRulesForTopLevelWindows) {
    const FakeWindowSpec skipped[] = {{.title = ""},
                                      {.title = "ReS://ieframe.dll/navcancl.htm"},
                                      {.title = "Kivra [Link] X", .className = "qbasert5"},
                                      {.title = "Open", .className = "#32770"},
                                      {.title = "Open", .kind = WindowKind::Dialog},
                                      {.title = "Menu", .style = style::Popup | style::Visible},
                                      {.title = "Bare", .style = 0},
                                      {.title = "Hidden", .visible = false}};
    for (const FakeWindowSpec& shape : skipped) {
        SCOPED_TRACE(shape.title + " " + shape.className);
        FakeDesktop d;
        d.addWindow({.title = "Anchor"});
        const WindowId w = d.addWindow(shape);
        const WindowId mdi = d.addChild(w, {.className = "MDIClient"});
        d.addChild(mdi, {.title = "Child", .controlId = 5});
        EXPECT_EQ(texts(walkWindows(d)), Texts{"T: Anchor"});
    }
    FakeDesktop d;
    d.addWindow({.title = "Saved res://page"});
    d.addWindow({.title = "Odd", .style = 1});
    EXPECT_EQ(texts(walkWindows(d)), (Texts{"T: Odd", "T: Saved res://page"}));
}

TEST_F(WalkTest, EntriesFollowZOrderAndCarryTheirWindowsAndTrimmedCutTitles) {
    const WindowId a = d.addWindow({.title = "Editor"});
    d.addWindow({.title = "Browser"});
    d.bringToFront(a);
    // Trailing blanks are dropped and all-blank titles listed empty.
    d.addWindow({.title = "  Padded  "});
    d.addWindow({.title = "   "});
    const auto entries = walkWindows(d);
    EXPECT_EQ(texts(entries), (Texts{"T: ", "T:   Padded", "T: Editor", "T: Browser", "T: Anchor"}));
    EXPECT_EQ(entries[2].window, a);
    EXPECT_EQ(entryTitle(entries[1].text), "  Padded");
    // Titles are cut at 255 characters without splitting one, even where a backend would not cut
    // them.
    d.setTitleLimit(TitleLimit::Unlimited);
    d.addWindow({.title = std::string(254, 'a') + "\xE2\x82\xAC\xE2\x82\xAC"});
    EXPECT_EQ(walk().front(), "T: " + std::string(254, 'a') + "\xE2\x82\xAC");
}

TEST_F(WalkTest, MdiRules) {
    const WindowId app = d.addWindow({.title = "Office"});
    d.addChild(app, {.title = "Toolbar", .controlId = 1});           // before the MDI client
    const WindowId mdi = d.addChild(app, {.title = "Workspace", .className = "MDIClient", .controlId = 2});
    const WindowId doc = d.addChild(mdi, {.title = "Doc1.txt", .controlId = 10});
    d.addChild(doc, {.title = "Apply", .className = "Button", .controlId = 11});  // titled control inside
    d.addChild(doc, {.title = "NoId", .controlId = 0});
    d.addChild(doc, {.title = "", .controlId = 12});
    d.addChild(doc, {.title = "Hidden", .visible = false, .controlId = 13});
    d.addChild(mdi, {.title = "Own", .className = "QbaseRT5Child", .controlId = 14});
    d.addChild(mdi, {.title = "Doc3.txt  ", .controlId = 17});
    d.addChild(app, {.title = "Status", .controlId = 3});  // after the client: listed too
    EXPECT_EQ(walk(), (Texts{"T: Office", " + C: Doc1.txt", " + C: Apply", " + C: Doc3.txt", " + C: Status",
                             "T: Anchor"}));
    // The flag does not carry over to the next window.
    const WindowId plain = d.addWindow({.title = "Plain"});
    d.addChild(plain, {.title = "OK", .controlId = 1});
    d.bringToFront(app);
    EXPECT_EQ(walk(), (Texts{"T: Office", " + C: Doc1.txt", " + C: Apply", " + C: Doc3.txt", " + C: Status",
                             "T: Plain", "T: Anchor"}));
}

TEST_F(WalkTest, WindowVanishingMidWalkIsSkipped) {
    const WindowId gone = d.addWindow({.title = "Closing"});
    const WindowId app = d.addWindow({.title = "Mdi"});
    const WindowId mdi = d.addChild(app, {.className = "MDIClient"});
    const WindowId doc = d.addChild(mdi, {.title = "Doc", .controlId = 1});
    // Gone after the window list was taken, before its details were read.
    d.onCall(SeamCall::Describe, [&](WindowId) { d.destroy(gone); });
    EXPECT_EQ(walk(), (Texts{"T: Mdi", " + C: Doc", "T: Anchor"}));
    // A child gone between listing the children and reading them.
    d.onCall(SeamCall::ChildWindows, [&](WindowId) {
        d.onCall(SeamCall::Describe, [&](WindowId) { d.destroy(doc); });
    });
    EXPECT_EQ(walk(), (Texts{"T: Mdi", "T: Anchor"}));
}

TEST(Walk, TheListStopsAtItsLimit) {
    FakeDesktop d;
    for (std::size_t i = 0; i <= kMaxListedWindows; ++i) d.addWindow({.title = "W"});
    EXPECT_EQ(walkWindows(d).size(), kMaxListedWindows);
}

// --- Host list refresh ---------------------------------------------------------

// The list is rebuilt after opening and when the order, a title's case or the count changes;
// a replaced window of the same title keeps the list but the shadow has the new window. Each
// refresh checks the active links, busy while it does, so a re-entered one does nothing.
TEST(Refresh, RebuildsOnlyWhenTheListWouldShowAChange) {
    FakeDesktop d;
    const WindowId a = d.addWindow({.title = "Alpha"});
    const WindowId b = d.addWindow({.title = "Beta"});
    HostListRefresh refresh{d};
    int checks = 0;
    refresh.setCheckActiveLinks([&] {
        ++checks;
        EXPECT_TRUE(refresh.busy());  // a re-entered tick would return at once
        EXPECT_EQ(refresh.refresh(), RefreshOutcome::Busy);
    });
    refresh.open();
    ASSERT_EQ(refresh.refresh(), RefreshOutcome::Rebuilt);
    d.moveTo(a, 300, 300);
    d.addWindow({.title = "Popup", .kind = WindowKind::Popup});
    EXPECT_EQ(refresh.refresh(), RefreshOutcome::Unchanged);
    d.destroy(b);
    const WindowId b2 = d.addWindow({.title = "Beta"});
    EXPECT_EQ(refresh.refresh(), RefreshOutcome::Unchanged);
    EXPECT_EQ(refresh.hostWindowAt(0), b2);
    d.bringToFront(a);
    EXPECT_EQ(refresh.refresh(), RefreshOutcome::Rebuilt);
    d.rename(a, "ALPHA");
    EXPECT_EQ(refresh.refresh(), RefreshOutcome::Rebuilt);
    d.destroy(b2);
    EXPECT_EQ(refresh.refresh(), RefreshOutcome::Rebuilt);
    EXPECT_EQ(checks, 6);
    EXPECT_FALSE(refresh.busy());
}

}  // namespace
