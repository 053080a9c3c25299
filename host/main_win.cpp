// Program entry: loads the main window minimised and runs the message loop until no window of
// the program is left and no look-up is running.
#include <windows.h>
#include <commctrl.h>

#include "host/main_window_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    host::MainWindow window;
    if (!window.Show()) {
        return 1;
    }
    MSG msg = {};
    BOOL got = 0;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        if (HWND dialog = GetActiveWindow(); dialog && IsDialogMessageA(dialog, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // Only a WM_QUIT (a result of 0) carries an exit code; a failed GetMessage leaves the message
    // unfilled.
    return got == 0 ? static_cast<int>(msg.wParam) : 1;
}
