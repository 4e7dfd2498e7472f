// Marks every top-level window of this program as Kivra's own when it is first shown (message
// boxes and pages included), so that window walks never list it. Needed on Windows only.
#pragma once

#include "WindowSystem.h"

class QApplication;

namespace kivra {

// `windows` must outlive the application's event loop.
void installOwnWindowMarker(QApplication& app, WindowSystem& windows);

}  // namespace kivra
