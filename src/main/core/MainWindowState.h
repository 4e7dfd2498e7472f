// The main window's state as the link pages' refusals need it.
#pragma once

namespace kivra {

enum class MainWindowState { Normal, Minimized, Maximized };

}  // namespace kivra
