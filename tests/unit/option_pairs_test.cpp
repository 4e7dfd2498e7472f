// The Kivra Form option pairs: start-up boxes and the kick timer's not-topmost rule (the
// exclusive pairs are picture_rules_test's option groups).
#include "OptionPairs.h"

#include <gtest/gtest.h>

using namespace kivra;

TEST(StartupPair, ClickingSelectsOneBoxOrNeither) {
    struct Row { StartupBoxes before; StartupBox clicked; StartupBoxes after; StartupState state; };
    const Row rows[] = {
        {{true, false}, StartupBox::Max, {false, false}, StartupState::Normal},   // de-select: Normal
        {{false, true}, StartupBox::Min, {false, false}, StartupState::Normal},
        {{true, false}, StartupBox::Min, {false, true}, StartupState::Minimized},  // only Min stays
        {{false, true}, StartupBox::Max, {true, false}, StartupState::Maximized},
    };
    for (const Row& r : rows) {
        const StartupBoxes after = clickStartup(r.before, r.clicked);
        EXPECT_EQ(after, r.after);
        EXPECT_EQ(startupStateOf(after), r.state);
    }
    // The boxes for each stored state give that state back.
    for (StartupState s : {StartupState::Normal, StartupState::Maximized, StartupState::Minimized})
        EXPECT_EQ(startupStateOf(startupBoxesFor(s)), s);
}

TEST(KickTimer, NotTopmostStopsItOnlyInTheMainProgram) {
    EXPECT_TRUE(notTopmostStopsKickTimer(ProgramKind::Main));
    EXPECT_FALSE(notTopmostStopsKickTimer(ProgramKind::Link));
}
