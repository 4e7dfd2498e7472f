// Check boxes that act as radio buttons: what a click on one box of a group does.
#pragma once

namespace kivra {

enum class OptionGroupKind {
    // Two boxes (auto size, border, appearance): clicking the checked box switches
    // the choice to its partner, whose effect then runs.
    Pair,
    // Three or four boxes (picture display, alignment): clicking the checked box
    // while no other is checked leaves it checked and changes nothing.
    KeepChecked,
};

struct OptionClick {
    int checked = -1;        // the box checked afterwards
    bool runEffect = false;  // whether that box's effect runs
    bool operator==(const OptionClick&) const = default;
};

// `checked` is the box checked before the click (-1 when none), `clicked` the box clicked.
OptionClick clickOption(OptionGroupKind kind, int checked, int clicked);

}  // namespace kivra
