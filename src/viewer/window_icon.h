#pragma once

#include <QIcon>

// The window's 16 x 16 icon: a ruler corner with a red pointer marker, drawn, not loaded,
// so the program carries no image files of its own.
QIcon makeWindowIcon();
