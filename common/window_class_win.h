// Registration of the program's top-level window classes: the program's icon, the arrow
// cursor and the dialog-face background.
#pragma once

#include <windows.h>

namespace common {

// Registers the class once per process; true when it is (or already was) registered.
bool RegisterProgramWindowClass(const char* className, WNDPROC proc, const char* menuName);

}  // namespace common
