// The program's icon resources, loaded by number: window icons, message box icons and their
// large-caption variants, drawn from the SVG files shipped in icons.qrc.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kivra {

constexpr int IconDesignTime = 0;  // the message box's own icon where a kind keeps it
constexpr int IconProgram = 1;  // About, welcome, support contact
constexpr int IconLinkBright = 2;  // link window, active
constexpr int IconLinkGrey = 3;  // link window, inactive
constexpr int IconMainActive = 4;  // main window, active
constexpr int IconMainInactive = 5;  // main window, inactive
constexpr int IconRefusal = 8;
constexpr int IconWarning = 9;
constexpr int IconQuestion = 10;
constexpr int IconLinkBrightLarge = 12;  // large-caption variants of 2, 3, 4, 5
constexpr int IconLinkGreyLarge = 13;
constexpr int IconMainActiveLarge = 14;
constexpr int IconMainInactiveLarge = 15;

// True for the numbers above.
bool isKivraIcon(int resourceNumber);

// The icon with pixmaps for the usual sizes; a null icon for an unknown number.
QIcon kivraIcon(int resourceNumber);

// One square rendering, sizePx device pixels wide; a null pixmap for an unknown number.
QPixmap kivraPixmap(int resourceNumber, int sizePx);

// The window icon for the active/inactive role, in the variant the caption height calls for.
enum class IconRole { Active, Inactive };
enum class IconOwner { MainWindow, LinkWindow };
enum class CaptionSize { Normal, Wide };
int windowIconNumber(IconOwner owner, IconRole role, CaptionSize caption);

}  // namespace kivra
