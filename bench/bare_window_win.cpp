// The baseline of the start-up figure: a Win32 program that registers a class, shows one
// minimised window and runs its message loop until the window is closed.
//
// Built twice more, the steps from it to the look-up program's start-up (lookup_bench --steps):
//   BARE_THEMED_BUTTON         with the program's manifest (common controls 6), the common
//                              controls initialised and one push button, as the program's window
//                              has: the least a window like the program's costs;
//   BARE_WITH_PROGRAM_IMPORTS  that, also loading at start every system DLL the program uses,
//                              as it did before it left some of them to their first use.
#include <windows.h>

#ifdef BARE_THEMED_BUTTON
#include <commctrl.h>
#endif
#ifdef BARE_WITH_PROGRAM_IMPORTS
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
#endif
#ifdef BARE_THEMED_BUTTON
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
#ifdef BARE_THEMED_BUTTON
    CreateWindowExA(0, "BUTTON", "Button", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 96, 80, 57, 25,
                    hwnd, nullptr, instance, nullptr);
#endif
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
