#pragma once
// The window's icon and the pictures on its buttons, drawn here so that they look the same on
// every desktop and scale cleanly on high-density screens.

#include <QIcon>

namespace shotsweep {

QIcon WindowPicture();   // 16 x 16: a camera
QIcon CleanupPicture();  // 25 x 25: a waste bin, on both cleanup buttons
QIcon ExitPicture();     // 38 x 38: a door with an arrow leaving
QIcon RefreshPicture();  // 24 x 24: a circular arrow, on both refresh buttons
QIcon NewFolderPicture();  // 24 x 24: a folder with a plus

}  // namespace shotsweep
