// The About window: title, version and the two links.
#pragma once

// From the menu: shows the one About window modeless and returns at once.
void ShowAboutModeless();
