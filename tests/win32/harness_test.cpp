// The Windows test program itself: a window of ours can be made and seen.
#include "Win32Test.h"

#include <gtest/gtest.h>

using namespace kivra::wintest;

TEST(Harness, TestWindowHasItsTitleAndRectangle) {
    TestWindow w("Harness \xC3\xA9\xE4\xB8\x96", "KivraHarness", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {30, 40, 330, 240});
    ASSERT_TRUE(IsWindow(w.hwnd()));
    wchar_t title[256] = {};
    GetWindowTextW(w.hwnd(), title, 256);
    EXPECT_EQ(narrow(title), "Harness \xC3\xA9\xE4\xB8\x96");
    RECT r{};
    GetWindowRect(w.hwnd(), &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.right - r.left, 300);
}
