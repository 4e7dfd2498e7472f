// Rules of the Kivra Form option pairs.
#include "OptionPairs.h"

namespace kivra {

StartupBoxes clickStartup(StartupBoxes b, StartupBox clicked) {
    if (clicked == StartupBox::Max) {
        b.max = !b.max;
        if (b.max) b.min = false;
    } else {
        b.min = !b.min;
        if (b.min) b.max = false;
    }
    return b;
}

StartupState startupStateOf(StartupBoxes b) {
    if (b.max && !b.min) return StartupState::Maximized;
    if (b.min && !b.max) return StartupState::Minimized;
    return StartupState::Normal;
}

StartupBoxes startupBoxesFor(StartupState s) {
    return {s == StartupState::Maximized, s == StartupState::Minimized};
}

const char* timerCommandCaption(bool running) { return running ? "&Disable" : "&Enable"; }

bool notTopmostStopsKickTimer(ProgramKind program) { return program == ProgramKind::Main; }

}  // namespace kivra
