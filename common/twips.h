// Window layouts are given in twips (1440 per inch); windows are placed in pixels.
#pragma once

namespace common {

// twips * dpi / 1440, rounded to the nearest pixel, halves away from zero (as MulDiv rounds).
// At 96 dpi 15 twips make one pixel. `dpi` is positive.
inline int TwipsToPixels(int twips, int dpi) {
    const long long product = static_cast<long long>(twips) * dpi;
    const long long half = product < 0 ? -720 : 720;
    return static_cast<int>((product + half) / 1440);
}

}  // namespace common
