#include "common/dpi_win.h"

#include "common/system_library_win.h"

namespace common {

namespace {

// The per-window DPI functions of Windows 10 (1607) and later, bound on first use. Where one is
// missing, none is used: the program then lays out for the system DPI.
struct DpiFunctions {
    decltype(&::GetDpiForSystem) GetDpiForSystem = nullptr;
    decltype(&::GetDpiForWindow) GetDpiForWindow = nullptr;
    decltype(&::AdjustWindowRectExForDpi) AdjustWindowRectExForDpi = nullptr;
};

const DpiFunctions* Dpi() {
    static const auto loaded = LoadSystemFunctions<DpiFunctions>(
        L"user32.dll", [](HMODULE dll, DpiFunctions& t, DWORD& failed) {
            BIND_SYSTEM_FUNCTION(dll, t, GetDpiForSystem, failed);
            BIND_SYSTEM_FUNCTION(dll, t, GetDpiForWindow, failed);
            BIND_SYSTEM_FUNCTION(dll, t, AdjustWindowRectExForDpi, failed);
        });
    return loaded.Usable();
}

}  // namespace

UINT SystemDpi() {
    if (const DpiFunctions* dpi = Dpi()) {
        return dpi->GetDpiForSystem();
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND hwnd) {
    const DpiFunctions* functions = Dpi();
    const UINT dpi = functions ? functions->GetDpiForWindow(hwnd) : 0;
    return dpi ? dpi : SystemDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi) {
    if (const DpiFunctions* functions = Dpi()) {
        functions->AdjustWindowRectExForDpi(&rect, style, hasMenu ? TRUE : FALSE, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&rect, style, hasMenu ? TRUE : FALSE, exStyle);
    }
}

}  // namespace common
