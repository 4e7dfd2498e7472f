// The picked window's entry in the host list, or the reason it has none.
#include "PickedHost.h"

#include "LinkMessages.h"
#include "TextRules.h"

#include <cstdint>

namespace kivra {

PickSelection selectPickedWindow(WindowSystem& ws, std::span<const HostEntry> hostList, WindowId picked) {
    if (picked == 0) return {PickOutcome::NotListed};
    for (std::size_t i = 0; i < hostList.size(); ++i)
        if (hostList[i].window == picked) return {PickOutcome::Selected, static_cast<int>(i)};
    const WindowInfo w = ws.describe(picked, FieldClass | FieldStyle);
    if (!w.exists) return {PickOutcome::NotListed};
    // The same tests that keep these windows off the list.
    if (occursIn("QbaseRT5", w.className)) return {PickOutcome::OwnWindow};
    const bool dialogClass = occursIn("#32770", w.className) || occursIn("HH Parent", w.className);
    if (dialogClass || w.kind != WindowKind::Normal || (w.style & style::Popup) != 0) return {PickOutcome::Dialog};
    return {PickOutcome::NotListed};
}

std::string pickRefusalText(PickOutcome outcome) {
    const std::string br = kLineBreak;
    switch (outcome) {
    case PickOutcome::OwnWindow:
        return "The picked window is one of Kivra's own windows," + br +
               "which cannot be a Host Window.  Pick the Host" + br + "Window instead.";
    case PickOutcome::Dialog:
        return "The picked window is a dialog or pop-up window," + br +
               "which cannot be a Host Window.  Pick the Host" + br + "App.'s main window instead.";
    case PickOutcome::Selected:
    case PickOutcome::NotListed: break;
    }
    return "The picked window is not on the Available Host" + br +
           "Window Titles List: it has no title, or it is the" + br + "desktop.  Pick the Host Window instead.";
}

}  // namespace kivra
