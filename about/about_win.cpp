#include "about/about_win.h"

void ShowAboutModeless() {}
