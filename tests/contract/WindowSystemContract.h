// What every window-system backend promises its callers, tested once and run on each
// backend: the fake desktop, X11 and Win32. A backend's test file supplies a driver
// and instantiates the suite:
//   struct Driver {
//       WindowSystem& ws();
//       WindowId open(const std::string& title);  // a visible plain top-level window, put on
//                                                 // top; returns once the backend lists it
//       void destroy(WindowId window);            // by its owner, at once
//       bool waitFor(std::function<bool()> done); // polls with a deadline, serving the
//                                                 // backend's events in between
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(X11, WindowSystemContract, X11Driver);
#pragma once
#include "WindowSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace kivra::test {

template <class Driver>
class WindowSystemContract : public ::testing::Test {
protected:
    WindowSystem& ws() { return d.ws(); }
    // The windows among `ours` in the order the backend lists them, topmost first.
    std::vector<WindowId> order(const std::vector<WindowId>& ours) {
        std::vector<WindowId> out;
        for (WindowId w : ws().topLevelWindows())
            if (std::find(ours.begin(), ours.end(), w) != ours.end()) out.push_back(w);
        return out;
    }
    Driver d;
};

TYPED_TEST_SUITE_P(WindowSystemContract);

TYPED_TEST_P(WindowSystemContract, ListsTopmostFirstAndFollowsRaiseAndTopmost) {
    auto& d = this->d;
    const WindowId a = d.open("Contract A"), b = d.open("Contract B"), c = d.open("Contract C");
    const std::vector<WindowId> all{a, b, c};
    EXPECT_EQ(this->order(all), (std::vector<WindowId>{c, b, a}));
    ASSERT_TRUE(this->ws().raise(a));
    EXPECT_TRUE(d.waitFor([&] { return this->order(all) == std::vector<WindowId>{a, c, b}; }));
    // A topmost window stays above one opened after it, until it is topmost no more.
    ASSERT_TRUE(this->ws().setTopmost(b, true));
    const WindowId later = d.open("Contract Later");
    EXPECT_TRUE(d.waitFor([&] { return this->order({b, later}) == std::vector<WindowId>{b, later}; }));
    ASSERT_TRUE(this->ws().setTopmost(b, false));
    ASSERT_TRUE(this->ws().raise(later));
    EXPECT_TRUE(d.waitFor([&] { return this->order({b, later}) == std::vector<WindowId>{later, b}; }));
}

TYPED_TEST_P(WindowSystemContract, DescribeAndTheSingleQuestionsAgreeAndTitlesAreCut) {
    auto& d = this->d;
    WindowSystem& ws = this->ws();
    const std::string title = "Contract \xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xE4\xB8\x96";
    const WindowId w = d.open(title), other = d.open("Contract Other");
    const WindowInfo info = ws.describe(w, FieldAll);
    EXPECT_TRUE(info.exists);
    EXPECT_EQ(info.title, title);
    EXPECT_EQ(info.kind, WindowKind::Normal);
    EXPECT_TRUE(info.visible);
    EXPECT_EQ(ws.title(w), title);
    EXPECT_EQ(ws.className(w), info.className);
    EXPECT_EQ(ws.rect(w), info.rect);
    EXPECT_EQ(ws.processOf(w), info.pid);
    // A batch answers one entry per window, in order, with only the fields asked.
    const WindowId batch[] = {other, w, other};
    const std::vector<WindowInfo> some = ws.describe(batch, FieldTitle);
    ASSERT_EQ(some.size(), 3u);
    EXPECT_EQ(some[0].title, "Contract Other");
    EXPECT_EQ(some[1].title, title);
    EXPECT_EQ(some[1].rect, Rect{});
    // 254 ASCII characters and three two-byte ones: the cut falls after 255 characters,
    // never inside one.
    const WindowId longer = d.open(std::string(254, 'a') + "\xC3\xA9\xC3\xA9\xC3\xA9");
    const std::string cut = std::string(254, 'a') + "\xC3\xA9";
    EXPECT_EQ(ws.title(longer), cut);
    EXPECT_EQ(ws.describe(longer, FieldTitle).title, cut);
}

TYPED_TEST_P(WindowSystemContract, MovesExactlyAndMinimizesAndRestores) {
    auto& d = this->d;
    WindowSystem& ws = this->ws();
    const WindowId w = d.open("Contract Move");
    for (const Rect target : {Rect{-50, -20, 250, 280}, Rect{200, 150, 600, 450}}) {
        ASSERT_TRUE(ws.move(w, target));
        EXPECT_TRUE(d.waitFor([&] { return ws.rect(w) == target; }));
    }
    ASSERT_TRUE(ws.minimize(w));
    EXPECT_TRUE(d.waitFor([&] { return ws.isMinimized(w); }));
    ASSERT_TRUE(ws.restore(w));
    EXPECT_TRUE(d.waitFor([&] { return !ws.isMinimized(w) && ws.rect(w) == Rect{200, 150, 600, 450}; }));
}

TYPED_TEST_P(WindowSystemContract, CloseRequestClosesAndGoneWindowsAnswerHarmlessly) {
    auto& d = this->d;
    WindowSystem& ws = this->ws();
    const WindowId keep = d.open("Contract Keep"), closing = d.open("Contract Close");
    ASSERT_TRUE(ws.requestClose(closing));
    EXPECT_TRUE(d.waitFor([&] { return !ws.exists(closing); }));
    EXPECT_TRUE(ws.exists(keep));

    const WindowId w = d.open("Contract Gone");
    d.destroy(w);
    ASSERT_TRUE(d.waitFor([&] { return !ws.exists(w); }));
    EXPECT_EQ(ws.title(w), "");
    EXPECT_FALSE(ws.rect(w).has_value());
    EXPECT_FALSE(ws.describe(w, FieldAll).exists);
    EXPECT_FALSE(ws.restore(w));
    EXPECT_FALSE(ws.raise(w));
    EXPECT_FALSE(ws.move(w, Rect{0, 0, 100, 100}));
    EXPECT_FALSE(ws.setTopmost(w, true));
    EXPECT_FALSE(ws.minimize(w));
    EXPECT_FALSE(ws.requestClose(w));
    // Nothing of that hurt the backend.
    EXPECT_EQ(ws.title(keep), "Contract Keep");
}

// The end of a watched window is told, through the descriptor or the callback the backend
// offers; a backend that cannot tell (Win32 until its first WinEvent) says so, and callers poll.
TYPED_TEST_P(WindowSystemContract, TheEndOfAWatchedWindowIsNotified) {
    WindowSystem& ws = this->ws();
    const WindowId w = this->d.open("Contract Watched");
    ws.watch(w);
    bool called = false;
    const bool byCallback = ws.notificationFd() < 0 && ws.notifyOnChange([&] { called = true; });
    const bool tells = byCallback || ws.notificationFd() >= 0;
    ws.takeNotifications();
    this->d.destroy(w);
    if (tells) {
        EXPECT_TRUE(this->d.waitFor([&] { return ws.takeNotifications(); }));
        EXPECT_EQ(called, byCallback);
    }
    ws.notifyOnChange({});
}

REGISTER_TYPED_TEST_SUITE_P(WindowSystemContract, ListsTopmostFirstAndFollowsRaiseAndTopmost,
                            DescribeAndTheSingleQuestionsAgreeAndTitlesAreCut,
                            MovesExactlyAndMinimizesAndRestores, CloseRequestClosesAndGoneWindowsAnswerHarmlessly,
                            TheEndOfAWatchedWindowIsNotified);

}  // namespace kivra::test
