// The X11 backend remembers what it read of each window, yet every describe
// reports the state as of the call: whatever another client changed before
// the call is read again, and nothing else is.
#include "DesktopTest.h"

#include <gtest/gtest.h>

#include <functional>

namespace kivra::test {
namespace {

constexpr std::uint32_t WalkFields = FieldTitle | FieldClass | FieldStyle | FieldVisible;
constexpr std::uint32_t Everything = FieldAll & ~FieldRect;

using WindowFreshness = DesktopTest;

TEST_F(WindowFreshness, ChangesByAnotherClientShowInTheVeryNextDescribe) {
    const WindowId owner = host->open("Owner");
    struct Row {
        const char* name;
        std::function<void(WindowId)> change;
        std::function<void(const WindowInfo&)> check;
    };
    const Row rows[] = {
        {"title", [&](WindowId w) { probe->setProperty8(w, "_NET_WM_NAME", "UTF8_STRING", "New Títle"); },
         [](const WindowInfo& i) { EXPECT_EQ(i.title, "New Títle"); }},
        {"title falls back to WM_NAME",
         [&](WindowId w) {
             probe->deleteProperty(w, "_NET_WM_NAME");
             probe->setProperty8(w, "WM_NAME", "STRING", "Legacy \xE9");
         },
         [](const WindowInfo& i) { EXPECT_EQ(i.title, "Legacy é"); }},
        {"class", [&](WindowId w) { probe->setProperty8(w, "WM_CLASS", "STRING", std::string("inst\0NewClass\0", 14)); },
         [](const WindowInfo& i) { EXPECT_EQ(i.className, "NewClass"); }},
        {"type", [&](WindowId w) { probe->setAtoms(w, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_UTILITY"}); },
         [](const WindowInfo& i) {
             EXPECT_EQ(i.kind, WindowKind::Popup);
             EXPECT_TRUE(i.style & style::Popup);
         }},
        {"owner", [&](WindowId w) { probe->setProperty32(w, "WM_TRANSIENT_FOR", "WINDOW", {static_cast<std::uint32_t>(owner)}); },
         [&](const WindowInfo& i) {
             EXPECT_EQ(i.kind, WindowKind::Dialog);
             EXPECT_EQ(i.parent, owner);
         }},
        {"decorations", [&](WindowId w) { probe->setProperty32(w, "_MOTIF_WM_HINTS", "_MOTIF_WM_HINTS", {2, 0, 0, 0, 0}); },
         [](const WindowInfo& i) {
             EXPECT_EQ(i.kind, WindowKind::Normal);
             EXPECT_NE(i.style, style::PlainMainWindow);
         }},
        {"size hints",
         [&](WindowId w) {
             // flags PMinSize | PMaxSize, then min and max of 300x200
             std::vector<std::uint32_t> hints(18, 0);
             hints[0] = 16 | 32;
             hints[5] = hints[7] = 300;
             hints[6] = hints[8] = 200;
             probe->setProperty32(w, "WM_NORMAL_HINTS", "WM_SIZE_HINTS", hints);
         },
         [](const WindowInfo& i) { EXPECT_NE(i.style, style::PlainMainWindow); }},
        {"process", [&](WindowId w) { probe->setProperty32(w, "_NET_WM_PID", "CARDINAL", {4242}); },
         [](const WindowInfo& i) { EXPECT_EQ(i.pid, 4242); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowId w = host->open("Changing", "--geometry 300x200+20+20");
        const WindowInfo before = ws->describe(w, Everything);
        ASSERT_EQ(before.style, style::PlainMainWindow);
        ASSERT_EQ(before.title, "Changing");
        row.change(w);
        row.check(ws->describe(w, Everything));
        host->close(w);
    }
}

TEST_F(WindowFreshness, MapStateChangesShowInTheVeryNextDescribe) {
    const WindowId w = host->open("Comes And Goes");
    EXPECT_TRUE(ws->isVisible(w));
    host->hide(w);
    EXPECT_FALSE(ws->isVisible(w));
    host->show(w);
    EXPECT_TRUE(ws->isVisible(w));
    host->destroy(w);
    EXPECT_FALSE(ws->describe(w, WalkFields).exists);
}

TEST_F(WindowFreshness, AnUnchangedDesktopCostsOneRoundTripAndNoWindowRequest) {
    std::vector<WindowId> ids;
    for (int i = 0; i < 10; ++i) ids.push_back(host->open("Window " + std::to_string(i)));
    ws->describe(ids, WalkFields);

    auto trips = ws->roundTrips();
    auto requests = ws->windowRequests();
    const auto again = ws->describe(ids, WalkFields);
    EXPECT_EQ(ws->roundTrips() - trips, 1u);
    EXPECT_EQ(ws->windowRequests() - requests, 0u);
    EXPECT_EQ(again[3].title, "Window 3");

    // One changed title: that one property is read again, in one more round trip.
    probe->setProperty8(ids[3], "_NET_WM_NAME", "UTF8_STRING", "Renamed");
    trips = ws->roundTrips();
    requests = ws->windowRequests();
    const auto changed = ws->describe(ids, WalkFields);
    EXPECT_EQ(changed[3].title, "Renamed");
    EXPECT_EQ(ws->roundTrips() - trips, 2u);
    EXPECT_EQ(ws->windowRequests() - requests, 1u);
}

}  // namespace
}  // namespace kivra::test
