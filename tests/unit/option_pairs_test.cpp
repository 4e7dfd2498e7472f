// The Kivra Form option pairs: start-up boxes, the exclusive Yes/No and On/Off pairs,
// and the kick timer button's caption.
#include "OptionGroups.h"
#include "OptionPairs.h"

#include <gtest/gtest.h>

using namespace kivra;

TEST(StartupPair, ClickTableFromEveryStartingState) {
    struct Row { StartupBoxes before; StartupBox clicked; StartupBoxes after; StartupState state; };
    const Row rows[] = {
        {{false, false}, StartupBox::Max, {true, false}, StartupState::Maximized},
        {{false, false}, StartupBox::Min, {false, true}, StartupState::Minimized},
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
}

TEST(StartupPair, BoxesForStoredStatesRoundTrip) {
    for (StartupState s : {StartupState::Normal, StartupState::Maximized, StartupState::Minimized})
        EXPECT_EQ(startupStateOf(startupBoxesFor(s)), s);
}

TEST(ExclusivePairs, ClickingTheCheckedBoxMovesTheCheck) {
    // Always On Top Yes(0)/No(1), Tool Tips On/Off, Palette A/B.
    EXPECT_EQ(clickOption(OptionGroupKind::Pair, 0, 0), (OptionClick{1, true}));
    EXPECT_EQ(clickOption(OptionGroupKind::Pair, 1, 1), (OptionClick{0, true}));
    EXPECT_EQ(clickOption(OptionGroupKind::Pair, 0, 1), (OptionClick{1, true}));
}

TEST(KickTimer, ButtonCaptionAndNotTopmostRule) {
    EXPECT_STREQ(timerCommandCaption(true), "&Disable");
    EXPECT_STREQ(timerCommandCaption(false), "&Enable");
    EXPECT_TRUE(notTopmostStopsKickTimer(ProgramKind::Main));
    EXPECT_FALSE(notTopmostStopsKickTimer(ProgramKind::Link));
}
