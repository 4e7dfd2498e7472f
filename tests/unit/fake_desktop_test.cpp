// The fake desktop keeps the window-system contract (what only the fake has, the watcher and
// link tests exercise).
#include "FakeDesktop.h"
#include "WindowSystemContract.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

struct FakeDriver {
    FakeDesktop desktop;
    WindowSystem& ws() { return desktop; }
    WindowId open(const std::string& title) { return desktop.addWindow({.title = title}); }
    void destroy(WindowId w) { desktop.destroy(w); }
    bool waitFor(const std::function<bool()>& done) { return done(); }
};

}  // namespace

namespace kivra::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, WindowSystemContract, FakeDriver);
}
