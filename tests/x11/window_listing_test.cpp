// The X11 backend's listing and reading of real windows on a private display
// under openbox: order, titles, classes, kinds, styles, state, process, frame
// rectangle, windows that vanish, and the cost in round trips.
#include "DesktopTest.h"
#include "Xdotool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kivra::test {
namespace {

constexpr std::uint32_t WalkFields = FieldTitle | FieldClass | FieldStyle | FieldVisible;

std::size_t characters(const std::string& utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

bool contains(const std::vector<WindowId>& ids, WindowId id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

using WindowListing = DesktopTest;

TEST_F(WindowListing, TopLevelWindowsComeTopmostFirstWithExactFields) {
    struct Opened {
        std::string title, className;
        int x, y, width, height;
        WindowId id = 0;
    };
    std::vector<Opened> opened{{"Alpha", "AlphaClass", 10, 20, 300, 200},
                               {"Beta", "BetaClass", 400, 30, 320, 240},
                               {"Gamma", "GammaClass", 100, 500, 200, 100}};
    for (auto& o : opened) {
        o.id = host->open(o.title, "--class " + o.className + " --geometry " + std::to_string(o.width) + "x" +
                                       std::to_string(o.height) + "+" + std::to_string(o.x) + "+" +
                                       std::to_string(o.y));
    }
    EXPECT_EQ(ws->topLevelWindows(), (std::vector<WindowId>{opened[2].id, opened[1].id, opened[0].id}));
    EXPECT_EQ(ws->topLevelWindows(), probe->stackingTopFirst());

    const std::vector<WindowId> ids{opened[0].id, opened[1].id, opened[2].id};
    const auto infos = ws->describe(ids, FieldAll);
    ASSERT_EQ(infos.size(), 3u);
    for (std::size_t i = 0; i < infos.size(); ++i) {
        SCOPED_TRACE(opened[i].title);
        const WindowInfo& info = infos[i];
        EXPECT_EQ(info.id, opened[i].id);
        EXPECT_TRUE(info.exists);
        EXPECT_EQ(info.title, opened[i].title);
        EXPECT_EQ(info.className, opened[i].className);
        EXPECT_EQ(info.kind, WindowKind::Normal);
        EXPECT_EQ(info.style, style::PlainMainWindow);
        EXPECT_TRUE(info.visible);
        EXPECT_FALSE(info.minimized);
        EXPECT_FALSE(info.maximized);
        EXPECT_EQ(info.parent, 0u);
        EXPECT_EQ(info.controlId, 0);
        EXPECT_EQ(info.pid, host->pid());
        EXPECT_EQ(info.rect, expectedFrame(info.id, opened[i].x, opened[i].y, opened[i].width, opened[i].height));
        EXPECT_EQ(std::optional<Rect>(info.rect), probe->frameRect(info.id));
    }
}

TEST_F(WindowListing, KindAndStyleFollowTypeHintsAndDecoration) {
    const WindowId owner = host->open("Owner");
    struct Row {
        const char* name;
        std::string options;
        WindowKind kind;
        enum { Plain, OtherMainStyle, PopupBit } styleClass;
    };
    const Row rows[] = {
        {"ordinary", "", WindowKind::Normal, Row::Plain},
        {"type normal", "--type normal", WindowKind::Normal, Row::Plain},
        {"client-side decorated", "--csd", WindowKind::Normal, Row::Plain},
        {"fixed size", "--fixed-size --geometry 200x100+50+50", WindowKind::Normal, Row::OtherMainStyle},
        {"undecorated", "--undecorated", WindowKind::Normal, Row::OtherMainStyle},
        {"type dialog", "--type dialog", WindowKind::Dialog, Row::PopupBit},
        {"transient", "--transient-for " + std::to_string(owner), WindowKind::Dialog, Row::PopupBit},
        {"utility", "--type utility", WindowKind::Popup, Row::PopupBit},
        {"splash", "--type splash", WindowKind::Popup, Row::PopupBit},
        {"menu", "--type menu", WindowKind::Popup, Row::PopupBit},
        {"toolbar", "--type toolbar", WindowKind::Popup, Row::PopupBit},
        {"notification", "--type notification", WindowKind::Popup, Row::PopupBit},
        {"override-redirect", "--override-redirect --geometry 100x50+5+5", WindowKind::Popup, Row::PopupBit},
        {"override-redirect popup menu", "--override-redirect --type popup_menu --geometry 100x50+5+5",
         WindowKind::Popup, Row::PopupBit},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowId w = host->open(row.name, row.options);
        const WindowInfo info = ws->describe(w, FieldStyle | FieldVisible | FieldParent);
        ASSERT_TRUE(info.exists);
        EXPECT_EQ(info.kind, row.kind);
        EXPECT_TRUE(info.visible);
        EXPECT_TRUE(info.style & style::Visible);
        switch (row.styleClass) {
            case Row::Plain: EXPECT_EQ(info.style, style::PlainMainWindow); break;
            case Row::OtherMainStyle:
                EXPECT_NE(info.style, style::PlainMainWindow);
                EXPECT_GT(static_cast<std::int32_t>(info.style), 0);
                break;
            case Row::PopupBit: EXPECT_TRUE(info.style & style::Popup); break;
        }
        if (row.options.rfind("--transient-for", 0) == 0) {
            EXPECT_EQ(info.parent, owner);
        }
        host->close(w);
    }
}

TEST_F(WindowListing, UnmappedHiddenAndUntitledWindowsAreTold) {
    const WindowId unmapped = host->open("Never Shown", "--unmapped");
    const WindowId untitled = host->open("");
    const WindowId hidden = host->open("Shown Then Hidden");
    host->hide(hidden);

    const auto tops = ws->topLevelWindows();
    EXPECT_TRUE(contains(tops, untitled));
    EXPECT_FALSE(contains(tops, unmapped));
    EXPECT_FALSE(contains(tops, hidden));

    const std::vector<WindowId> ids{unmapped, untitled, hidden};
    const auto infos = ws->describe(ids, FieldAll);
    EXPECT_TRUE(infos[0].exists);
    EXPECT_EQ(infos[0].title, "Never Shown");
    EXPECT_FALSE(infos[0].visible);
    EXPECT_FALSE(infos[0].style & style::Visible);
    EXPECT_EQ(infos[0].style, style::PlainMainWindow & ~style::Visible);
    EXPECT_TRUE(infos[1].exists);
    EXPECT_EQ(infos[1].title, "");
    EXPECT_TRUE(infos[1].visible);
    EXPECT_TRUE(infos[2].exists);
    EXPECT_FALSE(infos[2].visible);
}

TEST_F(WindowListing, MinimizedWindowStaysVisibleAndListed) {
    const WindowId w = host->open("Minimize Me");
    ASSERT_TRUE(xdotool::windowMinimize(w));
    ASSERT_TRUE(waitUntil([&] { return ws->isMinimized(w); }));
    EXPECT_TRUE(ws->isVisible(w));
    EXPECT_TRUE(ws->describe(w, FieldStyle).style & style::Visible);
    EXPECT_TRUE(contains(ws->topLevelWindows(), w));
}

TEST_F(WindowListing, MaximizedNeedsBothDirections) {
    const WindowId w = host->open("Maximize Me");
    probe->requestState(w, true, "_NET_WM_STATE_MAXIMIZED_VERT");
    ASSERT_TRUE(waitUntil([&] { return probe->hasState(w, "_NET_WM_STATE_MAXIMIZED_VERT"); }));
    EXPECT_FALSE(ws->isMaximized(w));
    probe->requestState(w, true, "_NET_WM_STATE_MAXIMIZED_HORZ");
    EXPECT_TRUE(waitUntil([&] { return ws->isMaximized(w); }));
    EXPECT_FALSE(ws->isMinimized(w));
}

TEST_F(WindowListing, TitlesAreDecodedWhateverTheEncoding) {
    struct Row {
        const char* name;
        std::string set, options, expected;
    };
    const std::string mixed = "Grüße — 日本語 ✓";
    const Row rows[] = {
        {"plain", "Plain Title", "", "Plain Title"},
        {"UTF-8 _NET_WM_NAME", mixed, "", mixed},
        {"Latin-1 WM_NAME only", "Grüße", "--name-encoding string", "Grüße"},
        {"compound text WM_NAME only", mixed, "--name-encoding compound", mixed},
        {"cut at the first NUL", std::string("Before\0After", 12), "", "Before"},
        {"trailing blanks kept", "Blanks   ", "", "Blanks   "},
        {"no name at all", "Nameless", "--name-encoding none", ""},
        {"broken UTF-8 repaired", "Bad\xFF(\xC3", "", "Bad\uFFFD(\uFFFD"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowId w = host->open(row.set, row.options);
        EXPECT_EQ(ws->title(w), row.expected);
        host->close(w);
    }
}

TEST_F(WindowListing, LongTitlesAndClassesStopAt255Characters) {
    struct Row {
        const char* name;
        std::string set, options, expected;
    };
    const Row rows[] = {
        {"ASCII", repeat("a", 300), "", repeat("a", 255)},
        {"three-byte characters", repeat("日", 300), "", repeat("日", 255)},
        {"a two-byte character at the limit", repeat("x", 254) + "ü" + repeat("y", 45), "", repeat("x", 254) + "ü"},
        {"Latin-1 WM_NAME", repeat("é", 300), "--name-encoding string", repeat("é", 255)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowId w = host->open(row.set, row.options);
        const std::string title = ws->title(w);
        EXPECT_EQ(characters(title), 255u);
        EXPECT_EQ(title, row.expected);
        host->close(w);
    }
    const WindowId w = host->open("Long Class", "--class " + repeat("C", 300));
    EXPECT_EQ(ws->className(w), repeat("C", 255));
}

TEST_F(WindowListing, RenamedTitleIsReadAfresh) {
    const WindowId w = host->open("Before");
    host->rename(w, "After — ünïcode");
    EXPECT_EQ(ws->title(w), "After — ünïcode");
    ASSERT_TRUE(xdotool::setWindowName(w, "Set By xdotool"));
    EXPECT_TRUE(waitUntil([&] { return ws->title(w) == "Set By xdotool"; }));
}

TEST_F(WindowListing, WindowDestroyedDuringAWalkComesBackGone) {
    const WindowId a = host->open("Stays A");
    const WindowId b = host->open("Vanishes");
    const WindowId c = host->open("Stays C");
    const auto ids = ws->topLevelWindows();
    ASSERT_TRUE(contains(ids, b));
    host->destroy(b);

    const auto infos = ws->describe(ids, FieldAll);
    ASSERT_EQ(infos.size(), ids.size());
    for (const WindowInfo& info : infos) {
        if (info.id == b) {
            EXPECT_FALSE(info.exists);
            EXPECT_EQ(info.title, "");
            EXPECT_EQ(info.className, "");
            EXPECT_EQ(info.pid, 0);
            EXPECT_EQ(info.rect, Rect{});
            EXPECT_FALSE(info.visible);
        } else {
            EXPECT_TRUE(info.exists);
            EXPECT_TRUE(info.id == a || info.id == c);
        }
    }
    EXPECT_FALSE(ws->exists(b));
    EXPECT_EQ(ws->title(b), "");
    EXPECT_EQ(ws->rect(b), std::nullopt);
    EXPECT_EQ(ws->processOf(b), 0);
    // The connection is still good after the errors.
    EXPECT_EQ(ws->title(a), "Stays A");
}

TEST_F(WindowListing, IdsThatAreNoWindowAreGone) {
    const std::vector<WindowId> ids{0, 1, 0x1FFFFFFF, WindowId{1} << 40};
    for (const WindowInfo& info : ws->describe(ids, FieldAll)) {
        EXPECT_FALSE(info.exists) << info.id;
        EXPECT_FALSE(ws->exists(info.id)) << info.id;
    }
    EXPECT_TRUE(ws->exists(probe->root()));
}

TEST_F(WindowListing, ProcessComesFromXResWithoutNetWmPid) {
    const WindowId w = host->open("No Pid", "--no-pid");
    ASSERT_TRUE(probe->values32(w, "_NET_WM_PID").empty());
    EXPECT_EQ(ws->processOf(w), host->pid());
}

TEST_F(WindowListing, OneRoundTripPerListingAndPerBatch) {
    for (int i = 0; i < 6; ++i) host->open("Window " + std::to_string(i));
    auto before = ws->roundTrips();
    const auto ids = ws->topLevelWindows();
    EXPECT_EQ(ws->roundTrips() - before, 1u);
    before = ws->roundTrips();
    ws->describe(ids, WalkFields);
    EXPECT_EQ(ws->roundTrips() - before, 1u);

    // A legacy title costs the whole batch one more round trip, not one per window.
    host->open("Legacy One", "--name-encoding string");
    host->open("Legacy Two", "--name-encoding string");
    const auto more = ws->topLevelWindows();
    before = ws->roundTrips();
    const auto infos = ws->describe(more, WalkFields);
    EXPECT_EQ(ws->roundTrips() - before, 2u);
    EXPECT_EQ(infos[0].title, "Legacy Two");
}

TEST_F(WindowListing, ListingSurvivesMissingWindowManagerLists) {
    const WindowId a = host->open("First");
    const WindowId b = host->open("Second");
    const WindowId c = host->open("Third");
    probe->deleteRootProperty("_NET_CLIENT_LIST_STACKING");
    EXPECT_EQ(ws->topLevelWindows(), (std::vector<WindowId>{c, b, a}));  // _NET_CLIENT_LIST, newest first
    probe->deleteRootProperty("_NET_CLIENT_LIST");
    EXPECT_EQ(ws->topLevelWindows(), (std::vector<WindowId>{c, b, a}));  // the frames' real stacking
    // openbox writes its lists again at the next change.
    ASSERT_TRUE(xdotool::windowActivate(a));
    EXPECT_TRUE(waitUntil([&] { return probe->stackingTopFirst().size() == 3; }));
}

TEST_F(WindowListing, ScreenMetricsAndChildren) {
    const WindowId w = host->open("Framed");
    EXPECT_EQ(ws->virtualScreen(), probe->rootRect());
    auto extents = probe->values32(w, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(extents.size(), 4u);
    EXPECT_EQ(ws->captionHeight(), static_cast<int>(extents[2] - extents[0]));
    EXPECT_TRUE(ws->childWindows(w).empty());
}

}  // namespace
}  // namespace kivra::test
