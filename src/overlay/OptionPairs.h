// The two-box choices of the Kivra Form options: the start-up state pair, where
// neither box checked means Normal, and the captions of the kick timer button.
#pragma once

#include "Preferences.h"

namespace kivra {

enum class StartupBox { Max, Min };

struct StartupBoxes {
    bool max = false;
    bool min = false;
    bool operator==(const StartupBoxes&) const = default;
};

// A click toggles the clicked box; when both end up checked the other one is
// unchecked, so the state follows the clicked box.
StartupBoxes clickStartup(StartupBoxes before, StartupBox clicked);
StartupState startupStateOf(StartupBoxes boxes);
StartupBoxes startupBoxesFor(StartupState state);

// `TimerCommand1` reads "&Disable" while the kick timer runs and "&Enable" otherwise.
const char* timerCommandCaption(bool running);

// Choosing "&No" for Always On Top stops the kick timer in the main program only;
// a link window keeps it running and its tracking tick sets "&Yes" again.
enum class ProgramKind { Main, Link };
bool notTopmostStopsKickTimer(ProgramKind program);

}  // namespace kivra
