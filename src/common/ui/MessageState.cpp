// The process-wide message state.
#include "MessageState.h"

namespace kivra {

MessageState& messages() {
    static MessageState state;
    return state;
}

}  // namespace kivra
