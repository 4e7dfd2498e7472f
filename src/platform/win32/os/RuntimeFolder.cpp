// The runtime folder on Windows: none is needed, as the single-instance lock is a named mutex
// and the link channel the windows themselves.
#include "RuntimeFolder.h"

namespace kivra {

RuntimeFolder runtimeFolder() { return {}; }

}  // namespace kivra
