// The baseline of the start-up figure: a Win32 program that registers a class, shows one
// minimised window and runs its message loop until the window is closed.
//
// Built a second time with BARE_WITH_PROGRAM_IMPORTS: the same program importing the system
// DLLs the look-up program imports, with its manifest, and initialising the common controls as
// it does; the difference between the two shows what loading those costs at start-up.
#include <windows.h>

#ifdef BARE_WITH_PROGRAM_IMPORTS
#include <commctrl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <wininet.h>
#endif

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef BARE_WITH_PROGRAM_IMPORTS
    // Taking the addresses makes the DLLs imports; nothing else of theirs runs.
    static void* volatile imports[] = {
        reinterpret_cast<void*>(&InternetCloseHandle), reinterpret_cast<void*>(&ShellExecuteA),
        reinterpret_cast<void*>(&CoTaskMemFree),       reinterpret_cast<void*>(&SysFreeString),
        reinterpret_cast<void*>(&RegCloseKey),         reinterpret_cast<void*>(&GetStockObject)};
    (void)imports;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
#endif
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "BareBenchWindow";
    if (!RegisterClassA(&wc)) {
        return 1;
    }
    HWND hwnd =
        CreateWindowExA(0, wc.lpszClassName, "Bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 200, 100, nullptr, nullptr, instance, nullptr);
    if (!hwnd) {
        return 1;
    }
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
