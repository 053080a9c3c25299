#include "common/dpi_win.h"

namespace common {

namespace {

using GetDpiForSystemFn = UINT(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn User32Function(const char* name) {
    static HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

}  // namespace

UINT SystemDpi() {
    static const auto fn = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    if (fn) {
        return fn();
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND hwnd) {
    static const auto fn = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = fn ? fn(hwnd) : 0;
    return dpi ? dpi : SystemDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi) {
    static const auto fn = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (fn) {
        fn(&rect, style, hasMenu ? TRUE : FALSE, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&rect, style, hasMenu ? TRUE : FALSE, exStyle);
    }
}

}  // namespace common
