// The look of both programs: Qt's Fusion style with its own palette, so controls are
// readable in every state on desktops that supply no colour theme of their own.
#pragma once

class QApplication;

namespace kivra {

void applyAppStyle(QApplication& app);

}  // namespace kivra
