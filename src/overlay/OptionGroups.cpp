// Radio behaviour of the option check boxes.
#include "OptionGroups.h"

namespace kivra {

OptionClick clickOption(OptionGroupKind kind, int checked, int clicked) {
    if (clicked != checked) return {clicked, true};
    if (kind == OptionGroupKind::Pair) return {1 - clicked, true};
    return {clicked, false};
}

}  // namespace kivra
