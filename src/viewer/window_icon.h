#pragma once

#include <QIcon>

// The window's icon: a ruler corner with a red pointer marker, the same drawing that is
// installed as the program's scalable icon, rendered from the program's resources at
// 16 x 16 and the larger sizes a window manager may ask for.
QIcon makeWindowIcon();
